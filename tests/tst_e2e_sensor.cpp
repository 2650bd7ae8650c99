#include "FormFixture.h"
#include "SimulatorProcess.h"
#include "app/BarMeter.h"
#include "app/Form1.h"
#include "app/ScaleLabel.h"
#include "graph/Graph.h"
#include "sensor/SensorTable.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace zkd;

namespace {

struct Fixture : test::FormFixture
{
    test::Simulator simulator{currentDir.path()};

    ~Fixture() { form.reset(); }

    // A failed start shows as a port that does not open.
    Form1 &start(const QByteArray &language, const QStringList &simArguments)
    {
        simulator.start(QStringList{QStringLiteral("--quiet")} + simArguments);
        writeSettings(settings(simulator.link.toUtf8(), language));
        return startForm();
    }
};

} // namespace

class TestSensorEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void headerScalesMetersAndGraph()
    {
        Fixture fx;
        Form1 &f = fx.start("English",
                            {"--baud", "0", "--interval", "100", "--code1", "5", "--code2", "47", "--unit1", "bar",
                             "--unit2", "degrC"});
        f.SSCommand2_Click();
        QVERIFY(f.comm().PortOpen());
        QVERIFY(f.timerActive());
        // The header read runs once, 1500 ms after Start.
        QTRY_VERIFY_WITH_TIMEOUT(!f.timerActive(), 4000);
        QCOMPARE(f.Label5->text(), QStringLiteral("INP1 = bar"));
        QCOMPARE(f.Label6->text(), QString::fromUtf8("INP2 = °C"));
        QCOMPARE(f.Text1_0->text(), QStringLiteral("SR1 =  5"));
        QCOMPARE(f.Text1_1->text(), QStringLiteral("SR2 = 47"));
        QCOMPARE(f.globals().ScaleMax1, std::int16_t(400));
        QCOMPARE(f.globals().ScaleMax2, std::int16_t(10000));
        QCOMPARE(f.Bar1->fullScale(), std::int16_t(400));
        QCOMPARE(f.Bar2->fullScale(), std::int16_t(10000));
        QCOMPARE(f.Label9->text(), SensorTable::scaleText(*SensorTable::find(5), SensorTable::Window::Main));
        QVERIFY(f.Label11->text().startsWith(QStringLiteral("Pri")));
        QVERIFY(fx.prompts.messages.isEmpty());
        // The snapshot of the working file sits in the program folder.
        QVERIFY(QFileInfo::exists(fx.programDir.filePath(QStringLiteral("senso.scy"))));

        // The graph window exists, hidden, and plots once a second; Image1 shows it.
        QVERIFY(f.existingGraph());
        QVERIFY(!f.existingGraph()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!f.Image1->isHidden(), 3000);
        f.Image1_Click();
        QVERIFY(f.existingGraph()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(f.existingGraph()->points(Graph::Trace::Input1).size() >= 2, 4000);
        const auto points = f.existingGraph()->points(Graph::Trace::Input1);
        QVERIFY(points.last().y() > 0 && points.last().y() <= 400);

        // Start / Stop closes the graph window.
        fx.prompts.answers.enqueue(PromptButton::No);
        f.SSCommand2_Click();
        QTRY_VERIFY_WITH_TIMEOUT(!f.existingGraph(), 2000);
        QVERIFY(!f.comm().PortOpen());
    }

    void silentInstrumentEndsTheRun()
    {
        Fixture fx;
        Form1 &f = fx.start("Deutsch", {"--silent"});
        f.SSCommand2_Click();
        QVERIFY(f.comm().PortOpen());
        fx.prompts.answers << PromptButton::Ok << PromptButton::No;
        QTRY_VERIFY_WITH_TIMEOUT(!fx.prompts.messages.isEmpty(), 4000);
        const PromptMessage &m = fx.prompts.messages.first();
        QCOMPARE(m.text,
                 QString::fromUtf8(" Es ist ein Übertragungsfehler aufgetreten... Bitte Drücken Sie Start/ Stopp !"));
        QCOMPARE(m.title, QStringLiteral("Bitte Messung neu starten !"));
        QCOMPARE(m.icon, PromptIcon::None);
        QTRY_VERIFY_WITH_TIMEOUT(!f.comm().PortOpen(), 2000);
        QVERIFY(!f.Text2->isReadOnly());
    }
};

QTEST_MAIN(TestSensorEndToEnd)
#include "tst_e2e_sensor.moc"
