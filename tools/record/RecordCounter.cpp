#include "RecordCounter.h"

#include "serial/RecordLine.h"
#include "serial/RecordPipeline.h"

namespace zkd::record {

RecordCounter::RecordCounter(RecordPipeline &pipeline, std::optional<quint64> limit)
    : m_pipeline(pipeline), m_limit(limit)
{
    m_pipeline.setLineListener([this](const RecordLine &line) {
        if (isRecordLine(line))
            ++m_records;
        return !limitReached();
    });
}

RecordCounter::~RecordCounter()
{
    m_pipeline.setLineListener({});
}

bool RecordCounter::isRecordLine(const RecordLine &line)
{
    const QStringView first = line.value(RecordLine::Value::Time);
    qsizetype at = 0;
    if (at < first.size() && (first[at] == QLatin1Char('+') || first[at] == QLatin1Char('-')))
        ++at;
    if (at < first.size() && (first[at] == QLatin1Char('.') || first[at] == QLatin1Char(',')))
        ++at;
    return at < first.size() && first[at].isDigit();
}

RecordCounter::FeedResult RecordCounter::feed(const QByteArray &bytes)
{
    FeedResult result;
    if (bytes.isEmpty() || limitReached())
        return result;
    BatchResult batch;
    result.consumed = m_pipeline.process(QByteArrayView(bytes), batch);
    result.fileBytes = std::move(batch.fileBytes);
    result.lineCompleted = batch.lineCompleted;
    return result;
}

} // namespace zkd::record
