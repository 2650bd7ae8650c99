#include "serial/RecordingRun.h"

#ifdef Q_OS_UNIX
#include <termios.h>
#endif

namespace zkd {

RecordingRun::RecordingRun(QObject *parent) : QObject(parent), m_workFile(m_fileNumbers)
{
    // A child of the run, so it is found among its owner's children.
    m_headerTimer.setParent(this);
    m_headerTimer.setInterval(kHeaderDelay);
    m_headerTimer.setSingleShot(true);
    m_headerTimer.setTimerType(Qt::PreciseTimer);
    m_comm.setReadPacing(kBusyLineReadPeriod);
}

RecordingRun::~RecordingRun() = default;

WorkFile::ResetResult RecordingRun::resetWorkFile(const QString &path, WorkFile::Leftover rule)
{
    WorkFile::ResetResult result = m_workFile.reset(path, rule);
    m_pipeline.setFileOpen(m_workFile.isOpen());
    return result;
}

bool RecordingRun::reopenWorkFile(const QString &path)
{
    if (!m_workFile.isOpen())
        m_workFile.openAppend(path);
    m_pipeline.setFileOpen(m_workFile.isOpen());
    return m_workFile.isOpen();
}

void RecordingRun::closeWorkFile()
{
    m_workFile.close();
    m_pipeline.setFileOpen(false);
}

WorkFile::SaveResult RecordingRun::saveWorkFile(const QString &chosenName)
{
    collectPending();
    closeWorkFile();
    WorkFile::SaveResult result = m_workFile.saveAs(chosenName);
    m_pipeline.setFileOpen(m_workFile.isOpen());
    return result;
}

void RecordingRun::collectPending()
{
    if (m_comm.PortOpen())
        m_comm.collectPending();
}

void RecordingRun::sendStopByte()
{
    m_comm.Output(QByteArray(1, kStopByte));
}

void RecordingRun::begin()
{
    m_comm.Output(QByteArray(1, kStartByte));
    m_pipeline.setHeaderPending(true);
}

void RecordingRun::end(int drainMs)
{
    if (!m_comm.PortOpen())
        return;
    sendStopByte();
    if (m_comm.OutBufferCount() > 0)
        m_comm.waitForBytesWritten(drainMs);
#ifdef Q_OS_UNIX
    // Out of our buffer is not yet on the line: wait until it has been sent.
    ::tcdrain(static_cast<int>(m_comm.port()->handle()));
#endif
    m_comm.setPortOpen(false);
}

BatchResult RecordingRun::process(const QByteArray &bytes)
{
    BatchResult result = read(bytes);
    record(result);
    return result;
}

BatchResult RecordingRun::read(const QByteArray &bytes)
{
    BatchResult result;
    m_pipeline.process(QByteArrayView(bytes), result);
    return result;
}

bool RecordingRun::record(const BatchResult &result)
{
    if (result.fileBytes.isEmpty() || !m_workFile.isOpen())
        return true;
    while (!m_workFile.write(result.fileBytes)) {
        const QString error = m_workFile.errorText();
        if (!m_writeFailure || !m_writeFailure(error)) {
            closeWorkFile();
            return false;
        }
        // The handler may have closed the file itself.
        if (!m_workFile.isOpen())
            return false;
    }
    if (result.lineCompleted)
        m_workFile.flush();
    return true;
}

HeaderScan::Result RecordingRun::readHeader(const QString &workFilePath, const QString &snapshotFolder,
                                            const QString &lineBuffer, const HeaderScan::Lines &before,
                                            QString *refusedLink) const
{
    const QByteArray snapshot = HeaderScan::takeSnapshot(workFilePath.isEmpty() ? m_workFile.path() : workFilePath,
                                                         snapshotFolder, refusedLink);
    return HeaderScan::scan(snapshot, lineBuffer, before);
}

SensorSelection::Result RecordingRun::selectSensors(const QString &sr1Line, const QString &sr2Line,
                                                    const SensorSelection::State &before)
{
    SensorSelection::Result result = SensorSelection::select(sr1Line, sr2Line, before);
    m_pipeline.setScaleMax(result.state.input1.scaleMax, result.state.input2.scaleMax);
    return result;
}

} // namespace zkd
