#include "app/BarMeter.h"

#include "app/AccessibleWidgets.h"

#include <QAccessible>
#include <QLinearGradient>
#include <QPainter>

namespace zkd {

BarMeter::BarMeter(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    installAccessibleWidgets();
}

void BarMeter::setFullScale(std::int16_t value)
{
    if (value == m_fullScale)
        return;
    m_fullScale = value;
    update();
    emit fullScaleChanged(value);
    tellAssistiveTools();
}

void BarMeter::setLevel(std::int16_t value)
{
    if (value == m_level)
        return;
    m_level = value;
    update();
    emit levelChanged(value);
    tellAssistiveTools();
}

void BarMeter::setMidLevel(int value)
{
    m_midLevel = value;
    update();
}

void BarMeter::setBorder(bool on)
{
    m_border = on;
    update();
}

void BarMeter::setBarColour(const QColor &colour)
{
    m_barColour = colour;
    update();
}

void BarMeter::setDescriptionFormat(const QString &format)
{
    m_descriptionFormat = format;
    tellAssistiveTools();
}

QString BarMeter::description() const
{
    if (m_descriptionFormat.isEmpty())
        return accessibleDescription();
    return m_descriptionFormat.arg(m_level).arg(m_fullScale);
}

void BarMeter::tellAssistiveTools()
{
    // The level changes with every record line: build events only while a
    // screen reader or another assistive tool listens.
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent value(this, int(m_level));
    QAccessible::updateAccessibility(&value);
    QAccessibleEvent description(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&description);
}

QSize BarMeter::sizeHint() const
{
    return {34, 180};
}

QSize BarMeter::minimumSizeHint() const
{
    return {24, 80};
}

void BarMeter::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.fillRect(frame, QColor(30, 30, 30));
    if (m_border) {
        p.setPen(QPen(palette().color(QPalette::Mid), 1));
        p.drawRect(frame);
    }
    const QRect inner = frame.adjusted(3, 3, -2, -2);
    // Faint ticks at every tenth of the scale line up with the scale texts.
    p.setPen(QColor(70, 70, 70));
    for (int i = 1; i < 10; ++i) {
        const int y = inner.bottom() - inner.height() * i / 10;
        p.drawLine(inner.left(), y, inner.right(), y);
    }
    if (m_fullScale <= 0 || m_level <= 0)
        return;
    const bool over = m_level > m_fullScale;
    const double share = over ? 1.0 : double(m_level) / double(m_fullScale);
    const int height = int(inner.height() * share + 0.5);
    const QRect bar(inner.left(), inner.bottom() - height + 1, inner.width(), height);
    const QColor base = over ? QColor(220, 40, 40) : m_barColour;
    QLinearGradient g(bar.topLeft(), bar.topRight());
    g.setColorAt(0.0, base.darker(130));
    g.setColorAt(0.5, base.lighter(130));
    g.setColorAt(1.0, base.darker(130));
    p.fillRect(bar, g);
}

} // namespace zkd
