#include "serial/RecordLine.h"

#include "util/Numbers.h"
#include "util/Texts.h"

namespace zkd {
namespace {
// The word splitter's end position starts at 1, so it finds nothing in a
// text shorter than two characters.
constexpr qsizetype kShortestSplit = 2;
// A value with a comma is read through a copy this long without allocating.
constexpr qsizetype kValueRoom = 32;

bool separates(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char(';');
}
} // namespace

RecordLine::RecordLine(QString text) : m_text(std::move(text))
{
    split();
}

void RecordLine::read(QStringView text)
{
    m_text.resize(0);
    m_text.append(text);
    split();
}

void RecordLine::split()
{
    m_words.clear();
    const qsizetype size = m_text.size();
    const QChar *text = m_text.constData();
    if (size >= kShortestSplit) {
        for (qsizetype at = 0; at < size;) {
            if (separates(text[at])) {
                ++at;
                continue;
            }
            qsizetype end = at + 1;
            while (end < size && !separates(text[end]))
                ++end;
            m_words.append(Span{at, end - at});
            at = end;
        }
    }
    for (const Input input : {Input::One, Input::Two})
        m_leading[slot(input)] = zkd::leadingNumber(value(actual(input)));
}

QStringView RecordLine::word(qsizetype index) const
{
    const Span &span = m_words[index];
    return QStringView(m_text).mid(span.from, span.size);
}

QStringList RecordLine::words() const
{
    QStringList out;
    out.reserve(m_words.size());
    for (qsizetype i = 0; i < m_words.size(); ++i)
        out.append(word(i).toString());
    return out;
}

double RecordLine::leadingNumber(Input input, DecimalMark mark) const
{
    const QStringView text = value(actual(input));
    if (mark == DecimalMark::Point || !text.contains(QLatin1Char(',')))
        return m_leading[slot(input)];
    QVarLengthArray<QChar, kValueRoom> pointed(text.begin(), text.end());
    for (QChar &c : pointed) {
        if (c == QLatin1Char(','))
            c = QLatin1Char('.');
    }
    return zkd::leadingNumber(QStringView(pointed.constData(), pointed.size()));
}

std::optional<std::int16_t> RecordLine::level(Input input) const
{
    return roundToInt16(m_leading[slot(input)]);
}

bool RecordLine::overflows(Input input, std::int16_t scaleMax, DecimalMark mark) const
{
    return leadingNumber(input, mark) > scaleMax || value(actual(input)) == QStringView(texts::OverflowValue);
}

} // namespace zkd
