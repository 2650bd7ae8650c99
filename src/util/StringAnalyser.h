#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace zkd {

// Cuts a text into words, one per PopWord call, at any of a set of delimiter
// texts. The first call binds the instance to its text, case mode and
// delimiters; later calls ignore their arguments. No word left is an empty
// optional (distinct from an empty word, which two adjacent delimiters give).
class clsStringAnalyser
{
public:
    std::optional<QString> PopWord(const std::optional<QString> &pInputString = std::nullopt,
                                   std::optional<bool> pbIgnoreCase = std::nullopt,
                                   const std::optional<QStringList> &pcolDelimiters = std::nullopt);

    // Position bookkeeping, 1-based as the algorithm counts.
    qsizetype startPosition() const { return m_start; }
    qsizetype endPosition() const { return m_end; }

private:
    static constexpr qsizetype kNotFound = 99999999;

    bool m_firstCall = true;
    QString m_text;
    QStringList m_delimiters;
    bool m_ignoreCase = false;
    qsizetype m_start = 1;
    qsizetype m_end = 1;
};

} // namespace zkd
