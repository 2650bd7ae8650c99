#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace zkd::mqtt {

// The topics and payloads of a publishing recorder, as its collector and any
// other subscriber read them:
//   P/ID/status  retained  {"state", "run", "since"}
//   P/ID/header  retained  once per run, after the header read
//   P/ID/record  QoS 1     one message per line of the recording after the notes header
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

// What the header read found, and what the run's file begins with.
struct RunHeader
{
    QString run;
    QDateTime start;
    QString inp1Line;
    QString inp2Line;
    QString sr1Line;
    QString sr2Line;
    std::optional<QString> priLine;
    std::int16_t scaleMax1 = 0;
    std::int16_t scaleMax2 = 0;
    QString notes;       // CR LF line ends
    QByteArray preamble; // the notes header bytes, exactly as the file begins
};

QByteArray headerPayload(const RunHeader &header);

// One line of the recording, as written to the file without its CR LF. A
// last line the run ended in the middle of has no line end (`complete`
// false). The values are read from the line against the full scales.
QByteArray recordPayload(const QString &run, quint64 seq, const QByteArray &raw, bool complete, std::int16_t scaleMax1,
                         std::int16_t scaleMax2);

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
std::optional<RecordMessage> parseRecord(const QByteArray &payload);

} // namespace zkd::mqtt
