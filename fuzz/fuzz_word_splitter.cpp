// Word splitter: clsStringAnalyser::PopWord on any text and delimiter set.
//
// Input: one option byte (bit 0: ignore case; bit 1: pass the case argument,
// else it is missing; bits 2-3: number of delimiters, 0 meaning the argument
// is missing and the blank is used), that many NUL-terminated delimiters, then
// the text. All text is 8-bit (code page 1252) as the record lines are.
//
// Properties:
// - the words, start and end positions equal those of a reference that
//   follows the documented steps literally (1-based, search limit 99999999);
// - the splitting ends: no word is left after at most length + 2 calls;
// - once no word is left, every later call, with or without arguments, says so;
// - with one delimiter matched exactly, the words joined with it give back the
//   text, except that a single-character delimiter at the very end is dropped
//   and a text of fewer than two characters gives no word at all;
// - a record line's words (RecordLine) are the text split at blanks and ";"
//   without empty parts, for texts of two or more characters, else none.

#include "FuzzSupport.h"

#include "serial/RecordLine.h"
#include "util/Codec8.h"
#include "util/StringAnalyser.h"

#include <optional>

using namespace zkd;
using zkd::fuzz::show;

namespace {

constexpr qsizetype kSearchLimit = 99999999;

// The documented algorithm, positions 1-based. A delimiter is never empty here:
// with an empty delimiter the steps find it at the start position and never
// move on, so a splitter given one cannot be asked to terminate.
class Reference
{
public:
    Reference(QString text, QStringList delimiters, bool ignoreCase)
        : m_text(std::move(text)), m_delimiters(std::move(delimiters)), m_ignoreCase(ignoreCase)
    {}

    std::optional<QString> pop()
    {
        const qsizetype length = m_text.size();
        if (m_end >= length)
            return std::nullopt;
        qsizetype best = kSearchLimit;
        qsizetype delimiterLength = 0;
        for (const QString &delimiter : std::as_const(m_delimiters)) {
            m_end = find(m_start, delimiter);
            if (m_end != 0 && m_end <= best) {
                best = m_end;
                delimiterLength = delimiter.size();
            }
        }
        if (best == kSearchLimit) {
            m_end = length + 1;
            best = length + 1;
        }
        QString word;
        for (qsizetype i = m_start; i < best; ++i)
            word.append(m_text.at(i - 1));
        m_start = best + delimiterLength;
        return word;
    }

    qsizetype start() const { return m_start; }
    qsizetype end() const { return m_end; }

private:
    bool same(QChar a, QChar b) const { return m_ignoreCase ? a.toUpper() == b.toUpper() : a == b; }

    // First position >= from (1-based) where the delimiter stands, 0 when none.
    qsizetype find(qsizetype from, const QString &delimiter) const
    {
        for (qsizetype at = from; at + delimiter.size() - 1 <= m_text.size(); ++at) {
            bool match = true;
            for (qsizetype k = 0; k < delimiter.size() && match; ++k)
                match = same(m_text.at(at - 1 + k), delimiter.at(k));
            if (match)
                return at;
        }
        return 0;
    }

    QString m_text;
    QStringList m_delimiters;
    bool m_ignoreCase;
    qsizetype m_start = 1;
    qsizetype m_end = 1;
};

bool hasNoCase(const QString &text)
{
    for (const QChar c : text) {
        if (c.toUpper() != c || c.toLower() != c)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input input(data, size);
    const std::uint8_t options = input.byte();
    const bool ignoreCaseValue = options & 1;
    const bool passCase = options & 2;
    const int delimiterCount = (options >> 2) & 3;

    std::optional<QStringList> delimiters;
    if (delimiterCount > 0) {
        delimiters.emplace();
        for (int i = 0; i < delimiterCount; ++i) {
            const QString delimiter = decode8(input.field());
            if (!delimiter.isEmpty())
                delimiters->append(delimiter);
        }
        if (delimiters->isEmpty())
            delimiters->append(QStringLiteral(" "));
    }
    const QString text = decode8(input.rest());
    const std::optional<bool> ignoreCase = passCase ? std::optional<bool>(ignoreCaseValue) : std::nullopt;

    const QStringList usedDelimiters = delimiters ? *delimiters : QStringList{QStringLiteral(" ")};
    const bool usedIgnoreCase = ignoreCase.value_or(true);
    Reference reference(text, usedDelimiters, usedIgnoreCase);

    const auto context = [&] {
        return QStringLiteral("text %1, delimiters %2, ignore case %3")
            .arg(show(text), show(usedDelimiters))
            .arg(usedIgnoreCase);
    };

    clsStringAnalyser analyser;
    QStringList words;
    std::optional<QString> word = analyser.PopWord(text, ignoreCase, delimiters);
    const qsizetype callLimit = text.size() + 2;
    for (qsizetype call = 1;; ++call) {
        const std::optional<QString> expected = reference.pop();
        ZKD_FUZZ_CHECK(word.has_value() == expected.has_value() && (!word || *word == *expected),
                       QStringLiteral("call %1 gave %2, the documented steps give %3; %4")
                           .arg(call)
                           .arg(word ? show(*word) : QStringLiteral("no word"),
                                expected ? show(*expected) : QStringLiteral("no word"), context()));
        ZKD_FUZZ_CHECK(analyser.startPosition() == reference.start() && analyser.endPosition() == reference.end(),
                       QStringLiteral("after call %1 start/end %2/%3, expected %4/%5; %6")
                           .arg(call)
                           .arg(analyser.startPosition())
                           .arg(analyser.endPosition())
                           .arg(reference.start())
                           .arg(reference.end())
                           .arg(context()));
        if (!word)
            break;
        words.append(*word);
        ZKD_FUZZ_CHECK(call <= callLimit, QStringLiteral("still a word after %1 calls; %2").arg(call).arg(context()));
        word = analyser.PopWord();
    }

    // Used up: stays used up, whatever the later calls pass.
    ZKD_FUZZ_CHECK(!analyser.PopWord(), context());
    ZKD_FUZZ_CHECK(!analyser.PopWord(QStringLiteral("fresh text here"), false, QStringList{QStringLiteral("e")}),
                   context());
    ZKD_FUZZ_CHECK(!analyser.PopWord(), context());

    if (usedDelimiters.size() == 1 && (!usedIgnoreCase || hasNoCase(usedDelimiters.front()))) {
        const QString &delimiter = usedDelimiters.front();
        const QString joined = words.join(delimiter);
        if (text.size() < 2) {
            ZKD_FUZZ_CHECK(words.isEmpty(), QStringLiteral("words %1; %2").arg(show(words), context()));
        } else {
            const bool droppedLast = delimiter.size() == 1 && joined + delimiter == text;
            ZKD_FUZZ_CHECK(joined == text || droppedLast,
                           QStringLiteral("words %1 joined give %2; %3").arg(show(words), show(joined), context()));
        }
    }

    const QStringList recordWords = RecordLine(text).words();
    const QStringList expectedRecordWords = text.size() < 2
        ? QStringList()
        : QString(text).replace(QLatin1Char(';'), QLatin1Char(' ')).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    ZKD_FUZZ_CHECK(recordWords == expectedRecordWords,
                   QStringLiteral("record words %1, expected %2 for %3")
                       .arg(show(recordWords), show(expectedRecordWords), show(text)));
    return 0;
}
