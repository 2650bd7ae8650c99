#pragma once

#include <QWidget>

namespace zkd {

// A tall, narrow label for a meter or axis scale. Its caption is the scale
// text as it stands (tick texts joined by runs of blanks); each tick is drawn
// on a line of its own, and a longer run of blanks pushes the next tick
// further down, so the ticks spread over the label's height.
class ScaleLabel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
public:
    explicit ScaleLabel(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    void setTextColour(const QColor &colour);

    struct Tick
    {
        QString text;
        double position; // 0 at the top, 1 at the bottom
    };
    // Where the ticks of a caption stand.
    static QList<Tick> layoutTicks(const QString &text);

    QSize sizeHint() const override;

signals:
    void textChanged(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QColor m_colour;
    bool m_hasColour = false;
};

} // namespace zkd
