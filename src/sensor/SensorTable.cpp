#include "sensor/SensorTable.h"

#include "util/Numbers.h"

#include <QLatin1String>

#include <algorithm>

namespace zkd {
namespace {

constexpr bool kEndBlank = true;
constexpr bool kNoEndBlank = false;

// Runs are written as the range table gives them: {7, 10} is ten gaps of 7
// blanks, {14, 1}, {13, 1}, {21, 7} is 14, 13, then seven gaps of 21.
std::vector<SensorTable::Row> buildRows()
{
    return {
        {{0, 4, 8, 10, 12, 14, 24, 32, 34, 36, 38},
         {"100.0", "90.0", "80.0", "70.0", "60.0", "50.0", "40.0", "30.0", "20.0", "10.0", "00.0"},
         {{7, 10}},
         {{19, 10}},
         nullptr,
         kEndBlank},
        {{3},
         {"4.00", "3.60", "3.20", "2.80", "2.40", "2.00", "1.60", "1.20", "0.80", "0.40", "0.00"},
         {{1, 9}, {2, 1}},
         {{12, 10}},
         nullptr,
         kEndBlank},
        {{2, 7, 16},
         {"15.0", "13.5", "12.0", "10.5", "9.0", "7.5", "6.0", "4.5", "3.0", "1.5", "0.0"},
         {{1, 3}, {9, 7}},
         {{14, 1}, {13, 1}, {14, 1}, {21, 7}},
         nullptr,
         kEndBlank},
        {{9, 17},
         {"60.0", "54.0", "48.0", "42.0", "36.0", "30.0", "24.0", "18.0", "12.0", "6.0", "0.0"},
         {{1, 8}, {9, 2}},
         {{14, 1}, {13, 1}, {14, 1}, {19, 1}, {18, 1}, {19, 3}, {21, 2}},
         nullptr,
         kEndBlank},
        {{1, 11, 18, 22},
         {"150.0", "135.0", "120.0", "105.0", "90.0", "75.0", "60.0", "45.0", "30.0", "15.0", "00.0"},
         {{1, 3}, {7, 7}},
         {{13, 1}, {15, 2}, {19, 7}},
         nullptr,
         kEndBlank},
        {{19},
         {"300.0", "270.0", "240.0", "210.0", "180.0", "150.0", "120.0", "90.0", "60.0", "30.0", "00.0"},
         {{2, 4}, {3, 2}, {7, 4}},
         {{12, 1}, {16, 1}, {13, 1}, {12, 1}, {10, 1}, {11, 1}, {18, 1}, {19, 3}},
         nullptr,
         kEndBlank},
        {{5},
         {"400.0", "360.0", "320.0", "280.0", "240.0", "200.0", "160.0", "120.0", "80.0", "40.0", "00.0"},
         {{5, 1}, {4, 4}, {3, 2}, {7, 3}},
         {{14, 1}, {16, 1}, {14, 1}, {16, 1}, {13, 1}, {16, 1}, {13, 1}, {19, 3}},
         nullptr,
         kNoEndBlank},
        {{13, 20},
         {"600.0", "540.0", "480.0", "420.0", "360.0", "300.0", "240.0", "180.0", "120.0", "60.0", "00.0"},
         {{5, 1}, {4, 1}, {5, 1}, {4, 5}, {7, 2}},
         {{14, 1}, {16, 1}, {13, 1}, {17, 1}, {13, 1}, {16, 1}, {14, 1}, {17, 1}, {19, 2}},
         nullptr,
         kEndBlank},
        {{21},
         {"750.0", "675.0", "600.0", "525.0", "450.0", "375.0", "300.0", "225.0", "150.0", "75.0", "00.0"},
         {{4, 8}, {7, 2}},
         {{14, 1}, {17, 1}, {13, 1}, {16, 1}, {14, 1}, {15, 2}, {16, 1}, {19, 2}},
         nullptr,
         kEndBlank},
        {{6},
         {"1000", "900.0", "800.0", "700.0", "600.0", "500.0", "400.0", "300.0", "200.0", "100.0", "000.0"},
         {{6, 1}, {5, 9}},
         {{17, 1}, {16, 1}, {15, 8}},
         nullptr,
         kEndBlank},
        {{23, 47},
         {"10000", "9000", "8000", "7000", "6000", "5000", "4000", "3000", "2000", "1000", "0000"},
         {{6, 10}},
         {{18, 10}},
         nullptr,
         kEndBlank},
        {{25, 46},
         {"540", "486", "432", "378", "324", "270", "216", "162", "108", "54", "00"},
         {{2, 8}, {10, 2}},
         {{20, 1}, {19, 1}, {20, 1}, {19, 2}, {18, 1}, {19, 2}, {22, 2}},
         nullptr,
         kEndBlank},
        {{26},
         {"232.0", "208.8", "185.6", "162.4", "139.2", "116.0", "92.8", "69.6", "46.4", "23.2", "0.00"},
         {{1, 5}, {7, 5}},
         {{17, 5}, {19, 5}},
         "00.0",
         kEndBlank},
        {{27},
         {"58.02", "52.20", "46.40", "40.60", "34.80", "29.00", "23.20", "17.40", "11.60", "5.80", "0.00"},
         {{1, 8}, {7, 2}},
         {{9, 1}, {12, 2}, {11, 2}, {9, 1}, {11, 1}, {10, 1}, {19, 2}},
         nullptr,
         kEndBlank},
        {{28},
         {"1450", "1305", "1160", "1015", "870", "725", "580", "435", "290", "145", "000"},
         {{1, 3}, {8, 7}},
         {{17, 1}, {18, 1}, {17, 1}, {20, 7}},
         nullptr,
         kEndBlank},
        {{29},
         {"5802", "5220", "4640", "4060", "3480", "2900", "2320", "1740", "1160", "580", "000"},
         {{2, 8}, {8, 2}},
         {{18, 2}, {16, 1}, {18, 5}, {20, 2}},
         nullptr,
         kEndBlank},
        {{30},
         {"14502", "13050", "11600", "10150", "8700", "7250", "5800", "4350", "2900", "1450", "0000"},
         {{1, 3}, {6, 7}},
         {{9, 1}, {12, 2}, {18, 5}, {17, 1}, {18, 1}},
         nullptr,
         kEndBlank},
        {{31},
         {"217.6", "195.8", "174.1", "152.3", "130.6", "108.8", "87.1", "65.3", "43.5", "21.8", "00.0"},
         {{1, 5}, {7, 5}},
         {{8, 1}, {10, 1}, {12, 2}, {11, 1}, {19, 5}},
         nullptr,
         kEndBlank},
        {{33},
         {"870.2", "783.2", "696.2", "609.1", "522.1", "435.1", "348.1", "261.1", "174.0", "87.0", "00.0"},
         {{1, 8}, {7, 2}},
         {{8, 1}, {11, 1}, {12, 1}, {11, 2}, {10, 1}, {11, 1}, {12, 1}, {19, 2}},
         nullptr,
         kEndBlank},
        {{35},
         {"2176", "1958", "1741", "1523", "1306", "1088", "870", "653", "435", "218", "000"},
         {{1, 5}, {8, 5}},
         {{11, 2}, {13, 1}, {12, 2}, {20, 5}},
         nullptr,
         kEndBlank},
        {{39},
         {"21756", "19580", "17405", "15229", "13054", "10878", "8702", "6527", "4351", "2176", "0000"},
         {{1, 5}, {6, 5}},
         {{8, 2}, {11, 1}, {9, 1}, {11, 1}, {18, 5}},
         nullptr,
         kEndBlank},
        {{37},
         {"8702", "7832", "6962", "6091", "5221", "4351", "3481", "2611", "1740", "870", "000"},
         {{1, 8}, {8, 2}},
         {{12, 1}, {10, 1}, {12, 1}, {11, 1}, {13, 2}, {10, 2}, {20, 2}},
         nullptr,
         kEndBlank},
        {{40},
         {"3.963", "3.567", "3.170", "2.774", "2.378", "1.982", "1.585", "1.189", "0.793", "0.396", "0.000"},
         {{1, 10}},
         {{8, 2}, {10, 1}, {11, 1}, {10, 1}, {8, 1}, {9, 2}, {11, 1}, {13, 1}},
         nullptr,
         kEndBlank},
        {{41},
         {"15.85", "14.26", "12.68", "11.09", "9.51", "7.92", "6.34", "4.77", "3.17", "1.58", "0.00"},
         {{1, 3}, {7, 7}},
         {{9, 2}, {11, 1}, {19, 1}, {18, 1}, {19, 5}},
         nullptr,
         kEndBlank},
        {{42},
         {"39.63", "35.67", "31.70", "27.74", "23.78", "19.82", "15.85", "11.89", "7.93", "3.96", "0.00"},
         {{1, 7}, {7, 3}},
         {{8, 1}, {6, 1}, {11, 1}, {9, 1}, {11, 1}, {9, 3}, {13, 1}, {14, 1}},
         "000",
         kEndBlank},
        {{43},
         {"79.25", "71.33", "63.40", "55.48", "47.55", "39.63", "31.70", "23.78", "15.85", "7.93", "0.00"},
         {{1, 8}, {7, 2}},
         {{8, 1}, {9, 1}, {11, 1}, {9, 1}, {11, 1}, {9, 3}, {19, 2}},
         nullptr,
         kEndBlank},
        {{44},
         {"158.5", "142.6", "126.8", "110.9", "95.1", "79.3", "63.4", "47.5", "31.7", "15.8", "0.00"},
         {{1, 3}, {7, 7}},
         {{8, 1}, {9, 1}, {11, 1}, {19, 1}, {18, 1}, {19, 5}},
         "00.0",
         kEndBlank},
        {{45},
         {"198.2", "178.4", "158.6", "138.7", "118.9", "99.1", "79.3", "59.5", "39.6", "19.8", "00.0"},
         {{1, 4}, {7, 6}},
         {{8, 2}, {13, 1}, {11, 1}, {19, 6}},
         nullptr,
         kEndBlank},
    };
}

} // namespace

const std::vector<SensorTable::Row> &SensorTable::rows()
{
    static const std::vector<Row> table = buildRows();
    return table;
}

bool SensorTable::hasCode(const Row &row, int code)
{
    return std::find(row.codes.begin(), row.codes.end(), code) != row.codes.end();
}

const SensorTable::Row *SensorTable::find(int code)
{
    for (const Row &row : rows()) {
        if (hasCode(row, code))
            return &row;
    }
    return nullptr;
}

std::int16_t SensorTable::fullScale(const Row &row)
{
    // Every top tick of the table lies well inside the 16-bit range.
    return roundToInt16(leadingNumber(QString::fromLatin1(row.ticks.front()))).value_or(0);
}

QStringList SensorTable::ticks(const Row &row, Window window)
{
    QStringList texts;
    texts.reserve(kTickCount);
    for (const char *tick : row.ticks)
        texts.append(QLatin1String(tick));
    if (window == Window::Graph && row.graphLastTick)
        texts.back() = QLatin1String(row.graphLastTick);
    return texts;
}

std::vector<int> SensorTable::expandRuns(const std::vector<Run> &runs)
{
    std::vector<int> blanks;
    blanks.reserve(kGapCount);
    for (const Run &run : runs)
        blanks.insert(blanks.end(), static_cast<std::size_t>(run.count), run.blanks);
    return blanks;
}

std::vector<int> SensorTable::gaps(const Row &row, Window window)
{
    return expandRuns(window == Window::Main ? row.mainRuns : row.graphRuns);
}

QString SensorTable::scaleText(const Row &row, Window window)
{
    const QStringList tickTexts = ticks(row, window);
    const std::vector<int> blanks = gaps(row, window);
    Q_ASSERT(blanks.size() == static_cast<std::size_t>(kGapCount));

    QString text = tickTexts.front();
    for (std::size_t gap = 0; gap < blanks.size(); ++gap) {
        text += QString(blanks[gap], QLatin1Char(' '));
        text += tickTexts.at(static_cast<qsizetype>(gap) + 1);
    }
    const bool endBlank = window == Window::Graph || row.mainEndsWithBlank;
    if (endBlank)
        text += QLatin1Char(' ');
    return text;
}

} // namespace zkd
