#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>

namespace zkd {
class RecordPipeline;
}

namespace zkd::record {

// Hands received bytes to the record pipeline and counts the record lines
// among the lines it completes. A record line is a completed line whose first
// word begins with a number ("0.0", "12,5", "-3"); the notes header and the
// instrument's header lines ("INP1 = bar", "SR1 =  5", "Pri = 1") do not.
//
// The bytes are handed over in pieces that end at a carriage return, so the
// pipeline completes at most one line per piece and every line can be looked
// at; the result is the same as handing them over at once.
class RecordCounter
{
public:
    struct FeedResult
    {
        QByteArray fileBytes;       // what the working file receives, in order
        bool lineCompleted = false; // at least one line was completed
        qsizetype consumed = 0;     // bytes handed to the pipeline; the rest came after the last record wanted
    };

    explicit RecordCounter(std::optional<quint64> limit = std::nullopt) : m_limit(limit) {}

    // Processes `bytes`, stopping right after the carriage return of the
    // record line that reaches the limit; bytes after it are not processed.
    FeedResult feed(RecordPipeline &pipeline, const QByteArray &bytes);

    quint64 records() const { return m_records; }
    bool limitReached() const { return m_limit && m_records >= *m_limit; }

    static bool isRecordLine(const QStringList &words);
    // The same for a line as text: its first blank-separated word decides.
    static bool isRecordLine(QStringView line);

private:
    std::optional<quint64> m_limit;
    quint64 m_records = 0;
};

} // namespace zkd::record
