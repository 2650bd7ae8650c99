#pragma once

#include "MqttMessages.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace zkd::mqtt {

// The payloads a publishing recorder builds: the header and the records,
// read with the core's sensor and line rules (RecordLine, SensorSelection).

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

} // namespace zkd::mqtt
