#pragma once

#include <QGroupBox>
#include <QHash>
#include <QPixmap>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyle>

namespace zkd {

// What a cached picture was drawn for; it is drawn anew when any of it changes.
struct CachedLook
{
    QSize size;
    QStyle::State state;
    qint64 palette = 0;
    qreal ratio = 0;
    int lineWidth = 0;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    bool operator==(const CachedLook &other) const
    {
        return size == other.size && state == other.state && palette == other.palette && ratio == other.ratio
            && lineWidth == other.lineWidth && direction == other.direction;
    }
};

// A group box that draws its frame and title once per look and then copies
// them. The style draws a group box frame by scaling an image, which costs far
// more than what changes inside it: the value boxes and meters of the input
// panels change many times a second, and each change repaints the panel behind
// them.
class CachedGroupBox : public QGroupBox
{
    Q_OBJECT
public:
    CachedGroupBox(const QString &title, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QPixmap m_frame;
    QString m_frameTitle;
    bool m_frameValid = false;
};

// A scroll bar that draws its groove once per look and then copies it,
// drawing only the handle and the arrows anew. The live table's scroll bar moves with
// every refresh while lines stream in, and the style fills its groove with a
// gradient that costs more than the handle. While the pointer is on it, it
// paints as any scroll bar, with hover and press feedback.
class CachedScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    CachedScrollBar(Qt::Orientation orientation, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_groove;
    CachedLook m_grooveLook;
};

// The application's style, except that a line edit's panel is drawn once per
// look and then copied. The value boxes change many times a second while
// records stream in, and the style strokes their rounded frame with
// antialiasing each time, which costs more than their text. One instance
// serves every value box and keeps one picture per box, the one of its
// present look; it lives as long as the application.
class CachedPanelStyle : public QProxyStyle
{
    Q_OBJECT
public:
    static CachedPanelStyle *instance();

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;

private:
    explicit CachedPanelStyle(const QString &baseStyle);

    struct Panel
    {
        CachedLook look;
        QPixmap picture;
    };
    mutable QHash<const QObject *, Panel> m_panels;
};

} // namespace zkd
