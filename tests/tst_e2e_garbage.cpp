#include "ExpectedRecording.h"
#include "FormFixture.h"
#include "SimulatorProcess.h"

#include <QPlainTextEdit>
#include <QtTest>

using namespace zkd;

class TestGarbage : public QObject
{
    Q_OBJECT
private slots:
    void binaryGarbageAtFullSpeedIsRecordedWhole()
    {
        test::FormFixture fx;
        test::Simulator simulator(fx.currentDir.path());
        QVERIFY(simulator.start({"--quiet", "--garbage", "--seed", "735", "--baud", "0", "--interval", "0"}));
        QVERIFY(fx.writeSettings("\r\n" + simulator.link.toUtf8()
                                 + "\r\nEnglish\r\n 10 \r\n 0 \r\n921600\r\n\r\n0\r\nReady\r\n"));
        Form1 &form = fx.startForm();
        form.Text2->setPlainText(QStringLiteral("garbage"));

        form.SSCommand2_Click();
        QVERIFY(form.comm().PortOpen());
        // The header read finds no header in garbage: OK to its message, then the
        // save question of the stop it runs is answered Yes with a file name.
        fx.prompts.answers << PromptButton::Ok << PromptButton::Yes;
        fx.prompts.files.enqueue(fx.currentDir.filePath(QStringLiteral("garbage.csv")));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(fx.currentDir.filePath(QStringLiteral("garbage.csv"))), 5000);
        QTest::qWait(500);
        QVERIFY(simulator.stop());

        const QByteArray line = simulator.sent();
        QVERIFY2(line.size() > 50000, qPrintable(QString::number(line.size())));
        const QByteArray expected = "  Time: 14:03:22\r  Date: 08.12.2026\rNotes :  garbage\r"
            + test::expectedRecording(line, false);
        // Save opens the port again; what was still on its way after the stop
        // byte arrives then and goes to the new working file.
        const QByteArray got = test::readFile(fx.currentDir.filePath(QStringLiteral("garbage.csv"))) + fx.workFile();
        QCOMPARE(got.size(), expected.size());
        QVERIFY(got == expected);
        // The live table stays bounded however much arrived.
        QVERIFY(form.termText().size() <= 8192 + 64);
    }
};

QTEST_MAIN(TestGarbage)
#include "tst_e2e_garbage.moc"
