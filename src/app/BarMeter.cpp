#include "app/BarMeter.h"

#include "app/AccessibleWidgets.h"

#include <QAccessible>
#include <QLinearGradient>
#include <QPainter>

namespace zkd {

BarMeter::BarMeter(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    // Every pixel is painted: a new level repaints the meter, not the panel behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
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
    m_facesStale = true;
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

QRect BarMeter::barArea() const
{
    // Inside the 1-pixel border, with a 2-pixel gap.
    return rect().adjusted(3, 3, -3, -3);
}

QPixmap BarMeter::drawFace(const QColor *bar) const
{
    const qreal ratio = devicePixelRatio();
    QPixmap face(size() * ratio);
    face.setDevicePixelRatio(ratio);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.fillRect(rect(), QColor(30, 30, 30));
    if (m_border) {
        p.setPen(QPen(palette().color(QPalette::Mid), 1));
        p.drawRect(frame);
    }
    const QRect inner = barArea();
    // Faint ticks at every tenth of the scale line up with the scale texts.
    p.setPen(QColor(70, 70, 70));
    for (int i = 1; i < 10; ++i) {
        const int y = inner.bottom() - inner.height() * i / 10;
        p.drawLine(inner.left(), y, inner.right(), y);
    }
    if (bar) {
        QLinearGradient g(inner.topLeft(), inner.topRight());
        g.setColorAt(0.0, bar->darker(130));
        g.setColorAt(0.5, bar->lighter(130));
        g.setColorAt(1.0, bar->darker(130));
        p.fillRect(inner, g);
    }
    return face;
}

void BarMeter::paintEvent(QPaintEvent *)
{
    // The meter without a bar and with a bar at full height are drawn once per
    // look; a level shows the first above its top and the second below it.
    const bool over = m_fullScale > 0 && m_level > m_fullScale;
    const QColor barColour = over ? QColor(220, 40, 40) : m_barColour;
    const qreal ratio = devicePixelRatio();
    if (m_emptyFace.size() != size() * ratio || m_emptyFace.devicePixelRatio() != ratio || m_facesStale) {
        m_emptyFace = drawFace(nullptr);
        m_fullFace = QPixmap();
        m_facesStale = false;
    }
    if (m_fullFace.size() != m_emptyFace.size() || m_fullFaceColour != barColour) {
        m_fullFace = drawFace(&barColour);
        m_fullFaceColour = barColour;
    }

    QPainter p(this);
    const QRect inner = barArea();
    int barTop = height();
    if (m_fullScale > 0 && m_level > 0) {
        const double share = over ? 1.0 : double(m_level) / double(m_fullScale);
        barTop = inner.bottom() + 1 - qRound(inner.height() * share);
    }
    const auto part = [&](const QPixmap &face, int top, int bottom) {
        if (bottom <= top)
            return;
        const QRect target(0, top, width(), bottom - top);
        const QRect source(0, qRound(top * ratio), face.width(), qRound((bottom - top) * ratio));
        p.drawPixmap(target, face, source);
    };
    part(m_emptyFace, 0, barTop);
    part(m_fullFace, barTop, height());
}

void BarMeter::resizeEvent(QResizeEvent *event)
{
    m_facesStale = true;
    QWidget::resizeEvent(event);
}

void BarMeter::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        m_facesStale = true;
    QWidget::changeEvent(event);
}

} // namespace zkd
