#include "app/SingleInstance.h"

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace zkd;

namespace {

bool serverAnswers()
{
    QLocalSocket socket;
    socket.connectToServer(SingleInstance::defaultKey());
    return socket.waitForConnected(200);
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void secondCopyBringsTheFirstForwardAndEnds()
    {
        if (serverAnswers())
            QSKIP("a recorder of this user is already running");
        // The program folder is the executable's: give it one of its own.
        QTemporaryDir programDir;
        QTemporaryDir firstDir;
        QTemporaryDir secondDir;
        const QString exe = programDir.filePath(QStringLiteral("ZKD735_DataRecorder"));
        QVERIFY(QFile::copy(QStringLiteral(ZKD_BIN_DIR "/ZKD735_DataRecorder"), exe));
        QFile::setPermissions(exe, QFile::ExeOwner | QFile::ReadOwner | QFile::WriteOwner);
        writeFile(programDir.filePath(QStringLiteral("scx.ini")),
                  "\r\n2\r\nEnglish\r\n 10 \r\n 0 \r\n\r\n\r\n0\r\nReady\r\n");
        writeFile(secondDir.filePath(QStringLiteral("Senso.scx")), "an earlier recording\r\n");

        QProcess first;
        first.setWorkingDirectory(firstDir.path());
        first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        first.start(exe, {});
        QVERIFY(first.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(serverAnswers(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(firstDir.filePath(QStringLiteral("Senso.scx"))), 5000);

        QProcess second;
        second.setWorkingDirectory(secondDir.path());
        second.start(exe, {});
        QVERIFY(second.waitForStarted(5000));
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        // It ended before touching any file: the leftover recording is as it was, no backup made.
        QFile leftover(secondDir.filePath(QStringLiteral("Senso.scx")));
        QVERIFY(leftover.open(QIODevice::ReadOnly));
        QCOMPARE(leftover.readAll(), QByteArray("an earlier recording\r\n"));
        QVERIFY(!QFileInfo::exists(secondDir.filePath(QStringLiteral("Senso.bak"))));

        // The first copy runs on.
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_e2e_single_instance.moc"
