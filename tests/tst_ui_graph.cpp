#include "FormFixture.h"
#include "app/Form1.h"
#include "app/ScaleLabel.h"
#include "graph/Graph.h"
#include "sensor/SensorTable.h"
#include "util/Prompts.h"

#include <QAction>
#include <QChartView>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QWheelEvent>
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

using zkd::test::readFile;

namespace {

// A main window, not started, over two empty temporary folders, with the
// sensor-range fields of codes 5 (full scale 400) and 47 (full scale 10000).
struct Rig : zkd::test::FormFixture
{
    Rig()
    {
        buildForm();
        form->Text1_0->setText(QStringLiteral("SR1 =  5"));
        form->Text1_1->setText(QStringLiteral("SR2 = 47"));
    }

    // One refresh after a record with these values (none when all are empty).
    void tick(const QString &act1, const QString &act2, const QString &seconds = QString())
    {
        if (!(act1.isEmpty() && act2.isEmpty() && seconds.isEmpty()))
            form->ProcessReceived(
                (QStringList{seconds.isEmpty() ? "0" : seconds, act1, "0", "0", act2, "0", "0"}.join(' ') + '\r')
                    .toLatin1());
        form->graph()->Timer1_Timer();
    }
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

// A started main window whose graph is shown and holds `ticks` samples:
// second i plots i for input 1 and -i for input 2.
struct ShownGraph
{
    explicit ShownGraph(int ticks, const QByteArray &language = "English")
    {
        fixture.writeSettings(zkd::test::FormFixture::settings("1", language));
        fixture.startForm();
        fixture.prompts.messages.clear();
        fixture.form->Text1_0->setText(QStringLiteral("SR1 =  5"));
        fixture.form->Text1_1->setText(QStringLiteral("SR2 = 47"));
        fixture.form->Image1_Click();
        graph = fixture.form->existingGraph();
        graph->Timer1->stop();
        for (int i = 1; i <= ticks; ++i) {
            fixture.form->ProcessReceived(QStringLiteral("%1 %1 0 0 %2 0 0\r").arg(i).arg(-i).toLatin1());
            graph->Timer1_Timer();
        }
    }

    QWidget *viewport() const { return graph->Chartl321->viewport(); }
    // A point of the plot area, as a share of its width, in viewport pixels.
    QPoint plotPoint(double share) const
    {
        const QChart *chart = graph->Chartl321->chart();
        const QRectF plot = chart->plotArea();
        const QPointF at(plot.left() + share * plot.width(), plot.center().y());
        return graph->Chartl321->mapFromScene(chart->mapToScene(at));
    }
    double plotWidth() const { return graph->Chartl321->chart()->plotArea().width(); }
    void wheel(const QPoint &at, int notches) const
    {
        QWheelEvent event(at, viewport()->mapToGlobal(at), QPoint(), QPoint(0, notches * 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(viewport(), &event);
    }
    void drag(const QPoint &from, const QPoint &to) const
    {
        QTest::mousePress(viewport(), Qt::LeftButton, Qt::NoModifier, from);
        QMouseEvent move(QEvent::MouseMove, to, viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(viewport(), &move);
        QTest::mouseRelease(viewport(), Qt::LeftButton, Qt::NoModifier, to);
    }

    zkd::test::FormFixture fixture;
    Graph *graph = nullptr;
};

// Within `tolerance` seconds at both ends; a drag moves by whole pixels.
bool near(Graph::AxisRange actual, Range expected, double tolerance = 1e-6)
{
    const bool close = std::abs(actual.min - expected.first) <= tolerance
        && std::abs(actual.max - expected.second) <= tolerance;
    if (!close)
        qWarning("time axis %g..%g, expected %g..%g", actual.min, actual.max, expected.first, expected.second);
    return close;
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
    void zoomPanAndBackToLive();
    void zoomOutReachesTheKeptHour_data();
    void zoomOutReachesTheKeptHour();
    void exports_data();
    void exports();
    void headerLinesAreShownAsWritten();
};

void TestUiGraph::asBuilt()
{
    Rig rig;
    const auto graph = std::make_unique<Graph>(*rig.form);
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
    rig.form->Text1_0->setText(field1);
    rig.form->Text1_1->setText(field2);
    Graph *graph = rig.form->graph();

    QCOMPARE(pair(graph->valueRange(Trace::Input1)), axis1);
    QCOMPARE(pair(graph->valueRange(Trace::Input2)), axis2);
    QCOMPARE(graph->Label1->text(), scale1);
    QCOMPARE(graph->Label2->text(), scale2);
    QVERIFY(graph->Label1->minimumHeight() >= 286);
    QVERIFY(graph->points(Trace::Input1).isEmpty());
    QVERIFY(!graph->isVisible());
    QVERIFY(graph->Timer1->isActive());
    QVERIFY(rig.prompts.messages.isEmpty());
    QCOMPARE(int(rig.form->globals().ScaleMax1), fullScale1);
    QCOMPARE(int(rig.form->globals().ScaleMax2), fullScale2);
}

void TestUiGraph::captionByLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("caption");

    const QString initial = QStringLiteral("INP 1  +  INP 2  Preview Graph    ");
    const auto row = [](const char *name, const char *language, const QString &caption) {
        QTest::newRow(name) << QString::fromLatin1(language) << caption;
    };
    row("German", "Deutsch", "INP 1  INP 2  Vorschau Grafik ");
    row("English", "English", "INP 1  INP 2  Preview Graph");
    row("French", "Francais", "INP 1  INP 2  aprecu");
    row("lower case is no language", "english", initial);
    row("empty", "", initial);
}

void TestUiGraph::captionByLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, caption);

    Rig rig;
    rig.form->globals().language = zkd::Language(language);
    QCOMPARE(rig.form->graph()->windowTitle(), caption);
}

void TestUiGraph::refresh_data()
{
    QTest::addColumn<QString>("act1");
    QTest::addColumn<QString>("act2");
    QTest::addColumn<QString>("seconds");
    QTest::addColumn<QString>("label9");
    QTest::addColumn<double>("plot1");
    QTest::addColumn<double>("plot2");

    // Label 9 shows the seconds in its sentence.
    const auto row = [](const char *name, const char *act1, const char *act2, const char *seconds, double plot1,
                        double plot2) {
        QTest::newRow(name) << act1 << act2 << seconds
                            << QStringLiteral(" Data logging time.. %1 Sec.").arg(QLatin1String(seconds)) << plot1
                            << plot2;
    };
    row("value and overflow", "123.4", "*Ovl*", "12.0", 123.0, 0.0);
    row("nothing received", "", "", "", 0.0, 0.0);
    row("decimal comma plots the whole part", "12,5", "-3,7", "1,0", 12.0, -3.0);
    row("halves to even", "12.5", "13.5", "2.0", 12.0, 14.0);
    row("32-bit limits", "2147483647.4", "-2147483648", "3.0", 2147483647.0, -2147483648.0);
    row("beyond 32 bits plots 0", "2147483648", "-99999999999", "4.0", 0.0, 0.0);
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
    Graph *graph = rig.form->graph();
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
    Graph *graph = rig.form->graph();
    const QList<QPointF> input1 = graph->points(Trace::Input1);
    const QList<QPointF> input2 = graph->points(Trace::Input2);
    QCOMPARE(input1.size(), kept);
    QCOMPARE(input2.size(), kept);
    // Oldest first, one point a second, each at the second it was sampled.
    for (qsizetype i = 0; i < input1.size(); ++i) {
        const auto second = double(ticks - kept + 1 + i);
        QCOMPARE(input1[i], QPointF(second, second));
        QCOMPARE(input2[i], QPointF(second, -second));
    }
    QCOMPARE(pair(graph->timeRange()), time);
}

void TestUiGraph::plotsWhileHidden()
{
    Rig rig;
    rig.form->ProcessReceived("1.0 7.0 0 0 0 0 0\r");
    Graph *graph = rig.form->graph();
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
    rig.form->Image1_Click();
    rig.tick(QStringLiteral("1.0"), QStringLiteral("2.0"));
    const QPointer<Graph> first = rig.form->existingGraph();
    QVERIFY(first && first->isVisible());
    if (closeButton) {
        QVERIFY(first->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } else {
        rig.form->unloadGraph();
    }
    QVERIFY(first.isNull());
    QVERIFY(!rig.form->existingGraph());

    // The next load starts an empty chart, hidden, with scales computed afresh.
    rig.form->Text1_0->setText(QStringLiteral("SR1 = 19"));
    Graph *second = rig.form->graph();
    QVERIFY(!second->isVisible());
    QVERIFY(second->points(Trace::Input1).isEmpty());
    QCOMPARE(pair(second->valueRange(Trace::Input1)), Range(0, 300));
    QCOMPARE(pair(second->timeRange()), Range(0, 600));
    QVERIFY(second->Timer1->isActive());
}

void TestUiGraph::headerReadSetsUnits()
{
    Rig rig;
    QFile work(rig.form->workFilePath());
    QVERIFY(work.open(QIODevice::WriteOnly));
    work.write("INP1 = bar\r\nSR1 =  5\r\nINP2 = degrC\r\nSR2 = 47\r\n");
    work.close();

    rig.form->KopfLesen_Click();
    Graph *graph = rig.form->existingGraph();
    QVERIFY(graph);
    QVERIFY(!graph->isVisible());
    QCOMPARE(graph->Label7->text(), QStringLiteral("bar"));
    QCOMPARE(graph->Label6->text(), QStringLiteral("bar"));
    QCOMPARE(graph->Label8->text(), QStringLiteral("\u00b0C"));
    QCOMPARE(graph->Label4->text(), QStringLiteral("\u00b0C"));
    QCOMPARE(pair(graph->valueRange(Trace::Input1)), Range(0, 400));
    QCOMPARE(pair(graph->valueRange(Trace::Input2)), Range(0, 10000));
    QVERIFY(rig.prompts.messages.isEmpty());
}

void TestUiGraph::zoomPanAndBackToLive()
{
    ShownGraph g(1000);
    Graph *graph = g.graph;
    QVERIFY(QTest::qWaitForWindowExposed(graph));
    QVERIFY(near(graph->timeRange(), {400, 1000}));
    QVERIFY(graph->isLive());
    QVERIFY(!graph->liveButton()->isVisible());

    // One notch up at the middle narrows the axis by 1.25 around second 700.
    g.wheel(g.plotPoint(0.5), 1);
    QVERIFY(near(graph->timeRange(), {460, 940}));
    QVERIFY(!graph->isLive());
    QVERIFY(graph->liveButton()->isVisible());
    // The traces run exactly from edge to edge.
    QCOMPARE(graph->points(Trace::Input1).constFirst(), QPointF(460, 460));
    QCOMPARE(graph->points(Trace::Input2).constLast(), QPointF(940, -940));

    // Newest samples (the last value again) arrive underneath; the view stays.
    for (int i = 0; i < 20; ++i)
        graph->Timer1_Timer();
    QVERIFY(near(graph->timeRange(), {460, 940}));

    // Dragging a quarter of the plot to the right shows seconds older than
    // the live view held, both traces together.
    g.drag(g.plotPoint(0.5), g.plotPoint(0.75));
    QVERIFY(near(graph->timeRange(), {340, 820}, 1.0));
    const double edge = graph->timeRange().min;
    QVERIFY(std::abs(graph->points(Trace::Input1).constFirst().x() - edge) < 1e-9);
    QVERIFY(std::abs(graph->points(Trace::Input1).constFirst().y() - edge) < 1e-9);
    QVERIFY(std::abs(graph->points(Trace::Input2).constFirst().y() + edge) < 1e-9);
    // No further back than the first second.
    g.drag(g.plotPoint(0.1), g.plotPoint(0.9));
    QVERIFY(near(graph->timeRange(), {0, 480}));

    // Zooming in stops at ten seconds.
    g.wheel(g.plotPoint(0.0), 40);
    QVERIFY(near(graph->timeRange(), {0, Graph::kMinimumSpan}));

    QTest::mouseDClick(g.viewport(), Qt::LeftButton, Qt::NoModifier, g.plotPoint(0.5));
    QVERIFY(graph->isLive());
    QVERIFY(!graph->liveButton()->isVisible());
    QVERIFY(near(graph->timeRange(), {420, 1020}));
    QCOMPARE(graph->points(Trace::Input1).size(), Graph::kVisiblePoints);
    QCOMPARE(graph->points(Trace::Input1).constLast(), QPointF(1020, 1000));

    // The keyboard does the same: + zooms, the arrows move, Home returns.
    QTest::keyClick(graph->Chartl321, Qt::Key_Plus);
    QVERIFY(near(graph->timeRange(), {480, 960}));
    QTest::keyClick(graph->Chartl321, Qt::Key_Left);
    QVERIFY(near(graph->timeRange(), {432, 912}));
    QTest::keyClick(graph->Chartl321, Qt::Key_Home);
    QVERIFY(graph->isLive());

    // The live button and the menu entry return as well.
    g.wheel(g.plotPoint(0.5), -1);
    QVERIFY(!graph->isLive());
    QVERIFY(graph->contextMenu()->findChild<QAction *>(QStringLiteral("GraphLive"))->isEnabled());
    QTest::mouseClick(graph->liveButton(), Qt::LeftButton);
    QVERIFY(graph->isLive());
    QVERIFY(!graph->contextMenu()->findChild<QAction *>(QStringLiteral("GraphLive"))->isEnabled());
    QVERIFY(near(graph->timeRange(), {420, 1020}));
}

void TestUiGraph::zoomOutReachesTheKeptHour_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<Range>("widest");

    QTest::newRow("less than the live view") << 100 << Range(0, 600);
    QTest::newRow("more than the live view") << 1000 << Range(0, 1000);
    QTest::newRow("more than the hour kept") << 4000 << Range(400, 4000);
}

void TestUiGraph::zoomOutReachesTheKeptHour()
{
    QFETCH(int, ticks);
    QFETCH(Range, widest);

    Rig rig;
    for (int i = 1; i <= ticks; ++i)
        rig.tick(QString::number(i), QString::number(-i));
    Graph *graph = rig.form->graph();
    graph->zoomTime(100.0, widest.second);
    QVERIFY(near(graph->timeRange(), widest));
    const QList<QPointF> kept = graph->points(Trace::Input1);
    QCOMPARE(kept.size(), qMin<qsizetype>(ticks, Graph::kHistoryPoints));
    QCOMPARE(kept.constLast(), QPointF(ticks, ticks));
}

void TestUiGraph::exports_data()
{
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QString>("command"); // the context menu's action
    QTest::addColumn<QString>("chosen");  // the name given in the file dialog; empty: cancelled
    QTest::addColumn<QString>("written"); // the file that must exist afterwards
    QTest::addColumn<QByteArray>("startsWith");
    QTest::addColumn<bool>("fails");

    const QByteArray germanData = QByteArray("Zeit (s);INP 1 (bar);INP 2 (\xb0"
                                             "C)\r\n")
        + "1;1;-1\r\n2;2;-2\r\n3;3;-3\r\n"
        + "4;4;-4\r\n5;5;-5\r\n6;6;-6\r\n7;7;-7\r\n8;8;-8\r\n9;9;-9\r\n10;10;-10\r\n";
    const QByteArray englishData = QByteArray("Time (s),INP 1 (bar),INP 2 (\xb0"
                                              "C)\r\n")
        + "1,1,-1\r\n2,2,-2\r\n3,3,-3\r\n"
        + "4,4,-4\r\n5,5,-5\r\n6,6,-6\r\n7,7,-7\r\n8,8,-8\r\n9,9,-9\r\n10,10,-10\r\n";
    const auto row = [](const char *name, const char *language, const char *command, const char *chosen,
                        const char *written, const QByteArray &startsWith, bool fails = false) {
        QTest::newRow(name) << QByteArray(language) << command << chosen << written << startsWith << fails;
    };
    row("data, German", "Deutsch", "GraphSaveData", "run.csv", "run.csv", germanData);
    row("data, English", "English", "GraphSaveData", "run.csv", "run.csv", englishData);
    row("data, French", "Francais", "GraphSaveData", "run.csv", "run.csv", "Temps (s);INP 1 (bar);");
    row("PNG picture", "English", "GraphSavePicture", "shot.png", "shot.png", "\x89PNG");
    row("no ending gives PNG", "English", "GraphSavePicture", "shot", "shot.png", "\x89PNG");
    row("SVG picture", "English", "GraphSavePicture", "shot.SVG", "shot.SVG", "<?xml");
    row("cancelled", "English", "GraphSaveData", "", "", {});
    row("missing folder", "English", "GraphSaveData", "gone/run.csv", "", {}, true);
    row("folder is a file", "Deutsch", "GraphSavePicture", "plain/shot.png", "", {}, true);
}

void TestUiGraph::exports()
{
    QFETCH(QByteArray, language);
    QFETCH(QString, command);
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QFETCH(QByteArray, startsWith);
    QFETCH(bool, fails);

    ShownGraph g(30, language);
    Graph *graph = g.graph;
    graph->setUnits(QStringLiteral("bar"), QStringLiteral("\u00b0C"));
    // Seconds 1 to 10 in view.
    graph->zoomTime(10.0 / 600.0, 0.0);
    QVERIFY(near(graph->timeRange(), {0, 10}));

    QTemporaryDir out;
    QFile plain(out.filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QStringList before = QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (!chosen.isEmpty())
        g.fixture.prompts.files.enqueue(out.filePath(chosen));

    auto *action = graph->contextMenu()->findChild<QAction *>(command);
    QVERIFY(action);
    action->trigger();

    QCOMPARE(g.fixture.prompts.fileRequests.size(), 1);
    const zkd::FileDialogRequest &request = g.fixture.prompts.fileRequests.constFirst().request;
    QVERIFY(g.fixture.prompts.fileRequests.constFirst().save);
    QCOMPARE(request.folder, g.fixture.current);
    QVERIFY(request.filter.contains(command == "GraphSaveData" ? "*.csv" : "*.svg"));

    const QStringList after = QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (fails) {
        // One warning naming the folder; nothing left behind.
        QCOMPARE(g.fixture.prompts.messages.size(), 1);
        const zkd::PromptMessage &message = g.fixture.prompts.messages.constFirst();
        QCOMPARE(message.icon, zkd::PromptIcon::Warning);
        const QString folder = QDir::toNativeSeparators(QFileInfo(out.filePath(chosen)).absolutePath());
        QVERIFY2(message.text.contains(QLatin1Char('"') + folder + QLatin1Char('"')), qPrintable(message.text));
        QCOMPARE(after, before);
        return;
    }
    QVERIFY(g.fixture.prompts.messages.isEmpty());
    if (written.isEmpty()) {
        QCOMPARE(after, before);
        return;
    }
    QCOMPARE(after.size(), before.size() + 1);
    const QByteArray content = readFile(out.filePath(written));
    if (startsWith.size() > 100)
        QCOMPARE(content, startsWith);
    QVERIFY2(content.startsWith(startsWith), content.left(60).constData());
    if (startsWith.startsWith("\x89PNG")) {
        const QImage picture(out.filePath(written), "PNG");
        QVERIFY(picture.width() >= graph->width() && picture.height() >= graph->height());
    } else if (startsWith.startsWith("<?xml")) {
        // The traces are drawn as vectors in the colours of the inputs.
        QVERIFY(content.contains("<svg"));
        QVERIFY(content.contains("#0000c0"));
        QVERIFY(content.contains("#c00000"));
    }
    // A second save to the same name asks first; No keeps the file.
    g.fixture.prompts.files.enqueue(out.filePath(written));
    g.fixture.prompts.answers.enqueue(zkd::PromptButton::No);
    action->trigger();
    QCOMPARE(g.fixture.prompts.messages.size(), 1);
    QCOMPARE(g.fixture.prompts.messages.constFirst().buttons,
             (QList<zkd::PromptButton>{zkd::PromptButton::Yes, zkd::PromptButton::No}));
    QCOMPARE(readFile(out.filePath(written)), content);
}

void TestUiGraph::headerLinesAreShownAsWritten()
{
    Rig rig;
    QFile work(rig.form->workFilePath());
    QVERIFY(work.open(QIODevice::WriteOnly));
    work.write("INP1 = <b>bar</b>\r\nSR1 =  5\r\nINP2 = <font color=red>x</font>&amp;\r\nSR2 = 47\r\n"
               "Pri = <img src=x>1\r\n");
    work.close();

    rig.form->KopfLesen_Click();
    QCOMPARE(rig.form->Label5->text(), QStringLiteral("INP1 = <b>bar</b>"));
    QCOMPARE(rig.form->Label6->text(), QStringLiteral("INP2 = <font color=red>x</font>&amp;"));
    QCOMPARE(rig.form->Label11->text(), QStringLiteral("Pri = <img src=x>1"));
    // Every label that shows a part of these lines, here and in the graph window, shows it as plain text.
    QList<QLabel *> labels = rig.form->findChildren<QLabel *>();
    labels += rig.form->graph()->findChildren<QLabel *>();
    int shown = 0;
    for (const QLabel *label : labels) {
        if (!label->text().contains(QLatin1Char('<')))
            continue;
        ++shown;
        QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
    }
    QVERIFY(shown >= 5); // Label5, Label6, Label11 and the graph's unit labels
}

QTEST_MAIN(TestUiGraph)
#include "tst_ui_graph.moc"
