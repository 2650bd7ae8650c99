#pragma once

#include <QGroupBox>
#include <QPixmap>

namespace zkd {

// A group box that draws its frame and title once per look and then copies
// them. The style draws a group box frame by scaling an image, which costs far
// more than what changes inside it: the value boxes and meters of the input
// panels change many times a second, and each change repaints the panel behind
// them.
class CachedGroupBox : public QGroupBox
{
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QPixmap m_frame;
    QString m_frameTitle;
    bool m_frameValid = false;
};

} // namespace zkd
