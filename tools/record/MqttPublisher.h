#pragma once

#include "MqttClient.h"
#include "MqttPayloads.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace zkd::record {

// Publishes a run to the broker while it is recorded: the retained status
// and header, and the lines of the recording after the notes header in
// record messages, one per batch. The working file is the durable record;
// the broker gets it as far as it is reachable. Messages wait in order until
// the broker acknowledges them; after a lost connection every message after
// the last acknowledged one is sent again, in order and with the payload it
// had, so a subscriber sees each line at least once, always with the same
// seq, and drops repeats by (run, seq).
//
// Lines wait for the header read, so that the header reaches subscribers
// before the run's first line and every line's overflow marks use the full
// scales the header gives.
class MqttPublisher : public QObject
{
    Q_OBJECT

public:
    struct Config
    {
        mqtt::MqttServer server;
        QString prefix;
        QString device;
    };

    static constexpr std::chrono::milliseconds kExitGrace{10000};
    // Lines leave in batches, each batch one record message: when a line
    // comes this long after the last batch, or at the latest kLongestHold
    // after the first line of a batch. Each batch costs both threads a
    // wake-up, and the broker one message.
    static constexpr std::chrono::milliseconds kBatchInterval{100};
    static constexpr std::chrono::milliseconds kLongestHold{200};
    // A batch ends after this many lines, so that lines held for the header
    // read, or a slow connection, make no message of hundreds of kilobytes.
    static constexpr std::size_t kMostLinesPerMessage = 500;

    // Warnings go to `print`, one line each.
    MqttPublisher(Config config, std::function<void(const QString &)> print, QObject *parent = nullptr);
    ~MqttPublisher() override;
    MqttPublisher(const MqttPublisher &) = delete;
    MqttPublisher &operator=(const MqttPublisher &) = delete;

    // Connects and publishes the status "recording" for a run started now.
    void startRun(const QString &notes);
    // What the working file received; the first bytes of a run begin with
    // the notes header `preamble`.
    void addFileBytes(const QByteArray &bytes, const QByteArray &preamble);
    void headerRead(const QString &inp1, const QString &inp2, const QString &sr1, const QString &sr2,
                    const std::optional<QString> &pri, std::int16_t scaleMax1, std::int16_t scaleMax2);
    // Publishes a line the run ended in, and the status "idle"; then waits up
    // to kExitGrace for the broker to acknowledge everything. `publishLines`
    // false drops lines still waiting for a header that never came.
    void finish(bool publishLines);

    QString run() const { return m_run; }

signals:
    // After finish(): how many lines the broker never acknowledged.
    void finished(quint64 unpublishedLines);

private:
    struct Message
    {
        QByteArray topic;
        QByteArray payload;
        bool retain = false;
        std::size_t lines = 0; // of a record message
        bool acknowledged = false;
    };

    // A status or header; the lines before it leave first.
    void enqueue(QByteArray topic, QByteArray payload);
    void enqueue(Message message);
    void queueLine(const QByteArray &raw, bool complete);
    // The batch of lines becomes a record message.
    void closeBatch();
    void send(quint64 index);
    // Closes the batch and hands what send() gathered to the connection, one
    // hand-over for all.
    void flush();
    // flush() if the last one is kBatchInterval ago; else within kLongestHold.
    void flushSoon();
    void onConnected();
    void onConnectionFailed(const QString &reason);
    void onAcknowledged(const std::vector<quint64> &indexes);
    void checkFinished();
    void done();
    quint64 unacknowledgedLines() const;

    Config m_config;
    std::function<void(const QString &)> m_print;
    std::unique_ptr<mqtt::MqttClient> m_client;
    QString m_run;
    QByteArray m_statusTopic;
    QByteArray m_headerTopic;
    QByteArray m_recordTopic;
    QDateTime m_start;
    QString m_notes;
    bool m_preambleSeen = false;
    QByteArray m_preamble;
    QByteArray m_pending; // file bytes of the line not yet complete
    std::vector<QByteArray> m_heldLines;
    bool m_headerRead = false;
    std::int16_t m_scaleMax1 = 0;
    std::int16_t m_scaleMax2 = 0;
    quint64 m_seq = 0;
    mqtt::RecordBatch m_batch; // lines not yet in a record message

    // Not yet acknowledged, in order; m_firstIndex numbers the front. A
    // message's index is its tag on the connection.
    std::deque<Message> m_queue;
    quint64 m_firstIndex = 0;
    std::vector<mqtt::MqttClient::Message> m_outgoing; // for the next flush()
    QElapsedTimer m_sinceFlush;
    QTimer m_flushTimer;
    bool m_connected = false;
    QString m_lastWarning;

    bool m_finishing = false;
    bool m_done = false;
    QTimer m_grace;
};

} // namespace zkd::record
