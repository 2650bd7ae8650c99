#include "Recorder.h"

#include "sensor/SensorSelection.h"
#include "util/Clock.h"
#include "util/Texts.h"

#include <QDir>

#include <algorithm>
#include <limits>

namespace zkd::record {
namespace {

// Long enough for one byte at the slowest line the instrument offers.
constexpr int kStopByteDrainMs = 500;
// QTimer counts in int milliseconds; a longer duration is waited for in steps.
constexpr qint64 kLongestTimerStepMs = std::numeric_limits<int>::max() / 2;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

Recorder::Recorder(Config config, const IClock &clock, std::FILE *messages, QObject *parent)
    : QObject(parent), m_config(std::move(config)), m_clock(clock), m_messages(messages),
      m_counter(m_run.pipeline(), m_config.records), m_status(messages)
{
    connect(&m_run.headerTimer(), &QTimer::timeout, this, [this] {
        if (!readHeader())
            end(ExitCode::Header, QString());
    });
    m_durationTimer.setSingleShot(true);
    m_durationTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_durationTimer, &QTimer::timeout, this, &Recorder::onDurationTick);
    // A precise timer never fires early, so the line changes at most four times a second.
    m_statusTimer.setTimerType(Qt::PreciseTimer);
    m_statusTimer.setInterval(kStatusPeriod);
    connect(&m_statusTimer, &QTimer::timeout, this, &Recorder::refreshStatus);
    connect(&m_run.comm(), &MSComm1::OnComm, this, &Recorder::onComm);
    // A failed write ends the run; while it ends, it becomes the run's outcome there.
    m_run.setWriteFailureHandler([this](const QString &errorText) {
        const QString error =
            QStringLiteral("cannot write the working file %1: %2").arg(native(m_run.workFile().path()), errorText);
        if (m_ended)
            m_lateError = error;
        else
            end(ExitCode::File, error);
        return false;
    });
}

Recorder::~Recorder() = default;

void Recorder::start()
{
    const QString workPath = workFilePath(m_config.folder);
    const WorkFile::ResetResult reset = m_run.resetWorkFile(workPath);
    if (reset.outcome != WorkFile::ResetResult::Outcome::Opened) {
        end(ExitCode::File,
            QStringLiteral("cannot prepare the working file %1: %2").arg(native(workPath), reset.errorText));
        return;
    }
    if (!reset.backupError.isEmpty())
        print(QStringLiteral("warning: %1").arg(reset.backupError));
    else if (!reset.backupPath.isEmpty() && !m_config.quiet)
        print(QStringLiteral("the previous recording was kept as %1").arg(native(reset.backupPath)));

    // The check box that turns tabs into ";" is built ticked and nothing changes it.
    RecordPipeline &pipeline = m_run.pipeline();
    pipeline.setCheck1(true);
    pipeline.setLanguage(m_config.language);
    pipeline.setNotesHeaderSource([this] {
        m_notesHeader = RecordPipeline::notesHeader(m_config.language, m_clock.timeText(), m_clock.shortDate(),
                                                    m_config.notes);
        return m_notesHeader;
    });

    MSComm1 &comm = m_run.comm();
    comm.setPortName(m_config.port);
    if (!comm.setSettings(m_config.serialSettings)) {
        end(ExitCode::Usage, QStringLiteral("the line settings \"%1\" are not valid").arg(m_config.serialSettings));
        return;
    }
    if (const auto error = comm.setPortOpen(true)) {
        end(ExitCode::Port, QStringLiteral("cannot open the port %1").arg(*error));
        return;
    }
    m_running = true;
    emit started();
    m_run.begin();
    m_run.startHeaderTimer();
    if (m_config.duration) {
        m_deadline.setRemainingTime(*m_config.duration, Qt::PreciseTimer);
        onDurationTick();
    }
    if (!m_config.quiet) {
        refreshStatus();
        m_statusTimer.start();
    }
}

QString Recorder::workFilePath(const QString &folder)
{
    return QDir(folder).filePath(str(texts::WorkFileName));
}

void Recorder::stop()
{
    end(ExitCode::Ok, QString());
}

void Recorder::onDurationTick()
{
    if (m_deadline.hasExpired()) {
        end(ExitCode::Ok, QString());
        return;
    }
    m_durationTimer.start(static_cast<int>(std::min(m_deadline.remainingTime(), kLongestTimerStepMs)));
}

void Recorder::onComm()
{
    const CommEventCode event = m_run.comm().CommEvent();
    if (event == CommEventCode::Receive) {
        onReceived(m_run.comm().ReadAvailable());
        return;
    }
    if (event == CommEventCode::DeviceLost) {
        end(ExitCode::Port, QStringLiteral("the device %1 vanished during the run").arg(native(m_config.port)));
        return;
    }
    // The window offers to close the port here; the recorder reports and goes on.
    if (const auto message = commEventMessage(event))
        print(QStringLiteral("warning: %1 on %2").arg(*message, native(m_config.port)));
}

void Recorder::onReceived(const QByteArray &bytes)
{
    if (!m_running)
        return;
    const BatchResult result = m_run.process(bytes);
    // A write that failed has ended the run (or will be its outcome).
    if (!m_run.workFile().isOpen())
        return;
    if (!result.fileBytes.isEmpty()) {
        m_bytesRecorded += result.fileBytes.size();
        emit written(result.fileBytes);
    }
    if (m_counter.limitReached())
        end(ExitCode::Ok, QString());
}

bool Recorder::readHeader()
{
    m_headerRead = true;
    m_run.headerTimer().stop();
    QString refusedLink;
    const HeaderScan::Result scan = m_run.readHeader(QString(), m_config.folder, QString(), HeaderScan::Lines{},
                                                     &refusedLink);
    if (!refusedLink.isEmpty())
        print(QStringLiteral("warning: %1 is a symbolic link; nothing was written through it, the header is read "
                             "from the working file")
                  .arg(native(refusedLink)));
    m_header = scan.lines;
    if (!scan.headerArrived)
        return false;
    // A fresh program starts with both full scales at 0; an unknown code keeps that.
    const SensorSelection::Result selection = m_run.selectSensors(m_header.sr1Line, m_header.sr2Line, {});
    emit headerRead(m_header, scan.label11Caption, selection.state.input1.scaleMax, selection.state.input2.scaleMax);
    return true;
}

void Recorder::end(ExitCode code, QString message)
{
    if (m_ended)
        return;
    m_ended = true;
    m_durationTimer.stop();
    m_statusTimer.stop();

    const bool wasRunning = m_running;
    // Bytes the line has already delivered belong to the run.
    if (wasRunning && code == ExitCode::Ok && !m_counter.limitReached() && m_run.comm().PortOpen()) {
        m_run.collectPending();
        if (!m_lateError.isEmpty()) {
            code = ExitCode::File;
            message = m_lateError;
        }
    }
    if (wasRunning && !m_headerRead && !readHeader() && code == ExitCode::Ok)
        code = ExitCode::Header;
    if (code == ExitCode::Header)
        message = QStringLiteral("no instrument header (INP1 line) arrived from %1").arg(native(m_config.port));
    m_run.headerTimer().stop();
    m_run.end(kStopByteDrainMs);
    m_running = false;

    // The last figures, unless the line changed less than a period ago.
    if (!m_config.quiet && wasRunning && m_sinceStatus.elapsed() >= kStatusPeriod.count())
        refreshStatus();
    m_status.finish();

    // A run that ended early because the device vanished is still worth keeping.
    const bool keep = wasRunning && (code == ExitCode::Ok || code == ExitCode::Port);
    if (keep && !m_config.out.isEmpty()) {
        const QString error = saveRecording();
        if (!error.isEmpty()) {
            if (code == ExitCode::Ok) {
                code = ExitCode::File;
                message = error;
            } else {
                message += QStringLiteral("; ") + error;
            }
        }
    }
    m_run.closeWorkFile();

    if (code != ExitCode::Ok) {
        print(message);
    } else if (!m_config.quiet) {
        const QString where = m_savedPath.isEmpty() ? native(m_run.workFile().path()) : native(m_savedPath);
        print(QStringLiteral("%1 records, %2 bytes recorded in %3")
                  .arg(m_counter.records())
                  .arg(m_bytesRecorded)
                  .arg(where));
    }
    emit finished(toInt(code));
}

QString Recorder::saveRecording()
{
    const QString chosen = native(m_config.out);
    const WorkFile::SaveResult result = m_run.saveWorkFile(chosen);
    switch (result.outcome) {
    case WorkFile::SaveResult::Outcome::CopyFailed:
        return QStringLiteral("cannot save the recording as %1: %2; it stays in %3")
            .arg(native(result.savedPath), result.errorText, native(m_run.workFile().path()));
    case WorkFile::SaveResult::Outcome::Saved:
    case WorkFile::SaveResult::Outcome::DeleteFailed:
    case WorkFile::SaveResult::Outcome::ReopenFailed:
        // The copy is complete; what failed after it concerns only the next
        // run's working file, which the next start prepares anew.
        break;
    }
    m_savedPath = result.savedPath;
    return QString();
}

void Recorder::refreshStatus()
{
    m_sinceStatus.start();
    const RecordDisplay &display = m_run.pipeline().display();
    StatusFigures figures;
    figures.records = m_counter.records();
    figures.time = display.value(RecordLine::Value::Time);
    figures.act1 = display.value(RecordLine::Value::Act1);
    figures.act2 = display.value(RecordLine::Value::Act2);
    figures.unit1 = HeaderScan::graphUnit(m_header.inp1Line);
    figures.unit2 = HeaderScan::graphUnit(m_header.inp2Line);
    figures.overflow1 = display.overflow1;
    figures.overflow2 = display.overflow2;
    m_status.show(StatusLine::format(figures));
}

void Recorder::print(const QString &line)
{
    m_status.finish();
    std::fprintf(m_messages, "zkd735-record: %s\n", line.toLocal8Bit().constData());
    std::fflush(m_messages);
}

} // namespace zkd::record
