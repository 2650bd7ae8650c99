#include "RecordCounter.h"

#include "serial/RecordPipeline.h"

namespace zkd::record {
namespace {
constexpr char kReturn = '\r';
} // namespace

bool RecordCounter::isRecordLine(const QStringList &words)
{
    return !words.isEmpty() && isRecordLine(QStringView(words.first()));
}

bool RecordCounter::isRecordLine(QStringView line)
{
    qsizetype start = 0;
    while (start < line.size() && line[start] == QLatin1Char(' '))
        ++start;
    qsizetype end = start;
    while (end < line.size() && line[end] != QLatin1Char(' '))
        ++end;
    const QStringView first = line.mid(start, end - start);
    qsizetype at = 0;
    if (at < first.size() && (first[at] == QLatin1Char('+') || first[at] == QLatin1Char('-')))
        ++at;
    if (at < first.size() && (first[at] == QLatin1Char('.') || first[at] == QLatin1Char(',')))
        ++at;
    return at < first.size() && first[at].isDigit();
}

RecordCounter::FeedResult RecordCounter::feed(RecordPipeline &pipeline, const QByteArray &bytes)
{
    FeedResult result;
    if (bytes.isEmpty())
        return result;
    // One result for all pieces: the file bytes go straight into one buffer.
    BatchResult batch;
    qsizetype from = 0;
    while (from < bytes.size() && !limitReached()) {
        const qsizetype cr = bytes.indexOf(kReturn, from);
        const qsizetype end = cr < 0 ? bytes.size() : cr + 1;
        const quint64 linesBefore = pipeline.linesCompleted();
        pipeline.process(QByteArrayView(bytes.constData() + from, end - from), batch);
        if (pipeline.linesCompleted() != linesBefore && isRecordLine(QStringView(pipeline.lastLine())))
            ++m_records;
        from = end;
    }
    result.fileBytes = std::move(batch.fileBytes);
    result.lineCompleted = batch.lineCompleted;
    result.consumed = from;
    return result;
}

} // namespace zkd::record
