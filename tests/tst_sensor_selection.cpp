#include "sensor/SensorSelection.h"
#include "sensor/SensorTable.h"

#include <QtTest>

using zkd::SensorSelection;
using zkd::SensorTable;

namespace {

QString mainText(int code)
{
    return SensorTable::scaleText(*SensorTable::find(code), SensorTable::Window::Main);
}

QString graphText(int code)
{
    return SensorTable::scaleText(*SensorTable::find(code), SensorTable::Window::Graph);
}

// Values an earlier selection left for one input, with a lower end that a
// recognised code has to reset.
SensorSelection::Input earlierInput()
{
    SensorSelection::Input input;
    input.scaleMax = 400;
    input.scaleMin = 7;
    input.mainCaption = QStringLiteral("*");
    input.graphCaption = QStringLiteral("graph before");
    return input;
}

SensorSelection::State earlierState()
{
    SensorSelection::State state;
    state.input1 = earlierInput();
    state.input2 = earlierInput();
    return state;
}

} // namespace

class TestSensorSelection : public QObject
{
    Q_OBJECT

private slots:
    void sensorCode_data();
    void sensorCode();
    void selectBothInputs_data();
    void selectBothInputs();
    void unrecognisedBeforeAnySelectionGivesZero();
    void inputsAreIndependent();
};

void TestSensorSelection::sensorCode_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("code");

    QTest::newRow("blank and digit") << "SR1 =  5" << 5;
    QTest::newRow("two digits") << "SR2 = 47" << 47;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("letters") << "xy" << 0;
    QTest::newRow("single character") << "7" << 7;
    QTest::newRow("only the last two count") << "SR1 = 123" << 23;
    QTest::newRow("digit then letter") << "SR1 = 5x" << 5;
    QTest::newRow("half rounds to even zero") << "SR1 = .5" << 0;
    QTest::newRow("negative") << "SR1 =-3" << -3;
}

void TestSensorSelection::sensorCode()
{
    QFETCH(QString, field);
    QFETCH(int, code);
    QCOMPARE(SensorSelection::sensorCode(field), code);
}

void TestSensorSelection::selectBothInputs_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("recognised");
    QTest::addColumn<int>("fullScale");
    QTest::addColumn<bool>("mainCaptionEmpty");

    QTest::newRow("empty field") << "" << true << 100 << true;
    QTest::newRow("code 0") << "SR1 =  0" << true << 100 << false;
    QTest::newRow("blank and 5") << "SR1 =  5" << true << 400 << false;
    QTest::newRow("47") << "SR1 = 47" << true << 10000 << false;
    QTest::newRow("44 top tick 158.5") << "SR1 = 44" << true << 158 << false;
    QTest::newRow("40 top tick 3.963") << "SR1 = 40" << true << 4 << false;
    QTest::newRow("15") << "SR1 = 15" << false << 400 << false;
    QTest::newRow("48") << "SR1 = 48" << false << 400 << false;
    QTest::newRow("-1") << "SR1 =-1" << false << 400 << false;
}

void TestSensorSelection::selectBothInputs()
{
    QFETCH(QString, field);
    QFETCH(bool, recognised);
    QFETCH(int, fullScale);
    QFETCH(bool, mainCaptionEmpty);

    const SensorSelection::Input before = earlierInput();
    const auto result = SensorSelection::select(field, field, earlierState());
    const int code = SensorSelection::sensorCode(field);
    for (const SensorSelection::Input &input : {result.state.input1, result.state.input2}) {
        QCOMPARE(int(input.scaleMax), fullScale);
        QCOMPARE(int(input.scaleMin), recognised ? 0 : int(before.scaleMin));
        QCOMPARE(input.graphCaption, recognised ? graphText(code) : before.graphCaption);
        if (mainCaptionEmpty)
            QCOMPARE(input.mainCaption, QString());
        else
            QCOMPARE(input.mainCaption, recognised ? mainText(code) : before.mainCaption);
    }
    QCOMPARE(int(result.bar1FullScale), fullScale);
    QCOMPARE(int(result.bar2FullScale), fullScale);
}

void TestSensorSelection::unrecognisedBeforeAnySelectionGivesZero()
{
    const auto result = SensorSelection::select(QStringLiteral("SR1 = 15"), QStringLiteral("SR2 = 15"), {});
    QCOMPARE(int(result.bar1FullScale), 0);
    QCOMPARE(int(result.bar2FullScale), 0);
}

void TestSensorSelection::inputsAreIndependent()
{
    const auto result = SensorSelection::select(QStringLiteral("SR1 =  3"), QStringLiteral("SR2 = 23"), earlierState());
    QCOMPARE(int(result.state.input1.scaleMax), 4);
    QCOMPARE(result.state.input1.mainCaption, mainText(3));
    QCOMPARE(result.state.input1.graphCaption, graphText(3));
    QCOMPARE(int(result.state.input2.scaleMax), 10000);
    QCOMPARE(result.state.input2.mainCaption, mainText(23));
    QCOMPARE(result.state.input2.graphCaption, graphText(23));
    QCOMPARE(int(result.bar1FullScale), 4);
    QCOMPARE(int(result.bar2FullScale), 10000);
}

QTEST_GUILESS_MAIN(TestSensorSelection)
#include "tst_sensor_selection.moc"
