#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zkd::mqtt {

// The topics and payloads of a publishing recorder, as its collector and any
// other subscriber read them:
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

// The payload of one record message: the records of a batch of lines, in
// the order of their seq, as a JSON array; each element is one line of the
// recording, as written to the file without its CR LF. A last line the run
// ended in the middle of has no line end (`complete` false). The values are
// read from the line against the full scales.
class RecordBatch
{
public:
    void add(const QString &run, quint64 seq, const QByteArray &raw, bool complete, std::int16_t scaleMax1,
             std::int16_t scaleMax2);
    // How many records the batch holds.
    std::size_t size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    // The payload, "[" the records "]"; the batch is empty after it.
    QByteArray take();

private:
    // Built in a buffer that keeps its room from batch to batch, and copied
    // once per batch: far fewer allocations than growing a QByteArray piece
    // by piece (well over a thousand lines a second at the fastest rate).
    std::string m_out;
    std::size_t m_size = 0;
    // What every record of the run begins with, up to its seq.
    QString m_startRun;
    std::string m_start;
};

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
