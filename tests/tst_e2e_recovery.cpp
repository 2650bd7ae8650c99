#include "FormFixture.h"
#include "SimulatorProcess.h"
#include "app/StatusPanel.h"
#include "util/StatusFormat.h"

#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QtTest>

// A run killed mid-way is recovered byte for byte; the status bar follows a
// run of the instrument simulator.

using namespace zkd;

using zkd::test::binary;
using zkd::test::readFile;

namespace {

constexpr int kStartupMs = 10000;
constexpr int kRunTimeoutMs = 30000;

QString field(const Form1 &form, const char *name)
{
    return form.findChild<QLabel *>(QString::fromLatin1(name))->text();
}

} // namespace

class TestRecoveryEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void killedRunIsRecoveredByteForByte()
    {
        test::FormFixture fx;
        test::Simulator sim(fx.currentDir.path());
        QVERIFY(sim.start(
            {QStringLiteral("--interval"), QStringLiteral("20"), QStringLiteral("--baud"), QStringLiteral("0")}));
        QProcess recorder;
        recorder.setWorkingDirectory(fx.currentDir.path());
        recorder.start(binary("zkd735-record"),
                       {QStringLiteral("--port"), sim.link, QStringLiteral("--out"), QStringLiteral("never"),
                        QStringLiteral("--notes"), QStringLiteral("Probe 7"), QStringLiteral("--quiet")});
        QVERIFY(recorder.waitForStarted(kStartupMs));
        const QString work = fx.currentDir.filePath(QStringLiteral("Senso.scx"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(work).size() > 2000, kRunTimeoutMs);
        recorder.kill(); // SIGKILL: no clean-up, no save
        QVERIFY(recorder.waitForFinished(kStartupMs));
        const QByteArray killed = readFile(work);
        QVERIFY(killed.contains("Notes :  Probe 7\r"));
        const QDateTime written = QFileInfo(work).lastModified();

        QVERIFY(fx.writeSettings(test::FormFixture::settings("1", "English")));
        Form1 &form = fx.startForm();
        QCOMPARE(fx.workFile(), QByteArray());
        QVERIFY(form.MRecover->isEnabled());
        QCOMPARE(form.StatusBar->currentMessage(),
                 QStringLiteral("An unsaved measurement from %1 can be recovered from the File menu.")
                     .arg(QLocale(QLocale::English, QLocale::UnitedKingdom).toString(written, QLocale::ShortFormat)));

        fx.prompts.files << fx.currentDir.filePath(QStringLiteral("killed run"));
        form.MRecover->trigger();
        QCOMPARE(readFile(fx.currentDir.filePath(QStringLiteral("killed run.csv"))), killed);
        QVERIFY(!QFileInfo::exists(fx.currentDir.filePath(QStringLiteral("Senso.bak"))));
        QVERIFY(!form.MRecover->isEnabled());
        QCOMPARE(fx.prompts.messages.size(), 0);
    }

    void statusBarFollowsARun()
    {
        test::FormFixture fx;
        fx.clock.followReal = false;
        test::Simulator sim(fx.currentDir.path());
        QVERIFY(sim.start(
            {QStringLiteral("--interval"), QStringLiteral("20"), QStringLiteral("--baud"), QStringLiteral("0")}));
        QVERIFY(
            fx.writeSettings("\r\n" + sim.link.toUtf8() + "\r\nDeutsch\r\n 10 \r\n 0 \r\n9600\r\n\r\n0\r\nReady\r\n"));
        Form1 &form = fx.startForm();
        // A long path shows the device's name; the tooltip holds the path whole.
        const QLabel *port = form.findChild<QLabel *>(QStringLiteral("StatusPort"));
        QCOMPARE(port->text(), QStringLiteral("ttyZKD735 \u00b7 9600,n,8,1"));
        QVERIFY(port->toolTip().endsWith(QStringLiteral(":\n") + sim.link + QStringLiteral(" \u00b7 9600,n,8,1")));
        QCOMPARE(field(form, "StatusState"), QStringLiteral("Geschlossen"));
        QVERIFY(field(form, "StatusFree").endsWith(QStringLiteral(" frei")));

        form.SSCommand2_Click();
        QVERIFY(form.comm().PortOpen());
        QCOMPARE(field(form, "StatusState"), QStringLiteral("Aufnahme"));
        QCOMPARE(field(form, "StatusElapsed"), QStringLiteral("0:00:00"));
        fx.clock.monotonic = 65'000;
        // Lines keep coming in, and the fields follow once a second.
        QTRY_VERIFY_WITH_TIMEOUT(field(form, "StatusCounts").split(QLatin1Char(' ')).first().toInt() >= 20,
                                 kRunTimeoutMs);
        QCOMPARE(field(form, "StatusElapsed"), QStringLiteral("0:01:05"));

        fx.prompts.answers << PromptButton::No; // discard the run at the stop
        form.SSCommand2_Click();
        QVERIFY(!form.comm().PortOpen());
        QCOMPARE(field(form, "StatusState"), QStringLiteral("Geschlossen"));
        QVERIFY(sim.waitUntilReaderGone());
        const QByteArray sent = sim.sent();
        fx.clock.monotonic = 200'000;
        form.StatusBar->refresh();
        QCOMPARE(field(form, "StatusElapsed"), QStringLiteral("0:01:05"));
        const Language german(QStringLiteral("Deutsch"));
        QCOMPARE(
            field(form, "StatusCounts"),
            QStringLiteral("%1 Zeilen \u00b7 %2 Bytes")
                .arg(status::count(quint64(sent.count('\r')), german), status::count(quint64(sent.size()), german)));
        QVERIFY(sent.size() > 1000); // grouped with a dot in German
        QVERIFY(field(form, "StatusCounts").contains(QLatin1Char('.')));

        form.MOpen_Click();
        QCOMPARE(field(form, "StatusState"), QStringLiteral("Offen"));
    }
};

QTEST_MAIN(TestRecoveryEndToEnd)
#include "tst_e2e_recovery.moc"
