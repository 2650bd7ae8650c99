#include "app/CachedGroupBox.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionGroupBox>
#include <QStylePainter>

namespace zkd {

void CachedGroupBox::paintEvent(QPaintEvent *event)
{
    // A checkable box changes with hover and focus: the style draws it each time.
    if (isCheckable()) {
        QGroupBox::paintEvent(event);
        return;
    }
    const qreal ratio = devicePixelRatio();
    if (!m_frameValid || m_frameTitle != title() || m_frame.size() != size() * ratio
        || m_frame.devicePixelRatio() != ratio) {
        m_frame = QPixmap(size() * ratio);
        m_frame.setDevicePixelRatio(ratio);
        m_frame.fill(Qt::transparent);
        QStylePainter painter(&m_frame, this);
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        painter.drawComplexControl(QStyle::CC_GroupBox, option);
        m_frameTitle = title();
        m_frameValid = true;
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawPixmap(0, 0, m_frame);
}

void CachedGroupBox::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::StyleChange:
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::EnabledChange:
    case QEvent::ActivationChange:
    case QEvent::LayoutDirectionChange: m_frameValid = false; break;
    default: break;
    }
    QGroupBox::changeEvent(event);
}

void CachedGroupBox::resizeEvent(QResizeEvent *event)
{
    m_frameValid = false;
    QGroupBox::resizeEvent(event);
}

} // namespace zkd
