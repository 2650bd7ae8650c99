#pragma once

#include <QByteArray>

#include <optional>

namespace zkd {
class RecordLine;
class RecordPipeline;
} // namespace zkd

namespace zkd::record {

// Hands received bytes to the record pipeline and counts the record lines
// among the lines it completes. A record line is a completed line whose first
// word begins with a number ("0.0", "12,5", "-3"); the notes header and the
// instrument's header lines ("INP1 = bar", "SR1 =  5", "Pri = 1") do not.
// The counter follows the pipeline's lines as their listener; at the limit it
// stops the pipeline right after that line's carriage return.
class RecordCounter
{
public:
    struct FeedResult
    {
        QByteArray fileBytes;       // what the working file receives, in order
        bool lineCompleted = false; // at least one line was completed
        qsizetype consumed = 0;     // bytes handed to the pipeline; the rest came after the last record wanted
    };

    explicit RecordCounter(RecordPipeline &pipeline, std::optional<quint64> limit = std::nullopt);
    ~RecordCounter();
    RecordCounter(const RecordCounter &) = delete;
    RecordCounter &operator=(const RecordCounter &) = delete;

    // Processes `bytes`, stopping right after the carriage return of the
    // record line that reaches the limit; bytes after it are not processed.
    FeedResult feed(const QByteArray &bytes);

    quint64 records() const { return m_records; }
    bool limitReached() const { return m_limit && m_records >= *m_limit; }

    static bool isRecordLine(const RecordLine &line);

private:
    RecordPipeline &m_pipeline;
    std::optional<quint64> m_limit;
    quint64 m_records = 0;
};

} // namespace zkd::record
