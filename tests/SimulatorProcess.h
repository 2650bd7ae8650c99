#pragma once

#include "TestFiles.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QtTest>

namespace zkd::test {

// One of the programs of this build, by its name.
inline QString binary(const char *name)
{
    return QDir(QStringLiteral(ZKD_BIN_DIR)).filePath(QString::fromLatin1(name));
}

// The instrument simulator on a pseudo-terminal of its own, linked into a
// folder as `name`, logging what it sent and what it received beside the link.
class Simulator
{
public:
    static constexpr int kStartupMs = 10000;

    Simulator(const QString &folder, const QString &name = QStringLiteral("ttyZKD735"))
        : link(QDir(folder).filePath(name)), m_sentLog(link + QStringLiteral(".sent")),
          m_receivedLog(link + QStringLiteral(".received"))
    {}
    ~Simulator() { stop(); }

    // Starts it with `options` and waits until the link exists.
    bool start(const QStringList &options)
    {
        m_process.setProgram(binary("zkd735-sim"));
        m_process.setArguments(options
                               + QStringList{QStringLiteral("--link"), link, QStringLiteral("--log-sent"), m_sentLog,
                                             QStringLiteral("--log-received"), m_receivedLog});
        m_process.start();
        if (!m_process.waitForStarted(kStartupMs))
            return false;
        QDeadlineTimer deadline(kStartupMs);
        while (!QFileInfo(link).isSymLink() && !deadline.hasExpired())
            QTest::qWait(10);
        return QFileInfo(link).isSymLink();
    }
    // The simulator takes back from its log of sent bytes what the reader
    // left unread when it closed the line; the log is final after that.
    bool waitUntilReaderGone()
    {
        QDeadlineTimer deadline(kStartupMs);
        while (!m_status.contains("the other side closed the line") && !deadline.hasExpired()) {
            m_process.waitForReadyRead(50);
            m_status += m_process.readAllStandardError();
        }
        return m_status.contains("the other side closed the line");
    }
    // SIGTERM: the simulator leaves through its clean-up, its logs complete.
    // False when it had to be killed.
    bool stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return true;
        m_process.terminate();
        const bool ended = m_process.waitForFinished(kStartupMs);
        if (!ended)
            m_process.kill();
        m_process.waitForFinished();
        return ended;
    }
    // The line goes dead the way an unplugged adapter does.
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    QByteArray sent() const { return readFile(m_sentLog); }
    QByteArray received() const { return readFile(m_receivedLog); }

    const QString link;

private:
    QString m_sentLog;
    QString m_receivedLog;
    QProcess m_process;
    QByteArray m_status;
};

} // namespace zkd::test
