#pragma once

#include "app/Icons.h"

#include <QToolButton>

namespace zkd {

// A flat button with a picture that lights up while the pointer is over it.
class PictureButton : public QToolButton
{
    Q_OBJECT
public:
    PictureButton(Picture picture, QWidget *parent = nullptr, int size = 36);

    void setToolTipText(const QString &text) { setToolTip(text); }

protected:
    // The tooltip says what the button does; assistive tools read it as the name.
    bool event(QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QIcon m_normal;
    QIcon m_hover;
};

} // namespace zkd
