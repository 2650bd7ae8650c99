#include "app/Form1.h"
#include "app/ScaleLabel.h"
#include "graph/Graph.h"
#include "sensor/SensorTable.h"
#include "util/Clock.h"
#include "util/Prompts.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using zkd::Form1;
using zkd::Graph;
using zkd::SensorTable;
using Trace = zkd::Graph::Trace;

namespace {

// Answers every message with OK (or Yes) and cancels every file dialog.
class AnsweringPrompts final : public zkd::IPrompts
{
public:
    zkd::PromptButton ask(const zkd::PromptMessage &message) override
    {
        asked.append(message.text);
        if (message.buttons.contains(zkd::PromptButton::Ok))
            return zkd::PromptButton::Ok;
        return zkd::PromptButton::Yes;
    }
    std::optional<QString> saveFile(const zkd::FileDialogRequest &) override { return std::nullopt; }
    std::optional<QString> openFile(const zkd::FileDialogRequest &) override { return std::nullopt; }
    void about(const QString &, const QString &) override {}
    void beep() override {}

    QStringList asked;
};

struct FixedClock final : zkd::IClock
{
    QTime timeOfDay() const override { return QTime(12, 34, 56); }
    QString shortDate() const override { return QStringLiteral("01.02.2024"); }
    qint64 monotonicMs() const override { return 0; }
};

// A main window over two empty temporary folders, with the sensor-range
// fields of codes 5 (full scale 400) and 47 (full scale 10000).
struct Rig
{
    Rig()
    {
        Form1::Deps deps;
        deps.prompts = &prompts;
        deps.clock = &clock;
        deps.programDir = programDir.path();
        deps.currentDir = currentDir.path();
        form1 = std::make_unique<Form1>(deps);
        form1->Text1_0->setText(QStringLiteral("SR1 =  5"));
        form1->Text1_1->setText(QStringLiteral("SR2 = 47"));
    }

    // One refresh with these main-window texts.
    void tick(const QString &act1, const QString &act2, const QString &seconds = QString())
    {
        form1->Text8->setText(act1);
        form1->Text11->setText(act2);
        form1->Secunden->setText(seconds);
        form1->graph()->Timer1_Timer();
    }

    QTemporaryDir programDir;
    QTemporaryDir currentDir;
    AnsweringPrompts prompts;
    FixedClock clock;
    std::unique_ptr<Form1> form1;
};

QString graphScale(int code)
{
    return SensorTable::scaleText(*SensorTable::find(code), SensorTable::Window::Graph);
}

using Range = QPair<double, double>;

Range pair(Graph::AxisRange range)
{
    return {range.min, range.max};
}

} // namespace

class TestUiGraph : public QObject
{
    Q_OBJECT

private slots:
    void asBuilt();
    void loadSetsScales_data();
    void loadSetsScales();
    void captionByLanguage_data();
    void captionByLanguage();
    void refresh_data();
    void refresh();
    void keepsLastTenMinutes_data();
    void keepsLastTenMinutes();
    void plotsWhileHidden();
    void unloadGivesFreshChart_data();
    void unloadGivesFreshChart();
    void headerReadSetsUnits();
};

void TestUiGraph::asBuilt()
{
    Rig rig;
    const auto graph = std::make_unique<Graph>(*rig.form1);
    QCOMPARE(graph->windowTitle(), QStringLiteral("INP 1  +  INP 2  Preview Graph    "));
    const QList<QPair<const QLabel *, QString>> captions{{graph->Label3, "INP 1  ACT = "},
                                                         {graph->Label5, "INP 2  ACT ="},
                                                         {graph->Label7, "1"},
                                                         {graph->Label8, "2"},
                                                         {graph->Label9, "*"},
                                                         {graph->Label10, "999,9"},
                                                         {graph->Label11, "999,9"}};
    for (const auto &[label, caption] : captions)
        QCOMPARE(label->text(), caption);
    QCOMPARE(graph->Label1->text(), QStringLiteral("10000"));

    // Every text of input 1 is blue, every text of input 2 red.
    for (const QLabel *label : {graph->Label3, graph->Label6, graph->Label7, graph->Label10}) {
        const QColor c = label->palette().color(QPalette::WindowText);
        QVERIFY2(c.blue() > 0 && c.red() == 0, qPrintable(label->objectName()));
    }
    for (const QLabel *label : {graph->Label4, graph->Label5, graph->Label8, graph->Label11}) {
        const QColor c = label->palette().color(QPalette::WindowText);
        QVERIFY2(c.red() > 0 && c.blue() == 0, qPrintable(label->objectName()));
    }
}

void TestUiGraph::loadSetsScales_data()
{
    QTest::addColumn<QString>("field1");
    QTest::addColumn<QString>("field2");
    QTest::addColumn<Range>("axis1");
    QTest::addColumn<Range>("axis2");
    QTest::addColumn<QString>("scale1");
    QTest::addColumn<QString>("scale2");
    QTest::addColumn<int>("fullScale1");
    QTest::addColumn<int>("fullScale2");

    QTest::newRow("codes 5 and 47") << "SR1 =  5"
                                    << "SR2 = 47" << Range(0, 400) << Range(0, 10000) << graphScale(5) << graphScale(47)
                                    << 400 << 10000;
    QTest::newRow("empty fields give code 0")
        << ""
        << "" << Range(0, 100) << Range(0, 100) << graphScale(0) << graphScale(0) << 100 << 100;
    // No code recognised yet: the full scales stay 0, the axes still span a range.
    QTest::newRow("code 15 is not recognised") << "SR1 = 15"
                                               << "SR2 = 15" << Range(0, 1) << Range(0, 1) << "10000"
                                               << "" << 0 << 0;
}

void TestUiGraph::loadSetsScales()
{
    QFETCH(QString, field1);
    QFETCH(QString, field2);
    QFETCH(Range, axis1);
    QFETCH(Range, axis2);
    QFETCH(QString, scale1);
    QFETCH(QString, scale2);
    QFETCH(int, fullScale1);
    QFETCH(int, fullScale2);

    Rig rig;
    rig.form1->Text1_0->setText(field1);
    rig.form1->Text1_1->setText(field2);
    Graph *graph = rig.form1->graph();

    QCOMPARE(pair(graph->valueRange(Trace::Input1)), axis1);
    QCOMPARE(pair(graph->valueRange(Trace::Input2)), axis2);
    QCOMPARE(graph->Label1->text(), scale1);
    QCOMPARE(graph->Label2->text(), scale2);
    QVERIFY(graph->Label1->minimumHeight() >= 286);
    QVERIFY(graph->points(Trace::Input1).isEmpty());
    QVERIFY(!graph->isVisible());
    QVERIFY(graph->Timer1->isActive());
    QVERIFY(rig.prompts.asked.isEmpty());
    QCOMPARE(int(rig.form1->globals().ScaleMax1), fullScale1);
    QCOMPARE(int(rig.form1->globals().ScaleMax2), fullScale2);
}

void TestUiGraph::captionByLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("caption");

    const QString initial = QStringLiteral("INP 1  +  INP 2  Preview Graph    ");
    QTest::newRow("German") << "Deutsch"
                            << "INP 1  INP 2  Vorschau Grafik ";
    QTest::newRow("English") << "English"
                             << "INP 1  INP 2  Preview Graph";
    QTest::newRow("French") << "Francais"
                            << "INP 1  INP 2  aprecu";
    QTest::newRow("lower case is no language") << "english" << initial;
    QTest::newRow("empty") << "" << initial;
}

void TestUiGraph::captionByLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, caption);

    Rig rig;
    rig.form1->globals().language = zkd::Language(language);
    QCOMPARE(rig.form1->graph()->windowTitle(), caption);
}

void TestUiGraph::refresh_data()
{
    QTest::addColumn<QString>("act1");
    QTest::addColumn<QString>("act2");
    QTest::addColumn<QString>("seconds");
    QTest::addColumn<QString>("label9");
    QTest::addColumn<double>("plot1");
    QTest::addColumn<double>("plot2");

    QTest::newRow("value and overflow") << "123.4"
                                        << "*Ovl*"
                                        << "12.0"
                                        << " Data logging time.. 12.0 Sec." << 123.0 << 0.0;
    QTest::newRow("nothing received") << ""
                                      << ""
                                      << ""
                                      << " Data logging time..  Sec." << 0.0 << 0.0;
    QTest::newRow("decimal comma plots the whole part") << "12,5"
                                                        << "-3,7"
                                                        << "1,0"
                                                        << " Data logging time.. 1,0 Sec." << 12.0 << -3.0;
    QTest::newRow("halves to even") << "12.5"
                                    << "  13.5"
                                    << "2.0"
                                    << " Data logging time.. 2.0 Sec." << 12.0 << 14.0;
    QTest::newRow("32-bit limits") << "2147483647.4"
                                   << "-2147483648"
                                   << "3.0"
                                   << " Data logging time.. 3.0 Sec." << 2147483647.0 << -2147483648.0;
    QTest::newRow("beyond 32 bits plots 0") << "2147483648"
                                            << "-99999999999"
                                            << "4.0"
                                            << " Data logging time.. 4.0 Sec." << 0.0 << 0.0;
}

void TestUiGraph::refresh()
{
    QFETCH(QString, act1);
    QFETCH(QString, act2);
    QFETCH(QString, seconds);
    QFETCH(QString, label9);
    QFETCH(double, plot1);
    QFETCH(double, plot2);

    Rig rig;
    rig.tick(act1, act2, seconds);
    Graph *graph = rig.form1->graph();
    QCOMPARE(graph->Label10->text(), act1);
    QCOMPARE(graph->Label11->text(), act2);
    QCOMPARE(graph->Label9->text(), label9);
    QCOMPARE(graph->points(Trace::Input1), QList<QPointF>{QPointF(1, plot1)});
    QCOMPARE(graph->points(Trace::Input2), QList<QPointF>{QPointF(1, plot2)});
}

void TestUiGraph::keepsLastTenMinutes_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("kept");
    QTest::addColumn<Range>("time");

    QTest::newRow("one") << 1 << 1 << Range(0, 600);
    QTest::newRow("just full") << 600 << 600 << Range(0, 600);
    QTest::newRow("one over") << 601 << 600 << Range(1, 601);
    QTest::newRow("700") << 700 << 600 << Range(100, 700);
    QTest::newRow("wrapped twice") << 1300 << 600 << Range(700, 1300);
}

void TestUiGraph::keepsLastTenMinutes()
{
    QFETCH(int, ticks);
    QFETCH(int, kept);
    QFETCH(Range, time);

    Rig rig;
    for (int i = 1; i <= ticks; ++i)
        rig.tick(QString::number(i), QString::number(-i));
    Graph *graph = rig.form1->graph();
    const QList<QPointF> input1 = graph->points(Trace::Input1);
    const QList<QPointF> input2 = graph->points(Trace::Input2);
    QCOMPARE(input1.size(), kept);
    QCOMPARE(input2.size(), kept);
    // Oldest first, one point a second, each at the second it was sampled.
    for (qsizetype i = 0; i < input1.size(); ++i) {
        const double second = ticks - kept + 1 + i;
        QCOMPARE(input1[i], QPointF(second, second));
        QCOMPARE(input2[i], QPointF(second, -second));
    }
    QCOMPARE(pair(graph->timeRange()), time);
}

void TestUiGraph::plotsWhileHidden()
{
    Rig rig;
    rig.form1->Text8->setText(QStringLiteral("7.0"));
    Graph *graph = rig.form1->graph();
    QVERIFY(!graph->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(graph->points(Trace::Input1).size(), 1, 3000);
    QCOMPARE(graph->points(Trace::Input1).constFirst().y(), 7.0);
    QVERIFY(!graph->isVisible());
}

void TestUiGraph::unloadGivesFreshChart_data()
{
    QTest::addColumn<bool>("closeButton");
    QTest::newRow("Start / Stop") << false;
    QTest::newRow("close button") << true;
}

void TestUiGraph::unloadGivesFreshChart()
{
    QFETCH(bool, closeButton);

    Rig rig;
    rig.form1->Image1_Click();
    rig.tick(QStringLiteral("1.0"), QStringLiteral("2.0"));
    const QPointer<Graph> first = rig.form1->existingGraph();
    QVERIFY(first && first->isVisible());
    if (closeButton) {
        QVERIFY(first->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } else {
        rig.form1->unloadGraph();
    }
    QVERIFY(first.isNull());
    QVERIFY(!rig.form1->existingGraph());

    // The next load starts an empty chart, hidden, with scales computed afresh.
    rig.form1->Text1_0->setText(QStringLiteral("SR1 = 19"));
    Graph *second = rig.form1->graph();
    QVERIFY(!second->isVisible());
    QVERIFY(second->points(Trace::Input1).isEmpty());
    QCOMPARE(pair(second->valueRange(Trace::Input1)), Range(0, 300));
    QCOMPARE(pair(second->timeRange()), Range(0, 600));
    QVERIFY(second->Timer1->isActive());
}

void TestUiGraph::headerReadSetsUnits()
{
    Rig rig;
    QFile work(rig.form1->workFilePath());
    QVERIFY(work.open(QIODevice::WriteOnly));
    work.write("INP1 = bar\r\nSR1 =  5\r\nINP2 = degrC\r\nSR2 = 47\r\n");
    work.close();

    rig.form1->KopfLesen_Click();
    Graph *graph = rig.form1->existingGraph();
    QVERIFY(graph);
    QVERIFY(!graph->isVisible());
    QCOMPARE(graph->Label7->text(), QStringLiteral("bar"));
    QCOMPARE(graph->Label6->text(), QStringLiteral("bar"));
    QCOMPARE(graph->Label8->text(), QStringLiteral("\u00b0C"));
    QCOMPARE(graph->Label4->text(), QStringLiteral("\u00b0C"));
    QCOMPARE(pair(graph->valueRange(Trace::Input1)), Range(0, 400));
    QCOMPARE(pair(graph->valueRange(Trace::Input2)), Range(0, 10000));
    QVERIFY(rig.prompts.asked.isEmpty());
}

QTEST_MAIN(TestUiGraph)
#include "tst_ui_graph.moc"
