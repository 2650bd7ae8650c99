#include "ExpectedRecording.h"
#include "FormFixture.h"
#include "SerialPair.h"
#include "app/BarMeter.h"
#include "app/Form1.h"
#include "app/PictureButton.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

using namespace zkd;

namespace {

struct Fixture : test::FormFixture
{
    std::unique_ptr<test::SerialPair> pair;
    QSerialPort instrument;

    Form1 &start(const QByteArray &language, const QString &port = {})
    {
        pair = std::make_unique<test::SerialPair>(currentDir.path());
        const QString portLine = port.isEmpty() ? pair->recorderEnd : port;
        writeSettings(settings(portLine.toUtf8(), language));
        startForm();
        instrument.setPortName(pair->instrumentEnd);
        instrument.open(QIODevice::ReadWrite);
        return *form;
    }
    QByteArray readInstrument(int waitMs = 300)
    {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < waitMs) {
            instrument.waitForReadyRead(20);
            got += instrument.readAll();
            QCoreApplication::processEvents();
        }
        return got;
    }
    void send(const QByteArray &bytes)
    {
        instrument.write(bytes);
        instrument.waitForBytesWritten(1000);
    }
};

} // namespace

class TestSerialEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!test::SerialPair::available())
            QSKIP("socat is not installed");
    }

    void runFromStartToStop_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<bool>("decimalComma");
        QTest::addColumn<QString>("startLine");
        QTest::addColumn<QByteArray>("notesHeader");
        QTest::newRow("English") << QByteArray("English") << false << "  Time: 14:03:22  Date: 08.12.2026\r\n"
                                 << QByteArray("  Time: 14:03:22\r  Date: 08.12.2026\rNotes :  Probe 7\r\nline 2\r");
        QTest::newRow("German") << QByteArray("Deutsch") << true << "    Uhrzeit: 14:03:22    Datum: 08.12.2026\r\n"
                                << QByteArray("  Uhrzeit: 14:03:22\r  Datum: 08.12.2026\rNotes :  Probe 7\r\nline 2\r");
    }
    void runFromStartToStop()
    {
        QFETCH(QByteArray, language);
        QFETCH(bool, decimalComma);
        QFETCH(QString, startLine);
        QFETCH(QByteArray, notesHeader);
        Fixture fx;
        Form1 &f = fx.start(language);
        QVERIFY(fx.pair->ok());
        f.Text2->setPlainText(QStringLiteral("Probe 7\nline 2"));

        f.SSCommand2_Click();
        QVERIFY(f.comm().PortOpen());
        QCOMPARE(fx.readInstrument(), QByteArray("\x02"));
        QCOMPARE(f.termText(), startLine);
        QVERIFY(f.Button2->isHidden());
        QVERIFY(!f.MPort->menuAction()->isVisible());
        QVERIFY(f.Text2->isReadOnly());

        const QByteArray stream = QByteArray("INP1 = bar\r\nSR1 =  5\r\nINP2 = degrC\r\nSR2 = 47\r\nPri = 1\r\n")
            + "      0.0         12.5         12.5        12.5       *Ovl*        20.0       20.0\r\n"
            + "      1.0 101.0 x\bx  12.5 12.5 9000.0 20.0 20.0\t\r\n";
        fx.send(stream);
        QTRY_VERIFY_WITH_TIMEOUT(f.termText().endsWith(QStringLiteral("0\t\r\n")), 5000);
        f.refreshDisplay();
        // The table shows the text itself (the backspace takes back the "x" before it).
        QVERIFY(f.termText().contains(decimalComma ? QStringLiteral("1,0 101,0 x  12,5")
                                                   : QStringLiteral("1.0 101.0 x  12.5")));
        QCOMPARE(f.Secunden->text(), decimalComma ? QStringLiteral("1,0") : QStringLiteral("1.0"));
        QCOMPARE(f.Text8->text(), decimalComma ? QStringLiteral("101,0") : QStringLiteral("101.0"));
        // The backspace arrives as a chunk of its own: it takes back the table's
        // last character, while the record line keeps both.
        QCOMPARE(f.Text9->text(), QStringLiteral("xx"));
        QCOMPARE(f.Text11->text(), decimalComma ? QStringLiteral("12,5") : QStringLiteral("12.5"));
        QCOMPARE(f.Bar1->level(), std::int16_t(101));
        QCOMPARE(f.Bar2->level(), std::int16_t(12));
        QVERIFY(!f.Image1->isHidden());
        QVERIFY(f.Image2->isHidden());

        // The working file: notes header, then every byte after the documented changes.
        QCOMPARE(fx.workFile(), notesHeader + test::expectedRecording(stream, decimalComma));

        fx.prompts.answers.enqueue(PromptButton::No); // the save question after the stop
        f.SSCommand2_Click();
        QCOMPARE(fx.readInstrument(), QByteArray("\x03"));
        QVERIFY(!f.comm().PortOpen());
        QVERIFY(!f.Button2->isHidden());
        QVERIFY(f.MPort->menuAction()->isVisible());
        QVERIFY(!f.Text2->isReadOnly());
        QVERIFY(f.Text8->text().isEmpty());
        QCOMPARE(f.Bar1->level(), std::int16_t(0));
    }

    // A stop at a random point of a busy stream: what the line had delivered
    // goes to the file before the displays are cleared, and they are still
    // empty when the save question is up.
    void stopOnABusyLine_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 3; ++seed)
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
    }
    void stopOnABusyLine()
    {
        QFETCH(quint32, seed);
        Fixture fx;
        Form1 &f = fx.start("English");
        f.SSCommand2_Click();
        QCOMPARE(fx.readInstrument(100), QByteArray("\x02"));
        QRandomGenerator rng(seed);
        QByteArray stream("INP1 = bar\r\nSR1 =  5\r\nINP2 = degrC\r\nSR2 = 47\r\nPri = 1\r\n");
        const int records = 40 + int(rng.bounded(80));
        for (int i = 0; i < records; ++i)
            stream += QByteArray::number(i) + ".0  " + QByteArray::number(rng.bounded(400))
                + ".5 2.0 1.0 3.0 4.0 5.0\r\n";
        // The first part comes in pieces a few ms apart, so the reads are held;
        // the rest, ended anywhere, even inside a line, waits unread at the stop.
        const qsizetype waiting = 1 + rng.bounded(std::min<qsizetype>(2000, stream.size() - 1));
        const QByteArray streamed = stream.left(stream.size() - waiting);
        for (qsizetype at = 0; at < streamed.size(); at += 64) {
            fx.send(streamed.mid(at, 64));
            QTest::qWait(3);
        }
        fx.send(stream.right(waiting));
        QThread::msleep(300);

        QString tableAtQuestion = QStringLiteral("<not asked>");
        QStringList boxesAtQuestion;
        bool activityAtQuestion = true;
        fx.prompts.onMessage = [&](const PromptMessage &) {
            f.refreshDisplay();
            tableAtQuestion = f.termText();
            for (const QLineEdit *box : {f.Secunden, f.Text8, f.Text9, f.Text10, f.Text11, f.Text12, f.Text13})
                boxesAtQuestion << box->text();
            boxesAtQuestion << QString::number(f.Bar1->level()) << QString::number(f.Bar2->level());
            activityAtQuestion = !f.Image1->isHidden();
        };
        fx.prompts.answers.enqueue(PromptButton::Yes);
        fx.prompts.files.enqueue(fx.currentDir.filePath(QStringLiteral("busy.csv")));
        f.SSCommand2_Click();
        QCOMPARE(tableAtQuestion, QString());
        QCOMPARE(boxesAtQuestion, (QStringList{{}, {}, {}, {}, {}, {}, {}, QStringLiteral("0"), QStringLiteral("0")}));
        QVERIFY(!activityAtQuestion);
        QFile saved(fx.currentDir.filePath(QStringLiteral("busy.csv")));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(),
                 QByteArray("  Time: 14:03:22\r  Date: 08.12.2026\rNotes :  \r")
                     + test::expectedRecording(stream, false));
    }

    void overflowMarksFollowTheLastLine()
    {
        Fixture fx;
        Form1 &f = fx.start("English");
        f.globals().ScaleMax1 = 100;
        f.globals().ScaleMax2 = 100;
        f.pipeline().setScaleMax(100, 100);
        f.SSCommand2_Click();
        fx.readInstrument(100);
        fx.send("1.0 100.6 0 0 *Ovl* 0 0\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(!f.Label7->isHidden(), 3000);
        QVERIFY(!f.Label8->isHidden());
        QCOMPARE(f.Bar2->level(), std::int16_t(0));
        fx.send("2.0 100.0 0 0 50.0 0 0\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(f.Label7->isHidden(), 3000);
        QVERIFY(f.Label8->isHidden());
    }

    // A run under way with one record shown; then the line's device goes away
    // (the far end of the pseudo-terminal pair closes, as an unplugged USB
    // adapter does) and the boxes that follow get these answers.
    static void runThenUnplug(Fixture &fx, Form1 &f, const QList<PromptButton> &answers)
    {
        f.SSCommand2_Click();
        fx.readInstrument(100);
        fx.send("INP1 = bar\r\n1.0 2.0 3.0 4.0 5.0 6.0 7.0\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(f.Text8->text() == QStringLiteral("2.0"), 3000);
        fx.prompts.messages.clear();
        fx.prompts.answers << answers;
        fx.instrument.close();
        fx.pair->stop();
        QTRY_VERIFY_WITH_TIMEOUT(fx.prompts.messages.size() >= answers.size(), 5000);
        QTest::qWait(300);
    }

    // The device comes back under the same name.
    static void plugBackIn(Fixture &fx)
    {
        fx.pair = std::make_unique<test::SerialPair>(fx.currentDir.path());
        QVERIFY(fx.pair->ok());
        fx.instrument.setPortName(fx.pair->instrumentEnd);
        QVERIFY(fx.instrument.open(QIODevice::ReadWrite));
    }

    void vanishedDeviceIsReportedOnceAndKeepsTheRecording()
    {
        Fixture fx;
        Form1 &f = fx.start("English");
        // OK to the error, Yes to the save question, and a name for the file.
        fx.prompts.files.enqueue(fx.currentDir.filePath(QStringLiteral("unplugged")));
        runThenUnplug(fx, f, {PromptButton::Ok, PromptButton::Yes});
        if (QTest::currentTestFailed())
            return;
        const PromptMessage &lost = fx.prompts.messages.first();
        QVERIFY2(lost.text.contains(QStringLiteral("ttyRecorder")), qPrintable(lost.text));
        QCOMPARE(lost.title, QStringLiteral("Click Cancel to quit, OK to ignore."));
        QCOMPARE(fx.prompts.texts().filter(QStringLiteral("Unknown error")).size(), 1);
        // The run ended as after a stop, and what came before the loss was saved.
        QVERIFY(fx.prompts.texts().contains(QStringLiteral("Do you want to save the datafile ?")));
        QVERIFY(!f.Button2->isHidden());
        QVERIFY(!f.Text2->isReadOnly());
        QFile saved(fx.currentDir.filePath(QStringLiteral("unplugged.csv")));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().endsWith("1.0 2.0 3.0 4.0 5.0 6.0 7.0\r\n"));
        // Two boxes in all: the loss and the save question. The save, which
        // opens the port again, does not report the missing device a second time.
        QCOMPARE(fx.prompts.messages.size(), 2);
        QVERIFY(!f.comm().PortOpen());

        // Back under the same name: a new Start works.
        plugBackIn(fx);
        if (QTest::currentTestFailed())
            return;
        fx.prompts.answers.clear();
        f.SSCommand2_Click();
        QVERIFY(f.comm().PortOpen());
        QCOMPARE(fx.readInstrument(), QByteArray("\x02"));
    }

    void deviceBackBeforeSaveOpensThePortAgain()
    {
        Fixture fx;
        Form1 &f = fx.start("English");
        // OK to the error, No to the save question.
        runThenUnplug(fx, f, {PromptButton::Ok, PromptButton::No});
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(fx.prompts.messages.size(), 2);
        QVERIFY(!f.comm().PortOpen());

        // Plugged in again, then saved from the menu: the save opens the port
        // as it always does, without a word.
        plugBackIn(fx);
        if (QTest::currentTestFailed())
            return;
        fx.prompts.files.enqueue(fx.currentDir.filePath(QStringLiteral("later")));
        f.SScommand4_Click();
        QVERIFY(QFileInfo::exists(fx.currentDir.filePath(QStringLiteral("later.csv"))));
        QVERIFY(f.comm().PortOpen());
        QCOMPARE(fx.prompts.messages.size(), 2);
    }

    void everyErrorEventOfARunIsReported()
    {
        Fixture fx;
        Form1 &f = fx.start("English");
        f.SSCommand2_Click();
        QVERIFY(f.comm().PortOpen());
        const int beepsBefore = fx.prompts.beeps;
        // Three faults of a device that is still there, each answered with OK.
        for (const auto error : {QSerialPort::WriteError, QSerialPort::ReadError, QSerialPort::UnknownError})
            emit f.comm().port()->errorOccurred(error);
        QCOMPARE(fx.prompts.texts(), QStringList(3, QStringLiteral("Unknown error or event")));
        for (const PromptMessage &m : fx.prompts.messages) {
            QCOMPARE(m.title, QStringLiteral("Click Cancel to quit, OK to ignore."));
            QCOMPARE(m.buttons, (QList<PromptButton>{PromptButton::Ok, PromptButton::Cancel}));
        }
        QCOMPARE(fx.prompts.beeps - beepsBefore, 3);
        QVERIFY(f.comm().PortOpen());
    }

    void busyLineIsReadInFewPiecesWithNothingLost()
    {
        QTemporaryDir dir;
        test::SerialPair pair(dir.path());
        QVERIFY(pair.ok());
        MSComm1 comm;
        comm.setPortName(pair.recorderEnd);
        comm.setReadPacing(kBusyLineReadPeriod);
        // A held read comes before the line gathers half of the 4 KiB it holds unread.
        for (const int baud : {2400, 115200, 460800, 921600}) {
            QVERIFY(comm.setSettings(QStringLiteral("%1,n,8,1").arg(baud)));
            QVERIFY(comm.readPeriod() <= kBusyLineReadPeriod);
            QVERIFY2(comm.readPeriod().count() * baud / 10 / 1000 <= kReadHoldBytes, qPrintable(QString::number(baud)));
        }
        QCOMPARE(comm.readPeriod(), std::chrono::milliseconds(22));
        QVERIFY(!comm.setPortOpen(true));
        QByteArray received;
        int reads = 0;
        connect(&comm, &MSComm1::OnComm, this, [&] {
            if (comm.CommEvent() == CommEventCode::Receive) {
                received += comm.ReadAvailable();
                ++reads;
            }
        });
        QSerialPort instrument;
        instrument.setPortName(pair.instrumentEnd);
        QVERIFY(instrument.open(QIODevice::ReadWrite));
        // 80 pieces 2 ms apart: read at once they would be about 80 reads.
        QByteArray sent;
        for (int piece = 0; piece < 80; ++piece) {
            const QByteArray bytes = QByteArray::number(piece).rightJustified(40, '.') + "\r";
            sent += bytes;
            instrument.write(bytes);
            instrument.waitForBytesWritten(1000);
            QTest::qWait(2);
        }
        // The last pieces wait out a pause and arrive without further bytes behind them.
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), sent.size(), 5000);
        QCOMPARE(received, sent);
        QVERIFY2(reads <= 40, qPrintable(QStringLiteral("%1 reads").arg(reads)));
        QVERIFY(!comm.setPortOpen(false));
    }
};

QTEST_MAIN(TestSerialEndToEnd)
#include "tst_e2e_serial.moc"
