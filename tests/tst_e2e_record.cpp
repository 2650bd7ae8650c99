#include "DataRows.h"
#include "ExpectedRecording.h"
#include "TestFiles.h"
#include "FormFixture.h"
#include "SimulatorProcess.h"
#include "app/Form1.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>
#include <memory>

// The headless recorder zkd735-record against the instrument simulator over a
// pseudo-terminal: what it saves must be, byte for byte, what the main window
// saves for the same stream.

using namespace zkd;

using zkd::test::binary;
using zkd::test::readFile;
using zkd::test::writeFile;

namespace {

constexpr int kStartupMs = 10000;
constexpr int kRunTimeoutMs = 30000;
constexpr int kHeaderDelayMs = 1500;
constexpr int kStatusUpdatesPerSecond = 4;
const QString kNotes = QStringLiteral("Probe 7");

enum Exit { kOk = 0, kUsage = 2, kPort = 3, kHeader = 4, kFile = 5 };

// Where two byte strings part, for a failure message that says more than
// two truncated dumps.
QByteArray firstDifference(const QByteArray &actual, const QByteArray &expected)
{
    qsizetype at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    return QStringLiteral("%1 bytes, expected %2; first difference at %3: \"%4\" instead of \"%5\"")
        .arg(actual.size())
        .arg(expected.size())
        .arg(at)
        .arg(QString::fromLatin1(actual.mid(at, 24).toPercentEncoding(" ")),
             QString::fromLatin1(expected.mid(at, 24).toPercentEncoding(" ")))
        .toLatin1();
}

QString shortDate()
{
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

struct RecorderRun
{
    int exitCode = -1;
    QByteArray stdErr;
    QByteArray stdOut;
    qint64 elapsedMs = 0;

    QList<QByteArray> errorLines() const
    {
        QList<QByteArray> lines = stdErr.split('\n');
        lines.removeAll(QByteArray());
        return lines;
    }
};

// Runs zkd735-record in `folder`; `meanwhile` runs once the process has started.
RecorderRun runRecorder(const QString &folder, const QStringList &arguments,
                        const std::function<void(QProcess &)> &meanwhile = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProgram(binary("zkd735-record"));
    process.setArguments(arguments);
    QElapsedTimer clock;
    clock.start();
    process.start();
    RecorderRun run;
    if (!process.waitForStarted(kStartupMs))
        return run;
    if (meanwhile)
        meanwhile(process);
    if (!process.waitForFinished(kRunTimeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    run.elapsedMs = clock.elapsed();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.stdErr = process.readAllStandardError();
    run.stdOut = process.readAllStandardOutput();
    return run;
}

// A stream with everything the pipeline changes: tabs, a backspace, a line
// feed before its CR, a semicolon, an overflow and a Latin-1 degree sign.
const QByteArray kTrickyStream = QByteArray("INP1 = bar\r\nSR1 =  5\r\nINP2 = \xb0"
                                            "C\r\nSR2 = 47\r\nPri = 1\r\n")
    + "      0.0\t12.5\t12.5\t12.5\t*Ovl*\t20.0\t20.0\r\n" + "      1.0 101.0 x\bx  12.5 12.5 9000.0 20.0 20.0\r\n"
    + "      2.0 50;0 1.5 1.5 3.25 3.25 3.25\n\r" + "  3.0   1 2 3 4 5 6\r\n";
constexpr int kTrickyRecords = 4;

} // namespace

class TestRecordEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const char *name : {"zkd735-sim", "zkd735-record"})
            QVERIFY2(QFileInfo(binary(name)).isExecutable(),
                     qPrintable(binary(name) + QStringLiteral(" is not built")));
    }

    void recorderAndWindowSaveTheSameBytes_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("decimalComma");
        QTest::addColumn<QString>("timeLabel");
        QTest::addColumn<QString>("dateLabel");
        QTest::addColumn<bool>("replay");
        QTest::addColumn<int>("records");
        using test::row;
        row("German", "Deutsch", true, "  Uhrzeit: ", "  Datum: ", false, 120);
        row("English", "English", false, "  Time: ", "  Date: ", false, 120);
        row("French", "Francais", true, "  Temps: ", "  Date: ", false, 120);
        row("English, tricky bytes at once", "English", false, "  Time: ", "  Date: ", true, kTrickyRecords);
        row("French, tricky bytes at once", "Francais", true, "  Temps: ", "  Date: ", true, kTrickyRecords);
    }
    void recorderAndWindowSaveTheSameBytes()
    {
        QFETCH(QString, language);
        QFETCH(bool, decimalComma);
        QFETCH(QString, timeLabel);
        QFETCH(QString, dateLabel);
        QFETCH(bool, replay);
        QFETCH(int, records);
        QTemporaryDir dir;
        const QString replayFile = dir.filePath(QStringLiteral("stream.bin"));
        QVERIFY(writeFile(replayFile, kTrickyStream));
        // The same seed and interval give both simulators the same stream.
        const QStringList simOptions = replay
            ? QStringList{QStringLiteral("--baud"), QStringLiteral("0"), QStringLiteral("--replay"), replayFile}
            : QStringList{QStringLiteral("--interval"), QStringLiteral("20"),        QStringLiteral("--baud"),
                          QStringLiteral("0"),          QStringLiteral("--records"), QString::number(records),
                          QStringLiteral("--overflow"), QStringLiteral("7"),         QStringLiteral("--seed"),
                          QStringLiteral("735")};

        // The headless recorder.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("rec")));
        const QString recFolder = dir.filePath(QStringLiteral("rec"));
        test::Simulator simForRecorder(dir.path(), QStringLiteral("ttyRecorder"));
        QVERIFY(simForRecorder.start(simOptions));
        const QString dateBefore = shortDate();
        const RecorderRun run = runRecorder(
            recFolder,
            {QStringLiteral("--port"), simForRecorder.link, QStringLiteral("--language"), language,
             QStringLiteral("--notes"), kNotes, QStringLiteral("--records"), QString::number(records),
             QStringLiteral("--out"), QStringLiteral("run.1"), QStringLiteral("--quiet")});
        QCOMPARE(run.exitCode, int(kOk));
        QCOMPARE(run.stdErr, QByteArray());
        QVERIFY(simForRecorder.waitUntilReaderGone());
        QCOMPARE(simForRecorder.received(), QByteArray("\x02\x03"));
        simForRecorder.stop();

        // Dots are taken out of the file name and ".csv" is appended.
        const QByteArray recorded = readFile(QDir(recFolder).filePath(QStringLiteral("run1.csv")));
        const qsizetype timeAt = timeLabel.size();
        const QString time = QString::fromLatin1(recorded.mid(timeAt, 8));
        QVERIFY2(QTime::fromString(time, QStringLiteral("HH:mm:ss")).isValid(), recorded.left(40).constData());
        // The date the recorder wrote: today's short date (or yesterday's across midnight).
        const qsizetype dateAt = timeAt + 8 + 1 + dateLabel.size();
        const QString date = QString::fromLatin1(recorded.mid(dateAt, recorded.indexOf('\r', dateAt) - dateAt));
        QVERIFY2(date == dateBefore || date == shortDate(), qPrintable(date));
        const QByteArray notesHeader = (timeLabel + time + QLatin1Char('\r') + dateLabel + date
                                        + QStringLiteral("\rNotes :  ") + kNotes + QLatin1Char('\r'))
                                           .toLatin1();
        QCOMPARE(recorded, notesHeader + test::expectedRecording(simForRecorder.sent(), decimalComma));
        QCOMPARE(recorded.count("\r\n"), qsizetype(5 + records));
        // The working file starts anew after the save, as after the window's Save.
        QCOMPARE(QFileInfo(QDir(recFolder).filePath(QStringLiteral("Senso.scx"))).size(), qint64(0));
        QVERIFY(QFileInfo::exists(QDir(recFolder).filePath(QStringLiteral("senso.scy"))));

        // The window, on a second simulator, saving from its stop question.
        test::Simulator simForWindow(dir.path(), QStringLiteral("ttyWindow"));
        QVERIFY(simForWindow.start(simOptions));
        test::FormFixture fx; // its program folder is the window's current folder too
        const QString winFolder = fx.programDir.path();
        fx.deps.currentDir = winFolder;
        QVERIFY(fx.writeSettings(test::FormFixture::settings(simForWindow.link.toLocal8Bit(), language.toLatin1())));
        fx.clock.time = QTime::fromString(time, QStringLiteral("HH:mm:ss"));
        fx.clock.date = date;
        Form1 &window = fx.buildForm();
        QVERIFY(window.startUp());
        window.Text2->setPlainText(kNotes);
        window.SSCommand2_Click();
        QVERIFY(window.comm().PortOpen());
        const QString windowWorkFile = QDir(winFolder).filePath(QStringLiteral("Senso.scx"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(windowWorkFile).size() >= recorded.size(), kRunTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(!window.timerActive(), kHeaderDelayMs * 2);
        fx.prompts.answers.enqueue(PromptButton::Yes);
        fx.prompts.files.enqueue(QDir(winFolder).filePath(QStringLiteral("run.1")));
        window.SSCommand2_Click();
        QCOMPARE(fx.prompts.messages.size(), 1); // the save question, no transmission error
        QCOMPARE(readFile(QDir(winFolder).filePath(QStringLiteral("run1.csv"))), recorded);
    }

    void endsNormally_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("signalNumber"); // 0: none
        QTest::addColumn<bool>("quiet");
        QTest::newRow("duration") << QStringList{QStringLiteral("--duration"), QStringLiteral("2.5")} << 0 << false;
        QTest::newRow("SIGINT") << QStringList{} << int(SIGINT) << false;
        QTest::newRow("SIGTERM, quiet") << QStringList{QStringLiteral("--quiet")} << int(SIGTERM) << true;
    }
    void endsNormally()
    {
        QFETCH(QStringList, options);
        QFETCH(int, signalNumber);
        QFETCH(bool, quiet);
        QTemporaryDir dir;
        // The language comes from the settings file in the current folder.
        QVERIFY(writeFile(dir.filePath(QStringLiteral("scx.ini")), "\r\n1\r\nDeutsch\r\n"));
        // A leftover recording is kept, as the window keeps it at start-up.
        QVERIFY(writeFile(dir.filePath(QStringLiteral("Senso.scx")), "earlier run\r\n"));
        test::Simulator sim(dir.path(), QStringLiteral("ttyZKD735"));
        QVERIFY(sim.start(
            {QStringLiteral("--interval"), QStringLiteral("20"), QStringLiteral("--baud"), QStringLiteral("115200")}));
        const qint64 signalAfterMs = 2000;
        const RecorderRun run = runRecorder(
            dir.path(),
            options + QStringList{QStringLiteral("--port"), sim.link, QStringLiteral("--out"), QStringLiteral("run")},
            [&](QProcess &process) {
                if (signalNumber == 0)
                    return;
                QTest::qWait(int(signalAfterMs));
                ::kill(pid_t(process.processId()), signalNumber);
            });
        QCOMPARE(run.exitCode, int(kOk));
        QVERIFY(sim.waitUntilReaderGone());
        const qint64 expectedMs = signalNumber == 0 ? 2500 : signalAfterMs;
        QVERIFY2(run.elapsedMs >= expectedMs && run.elapsedMs < expectedMs + 3000,
                 qPrintable(QString::number(run.elapsedMs)));
        QCOMPARE(sim.received(), QByteArray("\x02\x03"));
        sim.stop();

        const QByteArray saved = readFile(dir.filePath(QStringLiteral("run.csv")));
        QVERIFY(saved.startsWith("  Uhrzeit: "));
        const qsizetype body = saved.indexOf("\rNotes :  \r") + qsizetype(sizeof "\rNotes :  \r") - 1;
        QVERIFY(body > 0);
        const QByteArray expected = test::expectedRecording(sim.sent(), true);
        QVERIFY2(saved.mid(body) == expected, firstDifference(saved.mid(body), expected).constData());
        QVERIFY(saved.count("\r\n") > 50);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("Senso.bak"))), QByteArray("earlier run\r\n"));

        if (quiet) {
            QCOMPARE(run.stdErr, QByteArray());
            return;
        }
        // The status line is rewritten in place, at most four times a second,
        // and a summary line follows it.
        const qsizetype updates = run.stdErr.count('\r');
        QVERIFY2(updates >= 2 && updates <= run.elapsedMs * kStatusUpdatesPerSecond / 1000 + 2, run.stdErr.constData());
        QVERIFY2(run.stdErr.contains(" records | time "), run.stdErr.constData());
        QVERIFY2(run.stdErr.contains("bar | ACT 2"), run.stdErr.constData());
        QVERIFY(run.errorLines().last().contains("bytes recorded in"));
        QVERIFY(run.errorLines().last().contains("run.csv"));
    }

    void failuresAndTheirExitCodes_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("messagePart");
        QTest::newRow("no port given") << "usage" << int(kUsage) << QByteArray("--port");
        QTest::newRow("no such port") << "no-port" << int(kPort) << QByteArray("no-such-tty");
        QTest::newRow("silent instrument") << "silent" << int(kHeader) << QByteArray("INP1");
        QTest::newRow("device vanishes") << "vanish" << int(kPort) << QByteArray("vanished");
        QTest::newRow("out cannot be written") << "out" << int(kFile) << QByteArray("out.csv");
        QTest::newRow("working file cannot be made") << "workfile" << int(kFile) << QByteArray("Senso.scx");
        QTest::newRow("working file is a link") << "worklink" << int(kFile) << QByteArray("symbolic link");
    }
    void failuresAndTheirExitCodes()
    {
        QFETCH(QString, failure);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, messagePart);
        QTemporaryDir dir;
        test::Simulator sim(dir.path(), QStringLiteral("ttyZKD735"));
        QStringList arguments{QStringLiteral("--port"), sim.link, QStringLiteral("--quiet")};
        std::function<void(QProcess &)> meanwhile;
        if (failure == QLatin1String("usage")) {
            arguments = QStringList{QStringLiteral("--records"), QStringLiteral("3")};
        } else if (failure == QLatin1String("no-port")) {
            arguments[1] = dir.filePath(QStringLiteral("no-such-tty"));
        } else if (failure == QLatin1String("silent")) {
            QVERIFY(sim.start({QStringLiteral("--silent")}));
        } else if (failure == QLatin1String("vanish")) {
            QVERIFY(sim.start(
                {QStringLiteral("--interval"), QStringLiteral("20"), QStringLiteral("--baud"), QStringLiteral("0")}));
            arguments << QStringLiteral("--out") << QStringLiteral("kept");
            meanwhile = [&sim](QProcess &) {
                QTest::qWait(2000);
                sim.kill();
            };
        } else if (failure == QLatin1String("out")) {
            // Running as root, only a path through a regular file cannot be written.
            QVERIFY(writeFile(dir.filePath(QStringLiteral("file.txt")), "x"));
            QVERIFY(sim.start(
                {QStringLiteral("--interval"), QStringLiteral("20"), QStringLiteral("--baud"), QStringLiteral("0")}));
            arguments << QStringLiteral("--records") << QStringLiteral("5") << QStringLiteral("--out")
                      << dir.filePath(QStringLiteral("file.txt/out"));
        } else if (failure == QLatin1String("workfile")) {
            // A folder of that name stands where the working file belongs.
            QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Senso.scx/inside")));
            QVERIFY(sim.start({QStringLiteral("--interval"), QStringLiteral("20")}));
        } else if (failure == QLatin1String("worklink")) {
            // Planted by someone who may write to the folder; not written through.
            QVERIFY(writeFile(dir.filePath(QStringLiteral("precious")), "precious"));
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("precious")), dir.filePath(QStringLiteral("Senso.scx"))));
            QVERIFY(sim.start({QStringLiteral("--interval"), QStringLiteral("20")}));
        }
        const RecorderRun run = runRecorder(dir.path(), arguments, meanwhile);

        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.errorLines().size(), 1);
        QVERIFY2(run.stdErr.contains(messagePart), run.stdErr.constData());
        QVERIFY(run.stdErr.startsWith("zkd735-record: "));
        QCOMPARE(run.stdOut, QByteArray());

        if (failure == QLatin1String("worklink"))
            QCOMPARE(readFile(dir.filePath(QStringLiteral("precious"))), QByteArray("precious"));
        if (failure == QLatin1String("silent")) {
            // Told to stop once the header read found nothing (the upper bound
            // only catches a recorder that waits for something else).
            QVERIFY2(run.elapsedMs >= kHeaderDelayMs - 100 && run.elapsedMs < kHeaderDelayMs + 15000,
                     qPrintable(QString::number(run.elapsedMs)));
            // The simulator logs what it read in its own time; once it has seen
            // the recorder close the line, the log holds everything.
            QVERIFY(sim.waitUntilReaderGone());
            QCOMPARE(sim.received(), QByteArray("\x02\x03"));
        } else if (failure == QLatin1String("vanish")) {
            // What arrived before the line went dead is saved, in order and complete.
            const QByteArray kept = readFile(dir.filePath(QStringLiteral("kept.csv")));
            const qsizetype body = kept.indexOf("\rNotes :  \r") + qsizetype(sizeof "\rNotes :  \r") - 1;
            QVERIFY(body > 0);
            QVERIFY(kept.count("\r\n") > 50);
            QVERIFY(test::expectedRecording(sim.sent(), false).startsWith(kept.mid(body)));
        } else if (failure == QLatin1String("out")) {
            // The recording is not lost: it stays in the working file.
            const QByteArray work = readFile(dir.filePath(QStringLiteral("Senso.scx")));
            QVERIFY(work.startsWith("  Time: "));
            QVERIFY(work.endsWith("\r\n"));
            QCOMPARE(work.count("\r\n"), qsizetype(5 + 5));
        } else if (failure == QLatin1String("workfile")) {
            QCOMPARE(sim.received(), QByteArray());
        }
    }
};

QTEST_MAIN(TestRecordEndToEnd)
#include "tst_e2e_record.moc"
