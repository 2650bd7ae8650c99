#pragma once

#include "MqttClient.h"
#include "MqttPayloads.h"
#include "PublishState.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace zkd::record {

// Publishes a run to the broker while it is recorded: the retained status
// and header, and the lines of the recording after the notes header in
// record messages of up to kMostLinesPerMessage lines. The working file is
// the durable record and the only store of lines: they are read back from
// it, so memory holds no more than the messages in flight (kWindow). How far
// the broker has acknowledged each run is kept in a state file beside the
// working file (PublishState), so that a recorder started again after a
// crash, a kill or an exit with the broker away publishes the rest of the
// earlier run first, from the file that now holds it (the saved file, or the
// backup the start-up kept the leftover as), with the seqs it had.
//
// After a lost connection every message after the last acknowledged one is
// sent again, in order and with the payload it had, so a subscriber sees
// each line at least once, always with the same seq, and drops repeats by
// (run, seq). Lines wait for the header read, so that the header reaches
// subscribers before the run's first line and every line's overflow marks
// use the full scales the header gives.
class MqttPublisher : public QObject
{
    Q_OBJECT

public:
    struct Config
    {
        mqtt::MqttServer server;
        QString prefix;
        QString device;
        QString workFile; // the working file; the state file is kept beside it
    };

    static constexpr std::chrono::milliseconds kExitGrace{10000};
    // Lines of a run that keeps up leave in a message when this long has
    // passed since the first of them was written: each message costs both
    // threads a wake-up, and the broker one message.
    static constexpr std::chrono::milliseconds kBatchInterval{100};
    static constexpr std::size_t kMostLinesPerMessage = 500;
    // Messages sent and not yet acknowledged, at most: what memory holds of
    // the lines however long the broker is away.
    static constexpr std::size_t kWindow = 16;
    // The state file is written at most this often while the broker acknowledges.
    static constexpr std::chrono::milliseconds kStatePeriod{250};

    // Warnings go to `print`, one line each.
    MqttPublisher(Config config, std::function<void(const QString &)> print, QObject *parent = nullptr);
    ~MqttPublisher() override;
    MqttPublisher(const MqttPublisher &) = delete;
    MqttPublisher &operator=(const MqttPublisher &) = delete;

    // Connects, publishes the status "recording" for a run started now, and
    // takes up the runs the state file names as not seen through.
    void startRun(const QString &notes);
    // The working file has grown.
    void fileWritten();
    // The run's lines are published from here on; `preamble` is the notes
    // header its file begins with.
    void headerRead(const QString &inp1, const QString &inp2, const QString &sr1, const QString &sr2,
                    const std::optional<QString> &pri, std::int16_t scaleMax1, std::int16_t scaleMax2,
                    const QByteArray &preamble);
    // The run has ended and its file is closed, saved as `savedPath` (empty:
    // it stays in the working file). Publishes the rest of it, a line it
    // ended in included, and the status "idle"; then waits up to kExitGrace
    // for the broker to acknowledge everything. What is not acknowledged
    // then stays in the state file for the next start.
    void finish(const QString &savedPath);

    QString run() const { return m_run; }

signals:
    // After finish(): how many lines the broker never acknowledged.
    void finished(quint64 unpublishedLines);

private:
    // A run published from its file.
    struct Source
    {
        PublishedRun state; // seq and offset: acknowledged
        std::unique_ptr<QFile> file;
        bool headerQueued = false;
        quint64 nextSeq = 0;   // the last seq in a message
        qint64 nextOffset = 0; // after that line
        QByteArray before;     // the two bytes before nextOffset
        bool exhausted = false;
        bool abandoned = false; // its file changed under the publisher
    };

    struct Message
    {
        QByteArray topic;
        QByteArray payload;
        bool retain = false;
        QString run;         // of a header or record message
        bool header = false; // the run's header
        quint64 lastSeq = 0; // of a record message
        qint64 endOffset = 0;
        std::size_t lines = 0;
        bool acknowledged = false;
    };

    // Finds the file of a run the state names; false, with a warning, when none holds it.
    bool resume(PublishedRun state);
    // Puts messages into flight while the window has room: whole batches
    // only, unless `partial`.
    void fill(bool partial);
    // The next record message of `source`; false when it has no line to give.
    bool nextBatch(Source &source, bool partial);
    void enqueue(Message message);
    void send(quint64 index);
    void flush();
    void onConnected();
    void onConnectionFailed(const QString &reason);
    void onAcknowledged(const std::vector<quint64> &indexes);
    void saveStateSoon();
    void saveState();
    void checkFinished();
    void done();
    Source *source(const QString &run);

    Config m_config;
    std::function<void(const QString &)> m_print;
    QString m_statePath;
    std::unique_ptr<mqtt::MqttClient> m_client;
    QString m_run;
    QByteArray m_statusTopic;
    QByteArray m_headerTopic;
    QByteArray m_recordTopic;
    QDateTime m_start;
    QString m_notes;
    // Earlier runs first, the run of this start last (once its header is read).
    std::vector<Source> m_sources;
    bool m_idlePending = false; // the status "idle", after the run's last record
    mqtt::RecordBatch m_batch;
    QByteArray m_readBuffer;

    // Not yet acknowledged, in order; m_firstIndex numbers the front. A
    // message's index is its tag on the connection.
    std::deque<Message> m_queue;
    quint64 m_firstIndex = 0;
    std::vector<mqtt::MqttClient::Message> m_outgoing; // for the next flush()
    QTimer m_batchTimer;
    bool m_connected = false;
    QString m_lastWarning;
    QTimer m_stateTimer;
    bool m_stateDirty = false;
    QString m_stateError;

    bool m_finishing = false;
    bool m_done = false;
    QTimer m_grace;
};

} // namespace zkd::record
