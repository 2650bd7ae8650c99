#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace zkd::mqtt {

// The topics and payloads of a publishing recorder, as its collector and any
// other subscriber read them (the header and record payloads are built in
// MqttPayloads.h, which needs the core's line and sensor rules; what is here
// needs none):
//   P/ID/status  retained  {"state", "run", "since"}
//   P/ID/header  retained  once per run, after the header read
//   P/ID/record  QoS 1     a JSON array of the records of one batch of lines of the
//                          recording after the notes header, one element per line
// RUN is the run's start time as YYYYMMDDThhmmss, "-" and the device id.

// Letters, digits, "-" and "_" only.
bool validDeviceId(const QString &id);
// The run id of `device` for a run started at `start` (local time).
QString runId(const QDateTime &start, const QString &device);
// A run id of the form runId() gives, for that device.
bool validRunId(const QString &run, const QString &device);

enum class Topic { Status, Header, Record };
QString topic(const QString &prefix, const QString &device, Topic which);

// ISO-8601 with the offset from UTC.
QString isoTime(const QDateTime &time);

QByteArray statusPayload(const QString &state, const QString &run, const QDateTime &since);
// Appends `text` as a JSON string.
void appendJsonString(QByteArray &out, const QString &text);

// What the collector needs of a header and a record; nothing for a payload
// that is not one.
struct HeaderMessage
{
    QString run;
    QByteArray preamble;
};
std::optional<HeaderMessage> parseHeader(const QByteArray &payload);

struct RecordMessage
{
    QString run;
    quint64 seq = 0;
    QByteArray raw;
    bool complete = true;
};
// The records of a record message: a JSON array of records, or one record
// object alone as recorders up to 2.1.0 sent them. Nothing for a payload that
// is neither, or an empty array; an element that is no record is left out
// and counted in `refused`.
struct RecordMessages
{
    std::vector<RecordMessage> records;
    std::size_t refused = 0;
};
std::optional<RecordMessages> parseRecords(const QByteArray &payload);

} // namespace zkd::mqtt
