#include "StatusLine.h"

namespace zkd::record {
namespace {

QString valueOrDash(const QString &value)
{
    return value.isEmpty() ? QStringLiteral("-") : value;
}

QString withUnit(const QString &value, const QString &unit)
{
    if (value.isEmpty() || unit.isEmpty())
        return valueOrDash(value);
    return value + QLatin1Char(' ') + unit;
}

} // namespace

QString StatusLine::format(const StatusFigures &figures)
{
    QString text = QStringLiteral("%1 records | time %2 | ACT 1 %3 | ACT 2 %4")
                       .arg(figures.records)
                       .arg(valueOrDash(figures.time), withUnit(figures.act1, figures.unit1),
                            withUnit(figures.act2, figures.unit2));
    if (figures.overflow1 || figures.overflow2) {
        text += QStringLiteral(" | Ovl");
        if (figures.overflow1)
            text += QStringLiteral(" INP 1");
        if (figures.overflow2)
            text += QStringLiteral(" INP 2");
    }
    return text;
}

void StatusLine::show(const QString &text)
{
    if (m_open && text == m_shown)
        return;
    QString line = text;
    if (line.size() < m_shown.size())
        line += QString(m_shown.size() - line.size(), QLatin1Char(' '));
    std::fprintf(m_stream, "\r%s", line.toLocal8Bit().constData());
    std::fflush(m_stream);
    m_shown = text;
    m_open = true;
}

void StatusLine::finish()
{
    if (!m_open)
        return;
    std::fputc('\n', m_stream);
    std::fflush(m_stream);
    m_open = false;
    m_shown.clear();
}

} // namespace zkd::record
