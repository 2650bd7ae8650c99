#include "ExpectedRecording.h"
#include "FixedClock.h"
#include "ScriptedPrompts.h"
#include "app/Form1.h"

#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace zkd;

class TestGarbage : public QObject
{
    Q_OBJECT
private slots:
    void binaryGarbageAtFullSpeedIsRecordedWhole()
    {
        QTemporaryDir programDir;
        QTemporaryDir currentDir;
        const QString link = currentDir.filePath(QStringLiteral("ttyZKD735"));
        const QString sentLog = currentDir.filePath(QStringLiteral("sent.bin"));
        QProcess simulator;
        simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        simulator.start(QStringLiteral(ZKD_BIN_DIR "/zkd735-sim"),
                        {"--link", link, "--quiet", "--garbage", "--seed", "735", "--baud", "0", "--interval", "0",
                         "--log-sent", sentLog});
        QVERIFY(simulator.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(link), 3000);

        QFile ini(programDir.filePath(QStringLiteral("scx.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("\r\n" + link.toUtf8() + "\r\nEnglish\r\n 10 \r\n 0 \r\n921600\r\n\r\n0\r\nReady\r\n");
        ini.close();
        test::ScriptedPrompts prompts;
        test::FixedClock clock;
        Form1::Deps deps;
        deps.prompts = &prompts;
        deps.clock = &clock;
        deps.programDir = programDir.path();
        deps.currentDir = currentDir.path();
        Form1 form(deps);
        form.startUp();
        form.Text2->setPlainText(QStringLiteral("garbage"));

        form.SSCommand2_Click();
        QVERIFY(form.comm().PortOpen());
        // The header read finds no header in garbage: OK to its message, then the
        // save question of the stop it runs is answered Yes with a file name.
        prompts.answers << PromptButton::Ok << PromptButton::Yes;
        prompts.files.enqueue(currentDir.filePath(QStringLiteral("garbage.csv")));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(currentDir.filePath(QStringLiteral("garbage.csv"))), 5000);
        QTest::qWait(500);
        simulator.terminate();
        QVERIFY(simulator.waitForFinished(5000));

        QFile sent(sentLog);
        QVERIFY(sent.open(QIODevice::ReadOnly));
        const QByteArray line = sent.readAll();
        QVERIFY2(line.size() > 50000, qPrintable(QString::number(line.size())));
        QFile saved(currentDir.filePath(QStringLiteral("garbage.csv")));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray expected = "  Time: 14:03:22\r  Date: 08.12.2026\rNotes :  garbage\r"
            + test::expectedRecording(line, false);
        // Save opens the port again; what was still on its way after the stop
        // byte arrives then and goes to the new working file.
        QFile working(currentDir.filePath(QStringLiteral("Senso.scx")));
        QVERIFY(working.open(QIODevice::ReadOnly));
        const QByteArray got = saved.readAll() + working.readAll();
        QCOMPARE(got.size(), expected.size());
        QVERIFY(got == expected);
        // The live table stays bounded however much arrived.
        QVERIFY(form.termText().size() <= 8192 + 64);
    }
};

QTEST_MAIN(TestGarbage)
#include "tst_e2e_garbage.moc"
