#pragma once

#include <QByteArray>
#include <QString>

#include <array>

namespace zkd::sim {

// What the instrument sends: the header lines at the beginning of a
// transmission and one record line per reading. Pure formatting plus the
// running maximum and minimum of each input; the caller supplies time and
// actual values, so every line can be checked in a unit test.
class RecordGenerator
{
public:
    struct Input
    {
        QString unit;
        int sensorCode = 0;
    };

    static constexpr int kFieldCount = 7;
    // Width of each field of a record line, time first. Values are right-aligned
    // so that each one ends under the last character of its column title in the
    // recorder's table heading
    // "     Time        ACT 1        MAX 1       MIN 1        ACT 2        MAX 2      MIN 2 ".
    static constexpr std::array<int, kFieldCount> kFieldWidths{9, 13, 13, 12, 13, 13, 11};
    static constexpr char kOverflowText[] = "*Ovl*";
    static constexpr char kPriLine[] = "Pri = 1";
    static constexpr char kLineEnd[] = "\r\n";

    RecordGenerator(Input input1, Input input2);

    // Full scale of a sensor code as the recorder's sensor table gives it;
    // codes outside the table give 100.
    static int fullScale(int sensorCode);
    // Decimals a reading carries for a given full scale: 3 below 10, 2 below
    // 100, 1 otherwise, so every value has a decimal point.
    static int decimals(int fullScale);

    int fullScale1() const;
    int fullScale2() const;

    // "INP1 = <unit>", "SR1 = <code as %2d>", "INP2 = ...", "SR2 = ...", "Pri = ...",
    // each ended by CR LF; 8-bit text.
    QByteArray header() const;

    // Forgets the running maximum and minimum; a new transmission starts.
    void restart();

    // One record line: time with one decimal, then ACT, MAX, MIN of input 1 and
    // of input 2, ended by CR LF. The actual values are rounded to the decimals
    // of their input first and then enter the running maximum and minimum; any
    // value beyond the input's full scale is sent as "*Ovl*".
    QByteArray record(double timeSeconds, double act1, double act2);

private:
    struct Channel
    {
        int fullScale = 0;
        int decimals = 1;
        bool seen = false;
        double max = 0.0;
        double min = 0.0;
    };

    static double quantise(double value, int decimalCount);
    static QByteArray valueText(const Channel &channel, double value);
    static void addField(QByteArray &line, const QByteArray &text, int width, bool first);
    static void track(Channel &channel, double value);

    Input m_input1;
    Input m_input2;
    Channel m_channel1;
    Channel m_channel2;
};

} // namespace zkd::sim
