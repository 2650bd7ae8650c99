#include "GarbageGenerator.h"
#include "RecordGenerator.h"
#include "SimOptions.h"
#include "Waveform.h"

#include <QtTest>

#include <vector>

using zkd::sim::GarbageGenerator;
using zkd::sim::RecordGenerator;
using zkd::sim::SimOptions;
using zkd::sim::Waveform;

Q_DECLARE_METATYPE(Waveform::Shape)

namespace {

// The recorder's live-table heading the record columns must line up with.
const QByteArray kHeading = "     Time        ACT 1        MAX 1       MIN 1        ACT 2        MAX 2      MIN 2 ";
const QList<QByteArray> kTitles = {"Time", "ACT 1", "MAX 1", "MIN 1", "ACT 2", "MAX 2", "MIN 2"};

// One past the last character of each column title in the heading.
QList<int> titleEnds()
{
    QList<int> ends;
    int from = 0;
    for (const QByteArray &title : kTitles) {
        const int at = static_cast<int>(kHeading.indexOf(title, from));
        ends.append(at + static_cast<int>(title.size()));
        from = ends.last();
    }
    return ends;
}

QList<QByteArray> fieldsOf(const QByteArray &line)
{
    QList<QByteArray> fields = line.trimmed().split(' ');
    fields.removeAll(QByteArray());
    return fields;
}

RecordGenerator generator(int code1, int code2)
{
    return RecordGenerator({QStringLiteral("bar"), code1}, {QStringLiteral("degrC"), code2});
}

QStringList args(const QStringList &options)
{
    return QStringList{QStringLiteral("zkd735-sim")} + options;
}

} // namespace

class TestSimGenerator : public QObject
{
    Q_OBJECT

private slots:
    void fullScaleOfSensorCode_data();
    void fullScaleOfSensorCode();
    void header_data();
    void header();
    void recordFields_data();
    void recordFields();
    void recordColumnsLineUpWithHeading_data();
    void recordColumnsLineUpWithHeading();
    void runningMaxMinAndRestart();
    void overflowStaysInMaxUntilRestart();
    void waveformStaysInRange_data();
    void waveformStaysInRange();
    void waveformPeriodAndPhase_data();
    void waveformPeriodAndPhase();
    void randomWalkDependsOnSeedOnly();
    void garbageIsReproducibleAndNasty();
    void optionDefaults();
    void optionValues();
    void optionErrors_data();
    void optionErrors();
};

void TestSimGenerator::fullScaleOfSensorCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("fullScale");
    QTest::newRow("0") << 0 << 100;
    QTest::newRow("38") << 38 << 100;
    QTest::newRow("3") << 3 << 4;
    QTest::newRow("40 top tick 3.963") << 40 << 4;
    QTest::newRow("16") << 16 << 15;
    QTest::newRow("17") << 17 << 60;
    QTest::newRow("22") << 22 << 150;
    QTest::newRow("19") << 19 << 300;
    QTest::newRow("5") << 5 << 400;
    QTest::newRow("20") << 20 << 600;
    QTest::newRow("21") << 21 << 750;
    QTest::newRow("6") << 6 << 1000;
    QTest::newRow("47") << 47 << 10000;
    QTest::newRow("46") << 46 << 540;
    QTest::newRow("26") << 26 << 232;
    QTest::newRow("27") << 27 << 58;
    QTest::newRow("28") << 28 << 1450;
    QTest::newRow("29") << 29 << 5802;
    QTest::newRow("30") << 30 << 14502;
    QTest::newRow("31") << 31 << 218;
    QTest::newRow("33") << 33 << 870;
    QTest::newRow("35") << 35 << 2176;
    QTest::newRow("39") << 39 << 21756;
    QTest::newRow("37") << 37 << 8702;
    QTest::newRow("41") << 41 << 16;
    QTest::newRow("42") << 42 << 40;
    QTest::newRow("43") << 43 << 79;
    QTest::newRow("44 top tick 158.5") << 44 << 158;
    QTest::newRow("45") << 45 << 198;
    QTest::newRow("15 not in table") << 15 << 100;
    QTest::newRow("99 not in table") << 99 << 100;
}

void TestSimGenerator::fullScaleOfSensorCode()
{
    QFETCH(int, code);
    QFETCH(int, fullScale);
    QCOMPARE(RecordGenerator::fullScale(code), fullScale);
}

void TestSimGenerator::header_data()
{
    QTest::addColumn<QString>("unit1");
    QTest::addColumn<int>("code1");
    QTest::addColumn<QString>("unit2");
    QTest::addColumn<int>("code2");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("defaults") << "bar" << 5 << "degrC" << 0
                              << QByteArray("INP1 = bar\r\nSR1 =  5\r\nINP2 = degrC\r\nSR2 =  0\r\nPri = 1\r\n");
    QTest::newRow("two-digit codes") << "mbar" << 47 << "degrF" << 23
                                     << QByteArray(
                                            "INP1 = mbar\r\nSR1 = 47\r\nINP2 = degrF\r\nSR2 = 23\r\nPri = 1\r\n");
    QTest::newRow("8-bit unit") << QStringLiteral("\u00b0C") << 0 << "%" << 9
                                << QByteArray("INP1 = \xb0"
                                              "C\r\nSR1 =  0\r\nINP2 = %\r\nSR2 =  9\r\nPri = 1\r\n");
}

void TestSimGenerator::header()
{
    QFETCH(QString, unit1);
    QFETCH(int, code1);
    QFETCH(QString, unit2);
    QFETCH(int, code2);
    QFETCH(QByteArray, expected);
    const RecordGenerator gen({unit1, code1}, {unit2, code2});
    QCOMPARE(gen.header(), expected);
    // The recorder reads the sensor code from the last two characters.
    const QList<QByteArray> lines = gen.header().split('\n');
    QCOMPARE(lines.at(1).chopped(1).right(2).trimmed().toInt(), code1);
    QCOMPARE(lines.at(3).chopped(1).right(2).trimmed().toInt(), code2);
}

void TestSimGenerator::recordFields_data()
{
    QTest::addColumn<int>("code1");
    QTest::addColumn<int>("code2");
    QTest::addColumn<double>("time");
    QTest::addColumn<double>("act1");
    QTest::addColumn<double>("act2");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("full scale 400 and 100")
        << 5 << 0 << 12.0 << 123.456 << 45.04 << QByteArray("12.0 123.5 123.5 123.5 45.0 45.0 45.0");
    QTest::newRow("full scale 4: three decimals")
        << 3 << 40 << 0.0 << 3.6 << 0.2 << QByteArray("0.0 3.600 3.600 3.600 0.200 0.200 0.200");
    QTest::newRow("full scale 60: two decimals")
        << 9 << 41 << 1.0 << 30.126 << 15.85 << QByteArray("1.0 30.13 30.13 30.13 15.85 15.85 15.85");
    QTest::newRow("largest values") << 39 << 30 << 99999.9 << 21756.0 << 14502.0
                                    << QByteArray("99999.9 21756.0 21756.0 21756.0 14502.0 14502.0 14502.0");
    QTest::newRow("exactly full scale is no overflow")
        << 0 << 0 << 3.0 << 100.0 << 100.04 << QByteArray("3.0 100.0 100.0 100.0 100.0 100.0 100.0");
    QTest::newRow("beyond full scale") << 0 << 5 << 3.0 << 100.06 << 400.1
                                       << QByteArray("3.0 *Ovl* *Ovl* *Ovl* *Ovl* *Ovl* *Ovl*");
    QTest::newRow("time one decimal") << 0 << 0 << 7.26 << 1.0 << 2.0 << QByteArray("7.3 1.0 1.0 1.0 2.0 2.0 2.0");
}

void TestSimGenerator::recordFields()
{
    QFETCH(int, code1);
    QFETCH(int, code2);
    QFETCH(double, time);
    QFETCH(double, act1);
    QFETCH(double, act2);
    QFETCH(QByteArray, expected);
    RecordGenerator gen = generator(code1, code2);
    const QByteArray line = gen.record(time, act1, act2);
    QVERIFY(line.endsWith("\r\n"));
    QCOMPARE(line.count('\r'), 1);
    QCOMPARE(line.count('\n'), 1);
    QCOMPARE(fieldsOf(line), expected.split(' '));
}

void TestSimGenerator::recordColumnsLineUpWithHeading_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("time");
    QTest::addColumn<double>("act");
    QTest::newRow("short values") << 3 << 0.0 << 0.1;
    QTest::newRow("typical values") << 5 << 125.5 << 333.3;
    QTest::newRow("widest values") << 39 << 99999.9 << 21000.0;
    QTest::newRow("overflow") << 0 << 12.0 << 150.0;
}

void TestSimGenerator::recordColumnsLineUpWithHeading()
{
    QFETCH(int, code);
    QFETCH(double, time);
    QFETCH(double, act);
    RecordGenerator gen = generator(code, code);
    const QByteArray line = gen.record(time, act, act).chopped(2);
    const QList<int> ends = titleEnds();
    QCOMPARE(line.size(), ends.last());
    for (int i = 0; i < ends.size(); ++i) {
        const int end = ends.at(i);
        QVERIFY2(line.at(end - 1) != ' ',
                 qPrintable(QStringLiteral("column %1 of '%2'").arg(i).arg(QString::fromLatin1(line))));
        QVERIFY2(end == line.size() || line.at(end) == ' ', qPrintable(QStringLiteral("column %1").arg(i)));
    }
    QCOMPARE(fieldsOf(line).size(), RecordGenerator::kFieldCount);
}

void TestSimGenerator::runningMaxMinAndRestart()
{
    RecordGenerator gen = generator(0, 0);
    struct Step
    {
        double act1;
        double act2;
        QByteArray fields; // ACT 1 .. MIN 2
    };
    const std::vector<Step> steps = {
        {50.0, 10.0, "50.0 50.0 50.0 10.0 10.0 10.0"},
        {60.04, 5.0, "60.0 60.0 50.0 5.0 10.0 5.0"},
        {40.0, 7.5, "40.0 60.0 40.0 7.5 10.0 5.0"},
        {55.0, 99.9, "55.0 60.0 40.0 99.9 99.9 5.0"},
    };
    double time = 0.0;
    for (const Step &step : steps) {
        const QList<QByteArray> fields = fieldsOf(gen.record(time, step.act1, step.act2));
        QCOMPARE(fields.mid(1), step.fields.split(' '));
        time += 1.0;
    }
    gen.restart();
    QCOMPARE(fieldsOf(gen.record(0.0, 20.0, 30.0)).mid(1), QByteArray("20.0 20.0 20.0 30.0 30.0 30.0").split(' '));
}

void TestSimGenerator::overflowStaysInMaxUntilRestart()
{
    RecordGenerator gen = generator(5, 0);
    gen.record(0.0, 100.0, 10.0);
    QCOMPARE(fieldsOf(gen.record(1.0, 440.0, 10.0)).mid(1, 3), QByteArray("*Ovl* *Ovl* 100.0").split(' '));
    QCOMPARE(fieldsOf(gen.record(2.0, 90.0, 10.0)).mid(1, 3), QByteArray("90.0 *Ovl* 90.0").split(' '));
    gen.restart();
    QCOMPARE(fieldsOf(gen.record(0.0, 90.0, 10.0)).mid(1, 3), QByteArray("90.0 90.0 90.0").split(' '));
}

void TestSimGenerator::waveformStaysInRange_data()
{
    QTest::addColumn<Waveform::Shape>("shape");
    QTest::addColumn<bool>("reachesEnds");
    QTest::newRow("sine") << Waveform::Shape::Sine << true;
    QTest::newRow("ramp") << Waveform::Shape::Ramp << true;
    QTest::newRow("square") << Waveform::Shape::Square << true;
    QTest::newRow("constant") << Waveform::Shape::Constant << false;
    QTest::newRow("random") << Waveform::Shape::Random << false;
}

void TestSimGenerator::waveformStaysInRange()
{
    QFETCH(Waveform::Shape, shape);
    QFETCH(bool, reachesEnds);
    const double fullScale = 400.0;
    Waveform wave(shape, fullScale, 0.0, 7);
    double lowest = fullScale;
    double highest = 0.0;
    for (double t = 0.0; t < 2 * Waveform::kPeriodSeconds; t += 0.1) {
        const double v = wave.valueAt(t);
        QVERIFY2(v >= fullScale * 0.05 - 1e-9 && v <= fullScale * 0.95 + 1e-9, qPrintable(QString::number(v)));
        lowest = qMin(lowest, v);
        highest = qMax(highest, v);
    }
    if (reachesEnds) {
        QVERIFY(lowest < fullScale * 0.06);
        QVERIFY(highest > fullScale * 0.94);
    }
    QVERIFY(highest > lowest || shape == Waveform::Shape::Constant);
}

void TestSimGenerator::waveformPeriodAndPhase_data()
{
    QTest::addColumn<Waveform::Shape>("shape");
    QTest::newRow("sine") << Waveform::Shape::Sine;
    QTest::newRow("ramp") << Waveform::Shape::Ramp;
    QTest::newRow("square") << Waveform::Shape::Square;
}

void TestSimGenerator::waveformPeriodAndPhase()
{
    QFETCH(Waveform::Shape, shape);
    const double quarter = Waveform::kPeriodSeconds / 4.0;
    Waveform plain(shape, 100.0, 0.0, 1);
    Waveform shifted(shape, 100.0, quarter, 1);
    bool differs = false;
    for (double t = 0.3; t < Waveform::kPeriodSeconds; t += 1.7) {
        QCOMPARE(plain.valueAt(t + Waveform::kPeriodSeconds), plain.valueAt(t));
        QCOMPARE(shifted.valueAt(t), plain.valueAt(t + quarter));
        differs = differs || shifted.valueAt(t) != plain.valueAt(t);
    }
    QVERIFY(differs);
}

void TestSimGenerator::randomWalkDependsOnSeedOnly()
{
    Waveform a(Waveform::Shape::Random, 100.0, 0.0, 42);
    Waveform b(Waveform::Shape::Random, 100.0, 0.0, 42);
    Waveform c(Waveform::Shape::Random, 100.0, 0.0, 43);
    bool differs = false;
    for (int i = 0; i < 50; ++i) {
        const double va = a.valueAt(i);
        QCOMPARE(b.valueAt(i * 3.0), va);
        differs = differs || c.valueAt(i) != va;
    }
    QVERIFY(differs);
}

void TestSimGenerator::garbageIsReproducibleAndNasty()
{
    GarbageGenerator a(9);
    GarbageGenerator b(9);
    QByteArray all;
    for (int i = 0; i < 200; ++i) {
        const QByteArray burst = a.burst();
        QCOMPARE(b.burst(), burst);
        QVERIFY(!burst.isEmpty() && burst.size() <= GarbageGenerator::kMaxBurst);
        all += burst;
    }
    QVERIFY(all.contains('\0'));
    QVERIFY(all.contains('\b'));
    QVERIFY(all.contains('\t'));
    QVERIFY(all.contains("*Ovl*"));
    bool loneCr = false;
    for (qsizetype i = 0; i + 1 < all.size(); ++i)
        loneCr = loneCr || (all.at(i) == '\r' && all.at(i + 1) != '\n');
    QVERIFY(loneCr);
    QVERIFY(GarbageGenerator(10).burst() != GarbageGenerator(9).burst()
            || GarbageGenerator(11).burst() != GarbageGenerator(9).burst());
}

void TestSimGenerator::optionDefaults()
{
    SimOptions options;
    QCOMPARE(options.parse(args({})).outcome, SimOptions::Outcome::Run);
    QCOMPARE(options.baud, 2400);
    QCOMPARE(options.intervalMs, 1000);
    QCOMPARE(options.unit1, QStringLiteral("bar"));
    QCOMPARE(options.unit2, QStringLiteral("degrC"));
    QCOMPARE(options.code1, 5);
    QCOMPARE(options.code2, 0);
    QCOMPARE(options.wave, Waveform::Shape::Sine);
    QCOMPARE(options.linkPath, QStringLiteral("./ttyZKD735"));
    QVERIFY(options.devicePath.isEmpty());
    QVERIFY(options.header);
    QVERIFY(!options.seed.has_value());
}

void TestSimGenerator::optionValues()
{
    SimOptions options;
    const auto result = options.parse(args({"--baud",      "0",
                                            "--interval",  "50",
                                            "--code1",     "47",
                                            "--code2",     "3",
                                            "--unit1",     "mbar",
                                            "--wave",      "random",
                                            "--seed",      "4000000000",
                                            "--overflow",  "4",
                                            "--records",   "9",
                                            "--no-header", "--link",
                                            "x/tty",       "--exit-after-stop",
                                            "--log-sent",  "s.log"}));
    QCOMPARE(result.outcome, SimOptions::Outcome::Run);
    QCOMPARE(options.baud, 0);
    QCOMPARE(options.intervalMs, 50);
    QCOMPARE(options.code1, 47);
    QCOMPARE(options.code2, 3);
    QCOMPARE(options.unit1, QStringLiteral("mbar"));
    QCOMPARE(options.wave, Waveform::Shape::Random);
    QCOMPARE(options.seed.value_or(0), 4000000000u);
    QCOMPARE(options.overflowEvery, 4);
    QCOMPARE(options.records, 9);
    QVERIFY(!options.header);
    QCOMPARE(options.linkPath, QStringLiteral("x/tty"));
    QVERIFY(options.exitAfterStop);
    QCOMPARE(options.logSentFile, QStringLiteral("s.log"));
    QCOMPARE(SimOptions().parse(args({"--help"})).outcome, SimOptions::Outcome::Help);
}

void TestSimGenerator::optionErrors_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("code above 99") << QStringList{"--code1", "100"};
    QTest::newRow("negative code") << QStringList{"--code2", "-1"};
    QTest::newRow("negative baud") << QStringList{"--baud", "-9600"};
    QTest::newRow("interval not a number") << QStringList{"--interval", "fast"};
    QTest::newRow("unknown wave") << QStringList{"--wave", "triangle"};
    QTest::newRow("unknown option") << QStringList{"--speed", "1"};
    QTest::newRow("stray argument") << QStringList{"/dev/ttyS0"};
    QTest::newRow("garbage and replay") << QStringList{"--garbage", "--replay", "f"};
    QTest::newRow("empty link") << QStringList{"--link", ""};
}

void TestSimGenerator::optionErrors()
{
    QFETCH(QStringList, options);
    SimOptions parsed;
    const auto result = parsed.parse(args(options));
    QCOMPARE(result.outcome, SimOptions::Outcome::Error);
    QVERIFY(!result.text.isEmpty());
}

QTEST_GUILESS_MAIN(TestSimGenerator)
#include "tst_sim_generator.moc"
