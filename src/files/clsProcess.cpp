#include "files/clsProcess.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <vector>

namespace zkd {
namespace {

// Starting a program normally takes milliseconds; the limit only keeps a
// hung start from freezing the window.
constexpr int kStartTimeoutMs = 5000;
constexpr int kKillTimeoutMs = 1000;

bool containsFolderSeparator(const QString &name)
{
    return name.contains(u'/') || name.contains(QDir::separator());
}

} // namespace

clsProcess::clsProcess() = default;

clsProcess::~clsProcess()
{
    release();
}

void clsProcess::ProgramName(const QString &szName)
{
    m_program = szName;
}

void clsProcess::Arguments(const QString &szArg)
{
    m_arguments = szArg;
}

QString clsProcess::resolveProgram(const QString &name)
{
    if (name.isEmpty())
        return QString();
    if (containsFolderSeparator(name)) {
        const QFileInfo info(name);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(name);
}

bool clsProcess::programExists(const QString &name)
{
    return !resolveProgram(name).isEmpty();
}

void clsProcess::Exec()
{
    release();
    m_startFailed = false;
    m_errorText.clear();

    const QString program = resolveProgram(m_program);
    if (program.isEmpty()) {
        m_startFailed = true;
        m_errorText = QStringLiteral("Program not found: %1").arg(m_program);
        return;
    }

    m_process = std::make_unique<QProcess>();
    // The program shares the recorder's console and gets no input, as a
    // program started from the desktop would; nothing piles up in pipes.
    m_process->setProcessChannelMode(QProcess::ForwardedChannels);
    m_process->setStandardInputFile(QProcess::nullDevice());

    QStringList arguments;
    if (!m_arguments.isEmpty())
        arguments << m_arguments;
    m_process->start(program, arguments);
    if (!m_process->waitForStarted(kStartTimeoutMs)) {
        m_startFailed = true;
        m_errorText = m_process->errorString();
        release();
    }
}

bool clsProcess::IsTerminated()
{
    if (!m_process)
        return true;
    if (m_process->state() != QProcess::NotRunning && !m_process->waitForFinished(kPollMs)
        && m_process->state() != QProcess::NotRunning) {
        return false;
    }
    release();
    return true;
}

void clsProcess::Detach()
{
    // QProcess ends a program it still runs when it is destroyed; kept until
    // the recorder exits, it leaves the program running. It has no pipes to
    // the recorder (forwarded channels, no input), so nothing blocks the
    // program once the recorder is gone.
    if (m_process && m_process->state() != QProcess::NotRunning) {
        // Never destroyed, but held: the program keeps what it let go of.
        static auto *const kept = new std::vector<QProcess *>;
        kept->push_back(m_process.release());
    }
    m_process.reset();
}

void clsProcess::release()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(kKillTimeoutMs);
    }
    m_process.reset();
}

} // namespace zkd
