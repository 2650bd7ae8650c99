#include "RecordGenerator.h"

#include <QtGlobal>

#include <cmath>
#include <utility>

namespace zkd::sim {

namespace {

struct ScaleGroup
{
    int fullScale;
    std::initializer_list<int> codes;
};

// The instrument's sensor codes and the full scale the recorder derives from
// each (its top scale tick rounded to a whole number).
const ScaleGroup kScaleGroups[] = {
    {100, {0, 4, 8, 10, 12, 14, 24, 32, 34, 36, 38}},
    {4, {3, 40}},
    {15, {2, 7, 16}},
    {60, {9, 17}},
    {150, {1, 11, 18, 22}},
    {300, {19}},
    {400, {5}},
    {600, {13, 20}},
    {750, {21}},
    {1000, {6}},
    {10000, {23, 47}},
    {540, {25, 46}},
    {232, {26}},
    {58, {27}},
    {1450, {28}},
    {5802, {29}},
    {14502, {30}},
    {218, {31}},
    {870, {33}},
    {2176, {35}},
    {21756, {39}},
    {8702, {37}},
    {16, {41}},
    {40, {42}},
    {79, {43}},
    {158, {44}},
    {198, {45}},
};

constexpr int kDefaultFullScale = 100;
constexpr int kThreeDecimalsBelow = 10;
constexpr int kTwoDecimalsBelow = 100;
constexpr int kTimeDecimals = 1;
constexpr double kTen = 10.0;

QByteArray headerLine(const char *key, const QByteArray &value)
{
    return QByteArray(key) + " = " + value + RecordGenerator::kLineEnd;
}

QByteArray codeText(int code)
{
    return QByteArray::number(code).rightJustified(2, ' ');
}

} // namespace

RecordGenerator::RecordGenerator(Input input1, Input input2) : m_input1(std::move(input1)), m_input2(std::move(input2))
{
    m_channel1.fullScale = fullScale(m_input1.sensorCode);
    m_channel1.decimals = decimals(m_channel1.fullScale);
    m_channel2.fullScale = fullScale(m_input2.sensorCode);
    m_channel2.decimals = decimals(m_channel2.fullScale);
}

int RecordGenerator::fullScale(int sensorCode)
{
    for (const ScaleGroup &group : kScaleGroups) {
        for (int code : group.codes) {
            if (code == sensorCode)
                return group.fullScale;
        }
    }
    return kDefaultFullScale;
}

int RecordGenerator::decimals(int fullScaleValue)
{
    if (fullScaleValue < kThreeDecimalsBelow)
        return 3;
    if (fullScaleValue < kTwoDecimalsBelow)
        return 2;
    return 1;
}

int RecordGenerator::fullScale1() const
{
    return m_channel1.fullScale;
}

int RecordGenerator::fullScale2() const
{
    return m_channel2.fullScale;
}

QByteArray RecordGenerator::header() const
{
    return headerLine("INP1", m_input1.unit.toLatin1()) + headerLine("SR1", codeText(m_input1.sensorCode))
        + headerLine("INP2", m_input2.unit.toLatin1()) + headerLine("SR2", codeText(m_input2.sensorCode))
        + QByteArray(kPriLine) + kLineEnd;
}

void RecordGenerator::restart()
{
    m_channel1.seen = false;
    m_channel2.seen = false;
}

double RecordGenerator::quantise(double value, int decimalCount)
{
    const double factor = std::pow(kTen, decimalCount);
    return std::round(value * factor) / factor;
}

QByteArray RecordGenerator::valueText(const Channel &channel, double value)
{
    if (value > channel.fullScale)
        return QByteArray(kOverflowText);
    return QByteArray::number(value, 'f', channel.decimals);
}

void RecordGenerator::addField(QByteArray &line, const QByteArray &text, int width, bool first)
{
    const int minimumGap = first ? 0 : 1;
    const int gap = qMax(minimumGap, width - static_cast<int>(text.size()));
    line.append(QByteArray(gap, ' '));
    line.append(text);
}

void RecordGenerator::track(Channel &channel, double value)
{
    if (!channel.seen) {
        channel.seen = true;
        channel.max = value;
        channel.min = value;
        return;
    }
    channel.max = qMax(channel.max, value);
    channel.min = qMin(channel.min, value);
}

QByteArray RecordGenerator::record(double timeSeconds, double act1, double act2)
{
    const double value1 = quantise(act1, m_channel1.decimals);
    const double value2 = quantise(act2, m_channel2.decimals);
    track(m_channel1, value1);
    track(m_channel2, value2);

    const std::array<QByteArray, kFieldCount> fields{
        QByteArray::number(timeSeconds, 'f', kTimeDecimals),
        valueText(m_channel1, value1),
        valueText(m_channel1, m_channel1.max),
        valueText(m_channel1, m_channel1.min),
        valueText(m_channel2, value2),
        valueText(m_channel2, m_channel2.max),
        valueText(m_channel2, m_channel2.min),
    };
    QByteArray line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        addField(line, fields[i], kFieldWidths[i], i == 0);
    line.append(kLineEnd);
    return line;
}

} // namespace zkd::sim
