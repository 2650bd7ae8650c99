#include "app/ScaleLabel.h"

#include "app/AccessibleWidgets.h"

#include <QAccessible>
#include <QPainter>

namespace zkd {
namespace {
// Blanks that fill one line of the narrow label: a longer run takes a line.
constexpr double kBlanksPerLine = 8.0;
} // namespace

ScaleLabel::ScaleLabel(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    installAccessibleWidgets();
}

void ScaleLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    setToolTip(QString());
    update();
    emit textChanged(m_text);
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void ScaleLabel::setTextColour(const QColor &colour)
{
    m_colour = colour;
    m_hasColour = true;
    update();
}

QList<ScaleLabel::Tick> ScaleLabel::layoutTicks(const QString &text)
{
    QList<Tick> ticks;
    QList<double> gaps;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    while (i < n) {
        const qsizetype start = i;
        while (i < n && text[i] != QLatin1Char(' '))
            ++i;
        ticks.append({text.mid(start, i - start), 0.0});
        const qsizetype blanksStart = i;
        while (i < n && text[i] == QLatin1Char(' '))
            ++i;
        if (i < n)
            gaps.append(1.0 + double(i - blanksStart - 1) / kBlanksPerLine);
    }
    double total = 0.0;
    for (const double g : gaps)
        total += g;
    double at = 0.0;
    for (qsizetype t = 0; t < ticks.size(); ++t) {
        ticks[t].position = total > 0.0 ? at / total : 0.0;
        if (t < gaps.size())
            at += gaps[t];
    }
    return ticks;
}

QSize ScaleLabel::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(QStringLiteral("14502")) + 6, 180};
}

void ScaleLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(m_hasColour ? m_colour : palette().color(QPalette::WindowText));
    const QFontMetrics fm = fontMetrics();
    const int lineHeight = fm.height();
    const auto ticks = layoutTicks(m_text);
    if (ticks.size() <= 1) {
        p.drawText(rect(), Qt::AlignRight | Qt::AlignTop, m_text);
        return;
    }
    const int usable = std::max(0, height() - lineHeight);
    for (const Tick &tick : ticks) {
        const int y = int(tick.position * usable);
        p.drawText(QRect(0, y, width() - 2, lineHeight), Qt::AlignRight | Qt::AlignVCenter, tick.text);
    }
}

} // namespace zkd
