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

// Values a previous selection left for one input: the 400 range with a
// lower end the selection has to reset.
SensorSelection::Input earlierInput()
{
    SensorSelection::Input input;
    input.scaleMax = 400;
    input.scaleMin = 7;
    input.mainCaption = QStringLiteral("*");
    input.graphCaption = QStringLiteral("graph before");
    return input;
}

} // namespace

class TestSensorSelection : public QObject
{
    Q_OBJECT

private slots:
    void sensorCode_data();
    void sensorCode();
    void fullScaleFromField_data();
    void fullScaleFromField();
    void emptyFieldKeepsGraphScaleOnly();
    void codeZeroShowsMainScale();
    void unrecognisedCodeChangesNothing_data();
    void unrecognisedCodeChangesNothing();
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

void TestSensorSelection::fullScaleFromField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("fullScale");

    QTest::newRow("blank and 5") << "SR1 =  5" << 400;
    QTest::newRow("47") << "SR1 = 47" << 10000;
    QTest::newRow("44 top tick 158.5") << "SR1 = 44" << 158;
    QTest::newRow("40 top tick 3.963") << "SR1 = 40" << 4;
}

void TestSensorSelection::fullScaleFromField()
{
    QFETCH(QString, field);
    QFETCH(int, fullScale);

    const int code = SensorSelection::sensorCode(field);
    const auto onInput1 = SensorSelection::select(field, QStringLiteral("SR2 = 15"), {});
    QCOMPARE(int(onInput1.state.input1.scaleMax), fullScale);
    QCOMPARE(int(onInput1.bar1FullScale), fullScale);
    QCOMPARE(onInput1.state.input1.mainCaption, mainText(code));
    QCOMPARE(onInput1.state.input1.graphCaption, graphText(code));

    const auto onInput2 = SensorSelection::select(QStringLiteral("SR1 = 15"), field, {});
    QCOMPARE(int(onInput2.state.input2.scaleMax), fullScale);
    QCOMPARE(int(onInput2.bar2FullScale), fullScale);
    QCOMPARE(onInput2.state.input2.mainCaption, mainText(code));
    QCOMPARE(onInput2.state.input2.graphCaption, graphText(code));
}

void TestSensorSelection::emptyFieldKeepsGraphScaleOnly()
{
    SensorSelection::State before;
    before.input1 = earlierInput();
    before.input2 = earlierInput();

    const auto result = SensorSelection::select(QString(), QString(), before);
    for (const SensorSelection::Input &input : {result.state.input1, result.state.input2}) {
        QCOMPARE(int(input.scaleMax), 100);
        QCOMPARE(int(input.scaleMin), 0);
        QCOMPARE(input.mainCaption, QString());
        QCOMPARE(input.graphCaption, graphText(0));
    }
    QCOMPARE(int(result.bar1FullScale), 100);
    QCOMPARE(int(result.bar2FullScale), 100);
}

void TestSensorSelection::codeZeroShowsMainScale()
{
    const auto result = SensorSelection::select(QStringLiteral("SR1 =  0"), QStringLiteral("SR2 =  0"), {});
    QCOMPARE(result.state.input1.mainCaption, mainText(0));
    QCOMPARE(result.state.input2.mainCaption, mainText(0));
    QVERIFY(!result.state.input1.mainCaption.isEmpty());
}

void TestSensorSelection::unrecognisedCodeChangesNothing_data()
{
    QTest::addColumn<QString>("field");

    QTest::newRow("15") << "SR1 = 15";
    QTest::newRow("48") << "SR1 = 48";
    QTest::newRow("99") << "SR1 = 99";
    QTest::newRow("-1") << "SR1 =-1";
}

void TestSensorSelection::unrecognisedCodeChangesNothing()
{
    QFETCH(QString, field);

    SensorSelection::State before;
    before.input1 = earlierInput();
    before.input2 = earlierInput();

    const auto result = SensorSelection::select(field, field, before);
    for (const SensorSelection::Input &input : {result.state.input1, result.state.input2}) {
        QCOMPARE(int(input.scaleMax), 400);
        QCOMPARE(int(input.scaleMin), 7);
        QCOMPARE(input.mainCaption, QStringLiteral("*"));
        QCOMPARE(input.graphCaption, QStringLiteral("graph before"));
    }
    QCOMPARE(int(result.bar1FullScale), 400);
    QCOMPARE(int(result.bar2FullScale), 400);
}

void TestSensorSelection::unrecognisedBeforeAnySelectionGivesZero()
{
    const auto result = SensorSelection::select(QStringLiteral("SR1 = 15"), QStringLiteral("SR2 = 15"), {});
    QCOMPARE(int(result.bar1FullScale), 0);
    QCOMPARE(int(result.bar2FullScale), 0);
    QCOMPARE(result.state.input1.mainCaption, QString());
    QCOMPARE(result.state.input2.graphCaption, QString());
}

void TestSensorSelection::inputsAreIndependent()
{
    SensorSelection::State before;
    before.input1 = earlierInput();
    before.input2 = earlierInput();

    const auto result = SensorSelection::select(QStringLiteral("SR1 =  3"), QStringLiteral("SR2 = 23"), before);
    QCOMPARE(int(result.state.input1.scaleMax), 4);
    QCOMPARE(int(result.state.input1.scaleMin), 0);
    QCOMPARE(result.state.input1.mainCaption, mainText(3));
    QCOMPARE(result.state.input1.graphCaption, graphText(3));
    QCOMPARE(int(result.state.input2.scaleMax), 10000);
    QCOMPARE(int(result.state.input2.scaleMin), 0);
    QCOMPARE(result.state.input2.mainCaption, mainText(23));
    QCOMPARE(result.state.input2.graphCaption, graphText(23));
    QCOMPARE(int(result.bar1FullScale), 4);
    QCOMPARE(int(result.bar2FullScale), 10000);
}

QTEST_GUILESS_MAIN(TestSensorSelection)
#include "tst_sensor_selection.moc"
