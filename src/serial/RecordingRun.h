#pragma once

#include "files/FileNumbers.h"
#include "files/WorkFile.h"
#include "sensor/HeaderScan.h"
#include "sensor/SensorSelection.h"
#include "serial/MSComm1.h"
#include "serial/RecordPipeline.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>

namespace zkd {

// The moving parts of a measurement run and the steps they take, for the
// main window and the recorder without a window alike: the serial link, the
// record pipeline, the working file and the header timer.
//
// A run starts with the start byte 2 once the port is open; the bytes that
// arrive go through the pipeline, the notes header in place of the run's
// first chunk, into the working file, flushed at every completed line. 1500 ms
// after a Start or Stop the header timer runs out (headerDue) and the user
// of the run reads the instrument's header from the snapshot senso.scy; the
// sensor selection then sets the full scales that decide the overflow marks.
// A run ends with the stop byte 3 and the port closed.
//
// The run decides nothing its users show: what a failed write, a comm event
// or the header read mean to the user is theirs to say.
class RecordingRun : public QObject
{
    Q_OBJECT

public:
    static constexpr char kStartByte = 2;
    static constexpr char kStopByte = 3;
    static constexpr std::chrono::milliseconds kHeaderDelay{1500};

    explicit RecordingRun(QObject *parent = nullptr);
    ~RecordingRun() override;
    RecordingRun(const RecordingRun &) = delete;
    RecordingRun &operator=(const RecordingRun &) = delete;

    MSComm1 &comm() { return m_comm; }
    const MSComm1 &comm() const { return m_comm; }
    RecordPipeline &pipeline() { return m_pipeline; }
    const RecordPipeline &pipeline() const { return m_pipeline; }
    const WorkFile &workFile() const { return m_workFile; }
    WorkFile &workFile() { return m_workFile; }
    // Runs out kHeaderDelay after it is started, once.
    QTimer &headerTimer() { return m_headerTimer; }

    // ---- the working file; the pipeline writes to it exactly while it is open
    WorkFile::ResetResult resetWorkFile(const QString &path, WorkFile::Leftover rule = WorkFile::Leftover::Keep);
    bool reopenWorkFile(const QString &path);
    void closeWorkFile();
    // What the line has delivered is recorded first; then the working file is
    // closed and saved under `chosenName` (and reopened when that fails).
    WorkFile::SaveResult saveWorkFile(const QString &chosenName);

    // ---- the run's steps
    // Processes what the line has already delivered, while the port is open.
    void collectPending();
    void sendStopByte();
    // The port is open: the start byte goes out, and the first chunk that
    // arrives brings the notes header into the working file.
    void begin();
    void startHeaderTimer() { m_headerTimer.start(); }
    // The end without a window: the stop byte, sent to the line within
    // `drainMs`, then the port closed.
    void end(int drainMs);

    // Processes received bytes: the pipeline, then the working file, flushed
    // when a line completed. A write that fails asks the write-failure
    // handler whether to try again; without one, or when it says no, the
    // working file is closed.
    BatchResult process(const QByteArray &bytes);
    // The two halves of process: the pipeline, then the working file. False
    // when the bytes could not be written.
    BatchResult read(const QByteArray &bytes);
    bool record(const BatchResult &result);
    using WriteFailureHandler = std::function<bool(const QString &error)>;
    void setWriteFailureHandler(WriteFailureHandler handler) { m_writeFailure = std::move(handler); }

    // ---- the header read and the sensor selection
    // Reads the header from the snapshot of the working file (the run's own
    // when `workFilePath` is empty) taken in `snapshotFolder`, continuing from
    // `lineBuffer` and the lines read before; a symbolic link that was
    // refused lands in `refusedLink`.
    HeaderScan::Result readHeader(const QString &workFilePath, const QString &snapshotFolder, const QString &lineBuffer,
                                  const HeaderScan::Lines &before, QString *refusedLink) const;
    // Selects the sensors of two sensor-range lines; the overflow marks
    // follow the full scales chosen.
    SensorSelection::Result selectSensors(const QString &sr1Line, const QString &sr2Line,
                                          const SensorSelection::State &before);

private:
    FileNumbers m_fileNumbers;
    WorkFile m_workFile;
    MSComm1 m_comm;
    RecordPipeline m_pipeline;
    QTimer m_headerTimer;
    WriteFailureHandler m_writeFailure;
};

} // namespace zkd
