#include "sensor/SensorTable.h"

#include <QList>
#include <QtTest>

#include <map>

using zkd::SensorTable;

namespace {

using Window = SensorTable::Window;

// The range table as printed: ticks separated by one blank, gaps in the
// table's run notation ("1x3, 9x7" is three gaps of 1, then seven of 9).
struct Expected
{
    std::vector<int> codes;
    int fullScale;
    const char *ticks;
    const char *mainGaps;
    const char *graphGaps;
    const char *graphLastTick;
    bool mainEndsWithBlank;
};

const std::vector<Expected> kExpected = {
    {{0, 4, 8, 10, 12, 14, 24, 32, 34, 36, 38},
     100,
     "100.0 90.0 80.0 70.0 60.0 50.0 40.0 30.0 20.0 10.0 00.0",
     "7x10",
     "19x10",
     nullptr,
     true},
    {{3}, 4, "4.00 3.60 3.20 2.80 2.40 2.00 1.60 1.20 0.80 0.40 0.00", "1x9, 2", "12x10", nullptr, true},
    {{2, 7, 16}, 15, "15.0 13.5 12.0 10.5 9.0 7.5 6.0 4.5 3.0 1.5 0.0", "1x3, 9x7", "14, 13, 14, 21x7", nullptr, true},
    {{9, 17},
     60,
     "60.0 54.0 48.0 42.0 36.0 30.0 24.0 18.0 12.0 6.0 0.0",
     "1x8, 9x2",
     "14, 13, 14, 19, 18, 19x3, 21x2",
     nullptr,
     true},
    {{1, 11, 18, 22},
     150,
     "150.0 135.0 120.0 105.0 90.0 75.0 60.0 45.0 30.0 15.0 00.0",
     "1x3, 7x7",
     "13, 15x2, 19x7",
     nullptr,
     true},
    {{19},
     300,
     "300.0 270.0 240.0 210.0 180.0 150.0 120.0 90.0 60.0 30.0 00.0",
     "2x4, 3x2, 7x4",
     "12, 16, 13, 12, 10, 11, 18, 19x3",
     nullptr,
     true},
    {{5},
     400,
     "400.0 360.0 320.0 280.0 240.0 200.0 160.0 120.0 80.0 40.0 00.0",
     "5, 4x4, 3x2, 7x3",
     "14, 16, 14, 16, 13, 16, 13, 19x3",
     nullptr,
     false},
    {{13, 20},
     600,
     "600.0 540.0 480.0 420.0 360.0 300.0 240.0 180.0 120.0 60.0 00.0",
     "5, 4, 5, 4x5, 7x2",
     "14, 16, 13, 17, 13, 16, 14, 17, 19x2",
     nullptr,
     true},
    {{21},
     750,
     "750.0 675.0 600.0 525.0 450.0 375.0 300.0 225.0 150.0 75.0 00.0",
     "4x8, 7x2",
     "14, 17, 13, 16, 14, 15x2, 16, 19x2",
     nullptr,
     true},
    {{6},
     1000,
     "1000 900.0 800.0 700.0 600.0 500.0 400.0 300.0 200.0 100.0 000.0",
     "6, 5x9",
     "17, 16, 15x8",
     nullptr,
     true},
    {{23, 47}, 10000, "10000 9000 8000 7000 6000 5000 4000 3000 2000 1000 0000", "6x10", "18x10", nullptr, true},
    {{25, 46},
     540,
     "540 486 432 378 324 270 216 162 108 54 00",
     "2x8, 10x2",
     "20, 19, 20, 19x2, 18, 19x2, 22x2",
     nullptr,
     true},
    {{26}, 232, "232.0 208.8 185.6 162.4 139.2 116.0 92.8 69.6 46.4 23.2 0.00", "1x5, 7x5", "17x5, 19x5", "00.0", true},
    {{27},
     58,
     "58.02 52.20 46.40 40.60 34.80 29.00 23.20 17.40 11.60 5.80 0.00",
     "1x8, 7x2",
     "9, 12x2, 11x2, 9, 11, 10, 19x2",
     nullptr,
     true},
    {{28}, 1450, "1450 1305 1160 1015 870 725 580 435 290 145 000", "1x3, 8x7", "17, 18, 17, 20x7", nullptr, true},
    {{29},
     5802,
     "5802 5220 4640 4060 3480 2900 2320 1740 1160 580 000",
     "2x8, 8x2",
     "18x2, 16, 18x5, 20x2",
     nullptr,
     true},
    {{30},
     14502,
     "14502 13050 11600 10150 8700 7250 5800 4350 2900 1450 0000",
     "1x3, 6x7",
     "9, 12x2, 18x5, 17, 18",
     nullptr,
     true},
    {{31},
     218,
     "217.6 195.8 174.1 152.3 130.6 108.8 87.1 65.3 43.5 21.8 00.0",
     "1x5, 7x5",
     "8, 10, 12x2, 11, 19x5",
     nullptr,
     true},
    {{33},
     870,
     "870.2 783.2 696.2 609.1 522.1 435.1 348.1 261.1 174.0 87.0 00.0",
     "1x8, 7x2",
     "8, 11, 12, 11x2, 10, 11, 12, 19x2",
     nullptr,
     true},
    {{35},
     2176,
     "2176 1958 1741 1523 1306 1088 870 653 435 218 000",
     "1x5, 8x5",
     "11x2, 13, 12x2, 20x5",
     nullptr,
     true},
    {{39},
     21756,
     "21756 19580 17405 15229 13054 10878 8702 6527 4351 2176 0000",
     "1x5, 6x5",
     "8x2, 11, 9, 11, 18x5",
     nullptr,
     true},
    {{37},
     8702,
     "8702 7832 6962 6091 5221 4351 3481 2611 1740 870 000",
     "1x8, 8x2",
     "12, 10, 12, 11, 13x2, 10x2, 20x2",
     nullptr,
     true},
    {{40},
     4,
     "3.963 3.567 3.170 2.774 2.378 1.982 1.585 1.189 0.793 0.396 0.000",
     "1x10",
     "8x2, 10, 11, 10, 8, 9x2, 11, 13",
     nullptr,
     true},
    {{41},
     16,
     "15.85 14.26 12.68 11.09 9.51 7.92 6.34 4.77 3.17 1.58 0.00",
     "1x3, 7x7",
     "9x2, 11, 19, 18, 19x5",
     nullptr,
     true},
    {{42},
     40,
     "39.63 35.67 31.70 27.74 23.78 19.82 15.85 11.89 7.93 3.96 0.00",
     "1x7, 7x3",
     "8, 6, 11, 9, 11, 9x3, 13, 14",
     "000",
     true},
    {{43},
     79,
     "79.25 71.33 63.40 55.48 47.55 39.63 31.70 23.78 15.85 7.93 0.00",
     "1x8, 7x2",
     "8, 9, 11, 9, 11, 9x3, 19x2",
     nullptr,
     true},
    {{44},
     158,
     "158.5 142.6 126.8 110.9 95.1 79.3 63.4 47.5 31.7 15.8 0.00",
     "1x3, 7x7",
     "8, 9, 11, 19, 18, 19x5",
     "00.0",
     true},
    {{45},
     198,
     "198.2 178.4 158.6 138.7 118.9 99.1 79.3 59.5 39.6 19.8 00.0",
     "1x4, 7x6",
     "8x2, 13, 11, 19x6",
     nullptr,
     true},
};

QList<int> expandNotation(const QString &notation)
{
    QList<int> gaps;
    for (const QString &part : notation.split(QStringLiteral(", "))) {
        const QStringList blanksAndCount = part.split(QLatin1Char('x'));
        const int count = blanksAndCount.size() > 1 ? blanksAndCount.at(1).toInt() : 1;
        for (int i = 0; i < count; ++i)
            gaps.append(blanksAndCount.at(0).toInt());
    }
    return gaps;
}

// A scale text taken apart again: the texts between blank runs, the runs
// between them, and the blanks before the first and after the last tick.
struct Parsed
{
    QStringList ticks;
    QList<int> gaps;
    int leadingBlanks = 0;
    int trailingBlanks = 0;
};

Parsed parse(const QString &text)
{
    Parsed parsed;
    qsizetype pos = 0;
    auto blankRun = [&]() {
        const qsizetype start = pos;
        while (pos < text.size() && text.at(pos) == QLatin1Char(' '))
            ++pos;
        return static_cast<int>(pos - start);
    };
    parsed.leadingBlanks = blankRun();
    while (pos < text.size()) {
        const qsizetype start = pos;
        while (pos < text.size() && text.at(pos) != QLatin1Char(' '))
            ++pos;
        parsed.ticks.append(text.mid(start, pos - start));
        const int blanks = blankRun();
        if (pos < text.size())
            parsed.gaps.append(blanks);
        else
            parsed.trailingBlanks = blanks;
    }
    return parsed;
}

QString b(int count)
{
    return QString(count, QLatin1Char(' '));
}

} // namespace

class TestSensorTable : public QObject
{
    Q_OBJECT

private slots:
    void everyCode_data();
    void everyCode();
    void codeGroupsAreDisjoint();
    void handWrittenTexts_data();
    void handWrittenTexts();
};

void TestSensorTable::everyCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("known");
    QTest::addColumn<int>("fullScale");
    QTest::addColumn<QStringList>("ticks");
    QTest::addColumn<QList<int>>("mainGaps");
    QTest::addColumn<QList<int>>("graphGaps");
    QTest::addColumn<QString>("graphLastTick");
    QTest::addColumn<bool>("mainEndsWithBlank");

    std::map<int, const Expected *> byCode;
    for (const Expected &group : kExpected) {
        for (int code : group.codes)
            byCode[code] = &group;
    }
    auto addUnknown = [](int code) {
        QTest::addRow("unknown code %d", code)
            << code << false << 0 << QStringList() << QList<int>() << QList<int>() << QString() << false;
    };
    for (int code = 0; code <= 47; ++code) {
        const auto found = byCode.find(code);
        if (found == byCode.end()) {
            addUnknown(code);
            continue;
        }
        const Expected &group = *found->second;
        const QStringList ticks = QString::fromLatin1(group.ticks).split(QLatin1Char(' '));
        QTest::addRow("code %d", code) << code << true << group.fullScale << ticks
                                       << expandNotation(QString::fromLatin1(group.mainGaps))
                                       << expandNotation(QString::fromLatin1(group.graphGaps))
                                       << (group.graphLastTick ? QString::fromLatin1(group.graphLastTick)
                                                               : ticks.last())
                                       << group.mainEndsWithBlank;
    }
    for (int code : {48, -1, 99})
        addUnknown(code);
}

void TestSensorTable::everyCode()
{
    QFETCH(int, code);
    QFETCH(bool, known);
    QFETCH(int, fullScale);
    QFETCH(QStringList, ticks);
    QFETCH(QList<int>, mainGaps);
    QFETCH(QList<int>, graphGaps);
    QFETCH(QString, graphLastTick);
    QFETCH(bool, mainEndsWithBlank);

    const SensorTable::Row *row = SensorTable::find(code);
    QCOMPARE(row != nullptr, known);
    if (!row)
        return;

    QCOMPARE(int(SensorTable::fullScale(*row)), fullScale);
    QCOMPARE(SensorTable::ticks(*row, Window::Main), ticks);
    QStringList graphTicks = ticks;
    graphTicks.last() = graphLastTick;
    QCOMPARE(SensorTable::ticks(*row, Window::Graph), graphTicks);

    const Parsed main = parse(SensorTable::scaleText(*row, Window::Main));
    QCOMPARE(main.leadingBlanks, 0);
    QCOMPARE(main.ticks, ticks);
    QCOMPARE(main.gaps, mainGaps);
    QCOMPARE(main.trailingBlanks, mainEndsWithBlank ? 1 : 0);

    const Parsed graph = parse(SensorTable::scaleText(*row, Window::Graph));
    QCOMPARE(graph.leadingBlanks, 0);
    QCOMPARE(graph.ticks, graphTicks);
    QCOMPARE(graph.gaps, graphGaps);
    QCOMPARE(graph.trailingBlanks, 1);
}

void TestSensorTable::codeGroupsAreDisjoint()
{
    std::map<int, int> rowsPerCode;
    for (const SensorTable::Row &row : SensorTable::rows()) {
        for (int code : row.codes)
            ++rowsPerCode[code];
    }
    for (const auto &[code, count] : rowsPerCode)
        QVERIFY2(count == 1, qPrintable(QStringLiteral("code %1 is in %2 rows").arg(code).arg(count)));
}

void TestSensorTable::handWrittenTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("graphWindow");
    QTest::addColumn<QString>("expected");

    QTest::newRow("code 0 main") << 0 << false
                                 << "100.0" + b(7) + "90.0" + b(7) + "80.0" + b(7) + "70.0" + b(7) + "60.0" + b(7)
            + "50.0" + b(7) + "40.0" + b(7) + "30.0" + b(7) + "20.0" + b(7) + "10.0" + b(7) + "00.0 ";
    QTest::newRow("code 5 main") << 5 << false
                                 << "400.0" + b(5) + "360.0" + b(4) + "320.0" + b(4) + "280.0" + b(4) + "240.0" + b(4)
            + "200.0" + b(3) + "160.0" + b(3) + "120.0" + b(7) + "80.0" + b(7) + "40.0" + b(7) + "00.0";
    QTest::newRow("code 16 graph") << 16 << true
                                   << "15.0" + b(14) + "13.5" + b(13) + "12.0" + b(14) + "10.5" + b(21) + "9.0" + b(21)
            + "7.5" + b(21) + "6.0" + b(21) + "4.5" + b(21) + "3.0" + b(21) + "1.5" + b(21) + "0.0 ";
    QTest::newRow("code 42 graph") << 42 << true
                                   << "39.63" + b(8) + "35.67" + b(6) + "31.70" + b(11) + "27.74" + b(9) + "23.78"
            + b(11) + "19.82" + b(9) + "15.85" + b(9) + "11.89" + b(9) + "7.93" + b(13) + "3.96" + b(14) + "000 ";
}

void TestSensorTable::handWrittenTexts()
{
    QFETCH(int, code);
    QFETCH(bool, graphWindow);
    QFETCH(QString, expected);

    const SensorTable::Row *row = SensorTable::find(code);
    QVERIFY(row);
    QCOMPARE(SensorTable::scaleText(*row, graphWindow ? Window::Graph : Window::Main), expected);
}

QTEST_GUILESS_MAIN(TestSensorTable)
#include "tst_sensor_table.moc"
