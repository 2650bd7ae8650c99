#include "util/StringAnalyser.h"

#include <algorithm>

namespace zkd {

std::optional<QString> clsStringAnalyser::PopWord(const std::optional<QString> &pInputString,
                                                  std::optional<bool> pbIgnoreCase,
                                                  const std::optional<QStringList> &pcolDelimiters)
{
    if (m_firstCall) {
        m_firstCall = false;
        m_text = pInputString.value_or(QString());
        m_ignoreCase = pbIgnoreCase.value_or(true);
        if (pcolDelimiters)
            m_delimiters = *pcolDelimiters;
        else
            m_delimiters.append(QStringLiteral(" "));
    }

    const qsizetype length = m_text.size();
    if (m_end >= length)
        return std::nullopt;

    const Qt::CaseSensitivity cs = m_ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
    qsizetype best = kNotFound;
    qsizetype delimiterLength = 0;
    for (const QString &delimiter : std::as_const(m_delimiters)) {
        // An empty delimiter is found at the start position, as a text search finds it.
        // No text character folds to an ASCII character that is not a letter,
        // so the exact search finds the same place, much faster.
        const bool exactIsEnough = std::all_of(delimiter.begin(), delimiter.end(),
                                               [](QChar c) { return c.unicode() < 0x80 && !c.isLetter(); });
        const qsizetype found = m_text.indexOf(delimiter, m_start - 1, exactIsEnough ? Qt::CaseSensitive : cs);
        m_end = found < 0 ? 0 : found + 1;
        if (m_end != 0 && m_end <= best) {
            best = m_end;
            delimiterLength = delimiter.size();
        }
    }
    if (best == kNotFound) {
        m_end = length + 1;
        best = length + 1;
    }
    const QString word = m_text.mid(m_start - 1, best - m_start);
    m_start = best + delimiterLength;
    return word;
}

} // namespace zkd
