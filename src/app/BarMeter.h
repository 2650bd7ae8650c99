#pragma once

#include <QWidget>
#include <cstdint>

namespace zkd {

// A vertical bar meter: the bar spans 0 to the full scale. A level above the
// full scale fills the bar and shows it in the alarm colour; with a full scale
// of 0 the bar stays empty.
class BarMeter : public QWidget
{
    Q_OBJECT
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

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::int16_t m_fullScale = 0;
    std::int16_t m_level = 0;
    int m_midLevel = 40;
    bool m_border = true;
    QColor m_barColour{0, 160, 0};
};

} // namespace zkd
