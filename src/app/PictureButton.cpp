#include "app/PictureButton.h"

#include <QEvent>

namespace zkd {

PictureButton::PictureButton(Picture picture, QWidget *parent, int size) : QToolButton(parent)
{
    m_normal = QIcon(drawPicture(picture, size, false));
    m_hover = QIcon(drawPicture(picture, size, true));
    setIcon(m_normal);
    setIconSize(QSize(size, size));
    setAutoRaise(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

bool PictureButton::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTipChange)
        setAccessibleName(toolTip().trimmed());
    return QToolButton::event(event);
}

void PictureButton::enterEvent(QEnterEvent *event)
{
    setIcon(m_hover);
    QToolButton::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent *event)
{
    setIcon(m_normal);
    QToolButton::leaveEvent(event);
}

} // namespace zkd
