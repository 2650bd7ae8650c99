#include "files/clsProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zkd;

namespace {

constexpr qint64 kEndLimitMs = 5000;
// One poll may block for 10 ms; allow for a loaded machine.
constexpr qint64 kOnePollLimitMs = 500;
// `sleep 1` must not count as ended before this.
constexpr qint64 kSleepMinimumMs = 900;

// Polls as the window's wait loop does; the time taken, or -1 when the
// process did not end within kEndLimitMs.
qint64 pollUntilTerminated(clsProcess &process)
{
    QElapsedTimer clock;
    clock.start();
    while (!process.IsTerminated()) {
        if (clock.elapsed() > kEndLimitMs)
            return -1;
    }
    return clock.elapsed();
}

} // namespace

class TestFilesProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void programExists_data();
    void programExists();
    void shortProgramEnds();
    void runningProgramIsNotTerminatedUntilItEnds();
    void programThatCannotStartEndsTheWait_data();
    void programThatCannotStartEndsTheWait();
    void argumentTextArrivesAsOneArgument_data();
    void argumentTextArrivesAsOneArgument();

private:
    QTemporaryDir m_dir;
    QString m_script;
    QString m_plainFile;
};

void TestFilesProcess::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // A folder with a blank, so the program path itself has one too.
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("my tools")));
    m_script = m_dir.filePath(QStringLiteral("my tools/record.sh"));
    QFile script(m_script);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$(dirname \"$0\")/args.txt\"\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));

    m_plainFile = m_dir.filePath(QStringLiteral("plain.txt"));
    QFile plain(m_plainFile);
    QVERIFY(plain.open(QIODevice::WriteOnly));
}

void TestFilesProcess::programExists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QTest::newRow("on search path") << "sh" << true;
    QTest::newRow("not on search path") << "zkd-no-such-program-4711" << false;
    QTest::newRow("executable by path") << m_script << true;
    QTest::newRow("file not executable") << m_plainFile << false;
    QTest::newRow("folder") << m_dir.path() << false;
}

void TestFilesProcess::programExists()
{
    QFETCH(QString, name);
    QTEST(clsProcess::programExists(name), "exists");
}

void TestFilesProcess::shortProgramEnds()
{
    clsProcess process;
    process.ProgramName(QStringLiteral("true"));
    process.Exec();
    QVERIFY2(!process.startFailed(), qPrintable(process.errorText()));
    QVERIFY(pollUntilTerminated(process) >= 0);
    QVERIFY(process.IsTerminated());
}

void TestFilesProcess::runningProgramIsNotTerminatedUntilItEnds()
{
    clsProcess process;
    process.ProgramName(QStringLiteral("sleep"));
    process.Arguments(QStringLiteral("1"));
    process.Exec();
    QVERIFY2(!process.startFailed(), qPrintable(process.errorText()));

    QElapsedTimer clock;
    clock.start();
    QVERIFY(!process.IsTerminated());
    QVERIFY(clock.elapsed() < kOnePollLimitMs);

    QVERIFY(pollUntilTerminated(process) >= 0);
    QVERIFY2(clock.elapsed() >= kSleepMinimumMs, "ended before the program's one second was up");
}

void TestFilesProcess::programThatCannotStartEndsTheWait_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("not on search path") << "zkd-no-such-program-4711";
    QTest::newRow("file not executable") << m_plainFile;
}

void TestFilesProcess::programThatCannotStartEndsTheWait()
{
    QFETCH(QString, program);
    clsProcess process;
    process.ProgramName(program);
    process.Arguments(QStringLiteral("data.csv"));
    process.Exec();
    QVERIFY(process.startFailed());
    QVERIFY(!process.errorText().isEmpty());
    QVERIFY(process.IsTerminated());
}

void TestFilesProcess::argumentTextArrivesAsOneArgument_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QStringList>("received");
    const QString path = m_dir.filePath(QStringLiteral("My Data/Test file.csv"));
    QTest::newRow("path with blanks") << path << QStringList{path};
    QTest::newRow("blanks at both ends") << " a b " << QStringList{QStringLiteral(" a b ")};
    QTest::newRow("empty text passes nothing") << "" << QStringList{};
}

void TestFilesProcess::argumentTextArrivesAsOneArgument()
{
    QFETCH(QString, argument);
    QFETCH(QStringList, received);
    const QString record = m_dir.filePath(QStringLiteral("my tools/args.txt"));
    QFile::remove(record);

    clsProcess process;
    process.ProgramName(m_script);
    process.Arguments(argument);
    process.Exec();
    QVERIFY2(!process.startFailed(), qPrintable(process.errorText()));
    QVERIFY(pollUntilTerminated(process) >= 0);

    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    QCOMPARE(lines.takeLast(), QString());
    QCOMPARE(lines.takeFirst(), QString::number(received.size()));
    QCOMPARE(lines, received);
}

QTEST_GUILESS_MAIN(TestFilesProcess)
#include "tst_files_process.moc"
