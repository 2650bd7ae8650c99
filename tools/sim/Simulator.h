#pragma once

#include "ByteLog.h"
#include "GarbageGenerator.h"
#include "RecordGenerator.h"
#include "SimOptions.h"
#include "Transmitter.h"
#include "Waveform.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

namespace zkd::sim {

class Line;

// The instrument: waits for the start byte 2, then sends its header and one
// record line per interval until the stop byte 3 (or the configured number of
// records) ends the transmission. Every other received byte is ignored.
class Simulator : public QObject
{
    Q_OBJECT

public:
    static constexpr char kStartByte = 2;
    static constexpr char kStopByte = 3;
    // Factor on the full scale for a reading forced beyond it by --overflow.
    static constexpr double kOverflowFactor = 1.1;
    // With --interval 0 and nobody on the line, records are made this often.
    static constexpr std::chrono::milliseconds kNoReaderRecheck{100};
    static constexpr std::chrono::milliseconds kExitPoll{20};
    // Before exiting after a stop the simulator waits for the other side to
    // read what was sent, but no longer than this...
    static constexpr std::chrono::milliseconds kMaxExitWait{2000};
    // ...and this long when the line cannot tell what is still unread.
    static constexpr std::chrono::milliseconds kBlindExitWait{300};

    Simulator(const SimOptions &options, Line &line, QObject *parent = nullptr);

    // Opens the logs and reads the replay file; the error text when that fails.
    std::optional<QString> prepare();

signals:
    void finished(int exitCode);

private:
    enum class State {
        Stopped,
        Running,
        // Nothing more is produced; the transmission stops once the queued
        // bytes have been written.
        Finishing,
    };

    void onReceived(const QByteArray &bytes);
    void onTransmitted(const QByteArray &bytes);
    void onUntransmitted(qint64 count);
    void onUnreadDiscarded(qint64 count);
    void onDrained();
    void onRecordDue();
    void onExitPoll();
    void start();
    void stop();
    void finishTransmission();
    void afterStop();
    void scheduleNext();
    void produce();
    QByteArray nextRecord();
    double recordTime() const;
    QString modeText() const;
    void status(const QString &text) const;

    const SimOptions m_options;
    Line &m_line;
    const quint32 m_seed;
    Transmitter m_transmitter;
    RecordGenerator m_generator;
    Waveform m_wave1;
    Waveform m_wave2;
    GarbageGenerator m_garbage;
    ByteLog m_sentLog;
    ByteLog m_receivedLog;
    QByteArray m_replay;

    State m_state = State::Stopped;
    qint64 m_produced = 0;
    qint64 m_bytesThisRun = 0;
    bool m_waitingForDrain = false;
    bool m_exiting = false;
    int m_emptyPolls = 0;
    QElapsedTimer m_runClock;
    QElapsedTimer m_exitClock;
    QTimer m_recordTimer;
    QTimer m_exitPoll;
};

} // namespace zkd::sim
