#pragma once

#include "ExitCode.h"
#include "RecordCounter.h"
#include "StatusLine.h"

#include "sensor/HeaderScan.h"
#include "serial/RecordingRun.h"
#include "util/Language.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <optional>

namespace zkd {
class IClock;
}

namespace zkd::record {

// One measurement run without a window, recorded the way the main window
// records it: the working file Senso.scx is prepared as at the window's
// start-up (a leftover is kept as Senso.bak), the start byte 2 is sent, every
// received byte goes through the record pipeline with the notes header in
// place of the run's first chunk, and 1500 ms after the start the header is
// read from the snapshot senso.scy and the sensor selection sets the full
// scales for the overflow marks. The run ends with the stop byte 3 and the
// port closed; the working file is then saved under the --out name.
//
// Every run has its header read before it ends: an end that comes earlier
// (a signal, a short duration, the record count reached) reads it at once.
class Recorder : public QObject
{
    Q_OBJECT

public:
    struct Config
    {
        QString port;
        QString serialSettings = QStringLiteral("2400,n,8,1");
        Language language;
        QString notes; // CR LF line ends, as written
        QString out;   // save name; empty: the run stays in Senso.scx
        std::optional<std::chrono::milliseconds> duration;
        std::optional<quint64> records;
        bool quiet = false;
        QString folder; // holds Senso.scx, Senso.bak and senso.scy
    };

    static constexpr std::chrono::milliseconds kHeaderDelay = RecordingRun::kHeaderDelay;
    static constexpr std::chrono::milliseconds kStatusPeriod{250};

    // Messages (errors, warnings, the status line, the summary) go to `messages`.
    Recorder(Config config, const IClock &clock, std::FILE *messages, QObject *parent = nullptr);
    ~Recorder() override;
    Recorder(const Recorder &) = delete;
    Recorder &operator=(const Recorder &) = delete;

    // Prepares the working file, opens the port and sends the start byte.
    void start();
    // Ends the run normally, as a signal asks.
    void stop();

    // A message line on the messages stream, below the status line.
    void message(const QString &line) { print(line); }
    // The notes header the run's file began with; empty before the first bytes.
    const QString &notesHeader() const { return m_notesHeader; }

    // The working file of a run recorded in `folder`.
    static QString workFilePath(const QString &folder);
    // Where the run was saved; empty before, or when it stays in the working file.
    const QString &savedPath() const { return m_savedPath; }

    quint64 records() const { return m_counter.records(); }
    qint64 bytesRecorded() const { return m_bytesRecorded; }

signals:
    // The port is open and the start byte sent.
    void started();
    // The working file received these bytes.
    void written(const QByteArray &fileBytes);
    // The header read found the instrument's header; the full scales come from its sensor codes.
    void headerRead(const zkd::HeaderScan::Lines &lines, const std::optional<QString> &priLine, std::int16_t scaleMax1,
                    std::int16_t scaleMax2);
    // Emitted once, when the run has ended and everything is written.
    void finished(int exitCode);

private:
    void onComm();
    void onReceived(const QByteArray &bytes);
    void onDurationTick();
    // The header read; false when no INP1 line arrived.
    bool readHeader();
    void end(ExitCode code, QString message);
    // Saves the working file under the --out name; the error text, empty on success.
    QString saveRecording();
    void refreshStatus();
    void print(const QString &line);

    Config m_config;
    const IClock &m_clock;
    std::FILE *m_messages;
    RecordingRun m_run;
    RecordCounter m_counter;
    StatusLine m_status;
    QTimer m_durationTimer;
    QTimer m_statusTimer;
    QDeadlineTimer m_deadline;
    QElapsedTimer m_sinceStatus;
    HeaderScan::Lines m_header;
    QString m_savedPath;
    QString m_notesHeader;
    QString m_lateError; // a write that failed while the run was ending
    qint64 m_bytesRecorded = 0;
    bool m_running = false;
    bool m_headerRead = false;
    bool m_ended = false;
};

} // namespace zkd::record
