#pragma once

#include <QPixmap>
#include <QWidget>
#include <cstdint>

namespace zkd {

// A vertical bar meter: the bar spans 0 to the full scale. A level above the
// full scale fills the bar and shows it in the alarm colour; with a full scale
// of 0 the bar stays empty.
class BarMeter : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qint16 level READ level WRITE setLevel NOTIFY levelChanged)
    Q_PROPERTY(qint16 fullScale READ fullScale WRITE setFullScale NOTIFY fullScaleChanged)
public:
    explicit BarMeter(QWidget *parent = nullptr);

    std::int16_t fullScale() const { return m_fullScale; }
    void setFullScale(std::int16_t value);
    std::int16_t level() const { return m_level; }
    void setLevel(std::int16_t value);
    int midLevel() const { return m_midLevel; }
    void setMidLevel(int value);
    bool border() const { return m_border; }
    void setBorder(bool on);
    void setBarColour(const QColor &colour);
    // What assistive tools read as the meter's description: %1 is the level,
    // %2 the full scale. Kept current as both change.
    void setDescriptionFormat(const QString &format);
    QString description() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void levelChanged(qint16 level);
    void fullScaleChanged(qint16 fullScale);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void tellAssistiveTools();
    // Where the bar and the ticks go.
    QRect barArea() const;
    // The meter's face with the bar at full height in `bar`, or without a bar.
    QPixmap drawFace(const QColor *bar) const;

    QString m_descriptionFormat;
    std::int16_t m_fullScale = 0;
    std::int16_t m_level = 0;
    int m_midLevel = 40;
    bool m_border = true;
    QColor m_barColour{0, 160, 0};
    QPixmap m_emptyFace;
    QPixmap m_fullFace;
    QColor m_fullFaceColour;
    bool m_facesStale = true;
};

} // namespace zkd
