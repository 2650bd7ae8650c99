#pragma once

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QtTest>

namespace zkd::test {

// Two linked pseudo-terminals made by socat: the recorder opens one end, the
// test (or the simulator) the other.
class SerialPair
{
public:
    explicit SerialPair(const QString &folder)
        : recorderEnd(QDir(folder).filePath(QStringLiteral("ttyRecorder"))),
          instrumentEnd(QDir(folder).filePath(QStringLiteral("ttyInstrument")))
    {
        m_socat.setProgram(QStringLiteral("socat"));
        m_socat.setArguments({QStringLiteral("pty,raw,echo=0,link=") + recorderEnd,
                              QStringLiteral("pty,raw,echo=0,link=") + instrumentEnd});
        m_socat.start();
        m_socat.waitForStarted(3000);
        for (int i = 0; i < 100 && !(QFileInfo::exists(recorderEnd) && QFileInfo::exists(instrumentEnd)); ++i)
            QTest::qWait(20);
    }
    ~SerialPair() { stop(); }

    bool ok() const { return QFileInfo::exists(recorderEnd) && QFileInfo::exists(instrumentEnd); }
    static bool available() { return !QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty(); }
    // Ends both sides, the way an unplugged adapter looks to the recorder.
    void stop()
    {
        if (m_socat.state() != QProcess::NotRunning) {
            m_socat.terminate();
            if (!m_socat.waitForFinished(3000))
                m_socat.kill();
            m_socat.waitForFinished(3000);
        }
    }

    const QString recorderEnd;
    const QString instrumentEnd;

private:
    QProcess m_socat;
};

} // namespace zkd::test
