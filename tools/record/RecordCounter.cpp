#include "RecordCounter.h"

#include "serial/RecordPipeline.h"

namespace zkd::record {
namespace {
constexpr char kReturn = '\r';
} // namespace

bool RecordCounter::isRecordLine(const QStringList &words)
{
    if (words.isEmpty())
        return false;
    const QString &first = words.first();
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
    qsizetype from = 0;
    while (from < bytes.size() && !limitReached()) {
        const qsizetype cr = bytes.indexOf(kReturn, from);
        const qsizetype end = cr < 0 ? bytes.size() : cr + 1;
        // A view, not a copy: the pipeline only reads it.
        const QByteArray piece = QByteArray::fromRawData(bytes.constData() + from, end - from);
        const BatchResult batch = pipeline.process(piece);
        result.fileBytes += batch.fileBytes;
        if (batch.lineCompleted) {
            result.lineCompleted = true;
            if (isRecordLine(pipeline.words()))
                ++m_records;
        }
        from = end;
    }
    result.consumed = from;
    return result;
}

} // namespace zkd::record
