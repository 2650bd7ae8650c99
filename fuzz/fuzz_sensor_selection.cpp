// Sensor code and scale lookup: SensorSelection::sensorCode and select on any
// sensor-range fields, from any previous state.
//
// Input: four 16-bit values (ScaleMax1, ScaleMax2, ScaleMin1, ScaleMin2 before
// the selection), then the text of Text1(0) up to a NUL, then the text of
// Text1(1).
//
// Properties:
// - the sensor code is the last two characters read as a leading number and
//   rounded halves to even, as an independent reading of those two characters
//   gives it;
// - the leading-number conversion of the whole field agrees with a plain
//   decimal conversion of the number at its start;
// - a recognised code (0 to 47 except 15) sets the full scale the range table
//   gives for it (kept here as its own list), the lower end 0, and scale texts
//   of eleven ticks beginning with the range's top tick and ending in one
//   blank (the main-window text of the 400 range ends with its bottom tick);
//   an empty field shows no main-window scale;
// - any other code leaves that input exactly as it was: the full scale is one
//   of the table's or unchanged;
// - the meters get the full scales; one input's field never changes the other.

#include "FuzzSupport.h"

#include "sensor/SensorSelection.h"
#include "sensor/SensorTable.h"
#include "util/Codec8.h"
#include "util/Numbers.h"

#include <map>

using namespace zkd;
using zkd::fuzz::show;

namespace {

struct Range
{
    int fullScale;
    const char *topTick;
};

// The range table: full scale and top tick per sensor code.
const std::map<int, Range> &ranges()
{
    static const std::map<int, Range> table = [] {
        std::map<int, Range> m;
        const auto add = [&m](std::initializer_list<int> codes, int fullScale, const char *top) {
            for (const int code : codes)
                m[code] = Range{fullScale, top};
        };
        add({0, 4, 8, 10, 12, 14, 24, 32, 34, 36, 38}, 100, "100.0");
        add({3}, 4, "4.00");
        add({2, 7, 16}, 15, "15.0");
        add({9, 17}, 60, "60.0");
        add({1, 11, 18, 22}, 150, "150.0");
        add({19}, 300, "300.0");
        add({5}, 400, "400.0");
        add({13, 20}, 600, "600.0");
        add({21}, 750, "750.0");
        add({6}, 1000, "1000");
        add({23, 47}, 10000, "10000");
        add({25, 46}, 540, "540");
        add({26}, 232, "232.0");
        add({27}, 58, "58.02");
        add({28}, 1450, "1450");
        add({29}, 5802, "5802");
        add({30}, 14502, "14502");
        add({31}, 218, "217.6");
        add({33}, 870, "870.2");
        add({35}, 2176, "2176");
        add({39}, 21756, "21756");
        add({37}, 8702, "8702");
        add({40}, 4, "3.963");
        add({41}, 16, "15.85");
        add({42}, 40, "39.63");
        add({43}, 79, "79.25");
        add({44}, 158, "158.5");
        add({45}, 198, "198.2");
        return m;
    }();
    return table;
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The code of at most two characters, read by hand: blanks, a sign, digits
// and one point; a lone fractional digit rounds halves to even (".5" is 0).
int codeOf(const QString &field)
{
    const QString s = field.right(2);
    qsizetype i = 0;
    while (i < s.size() && s[i] == QLatin1Char(' '))
        ++i;
    int sign = 1;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) {
        sign = s[i] == QLatin1Char('-') ? -1 : 1;
        ++i;
    }
    int whole = 0;
    bool point = false;
    int fraction = -1;
    for (; i < s.size(); ++i) {
        if (isDigit(s[i]) && !point)
            whole = whole * 10 + s[i].digitValue();
        else if (isDigit(s[i]) && fraction < 0)
            fraction = s[i].digitValue();
        else if (s[i] == QLatin1Char('.') && !point)
            point = true;
        else
            break;
    }
    // At most two characters: a fraction has no whole part before it.
    if (fraction > 5)
        whole += 1;
    return sign * whole;
}

// The number at the start of a text, converted by Qt's own decimal reader.
std::optional<double> plainLeadingNumber(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    const qsizetype begin = i;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    bool digit = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i]))
            digit = true;
        else if (text[i] == QLatin1Char('.') && !point)
            point = true;
        else
            break;
    }
    if (!digit)
        return 0.0;
    QString number = text.mid(begin, i - begin);
    if (number.endsWith(QLatin1Char('.')))
        number.chop(1);
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok)
        return std::nullopt; // out of range for Qt's reader: nothing to compare
    return value;
}

QString describe(const SensorSelection::Input &in)
{
    return QStringLiteral("max %1 min %2 main %3 graph %4")
        .arg(in.scaleMax)
        .arg(in.scaleMin)
        .arg(show(in.mainCaption.left(40)), show(in.graphCaption.left(40)));
}

bool same(const SensorSelection::Input &a, const SensorSelection::Input &b)
{
    return a.scaleMax == b.scaleMax && a.scaleMin == b.scaleMin && a.mainCaption == b.mainCaption
        && a.graphCaption == b.graphCaption;
}

void checkInput(const QString &field, const SensorSelection::Input &before, const SensorSelection::Input &after,
                std::int16_t bar)
{
    const auto context = [&] {
        return QStringLiteral("field %1: before %2, after %3").arg(show(field), describe(before), describe(after));
    };
    const int code = SensorSelection::sensorCode(field);
    ZKD_FUZZ_CHECK(code == codeOf(field),
                   QStringLiteral("code %1, expected %2; %3").arg(code).arg(codeOf(field)).arg(context()));
    ZKD_FUZZ_CHECK(code >= -9 && code <= 99, context());
    ZKD_FUZZ_CHECK(bar == after.scaleMax, context());

    const auto range = ranges().find(code);
    ZKD_FUZZ_CHECK((range != ranges().end()) == (SensorTable::find(code) != nullptr), context());
    if (range == ranges().end()) {
        ZKD_FUZZ_CHECK(same(before, after), context());
        return;
    }
    ZKD_FUZZ_CHECK(after.scaleMax == range->second.fullScale && after.scaleMin == 0,
                   QStringLiteral("full scale for code %1 should be %2; %3")
                       .arg(code)
                       .arg(range->second.fullScale)
                       .arg(context()));
    const QString top = QLatin1String(range->second.topTick);
    const auto checkText = [&](const QString &text, bool endsInBlank) {
        const QStringList ticks = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        ZKD_FUZZ_CHECK(ticks.size() == SensorTable::kTickCount && ticks.front() == top,
                       QStringLiteral("scale text %1 for code %2; %3").arg(show(text)).arg(code).arg(context()));
        ZKD_FUZZ_CHECK(text.endsWith(QLatin1Char(' ')) == endsInBlank && !text.endsWith(QLatin1String("  ")),
                       QStringLiteral("scale text %1 ends wrongly; %2").arg(show(text), context()));
    };
    checkText(after.graphCaption, true);
    if (field.isEmpty())
        ZKD_FUZZ_CHECK(after.mainCaption.isEmpty(), context());
    else
        checkText(after.mainCaption, code != 5);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input input(data, size);
    SensorSelection::State before;
    before.input1.scaleMax = input.int16();
    before.input2.scaleMax = input.int16();
    before.input1.scaleMin = input.int16();
    before.input2.scaleMin = input.int16();
    before.input1.mainCaption = QStringLiteral("main 1 before");
    before.input1.graphCaption = QStringLiteral("graph 1 before");
    before.input2.mainCaption = QStringLiteral("main 2 before");
    before.input2.graphCaption = QStringLiteral("graph 2 before");
    const QString field1 = decode8(input.field());
    const QString field2 = decode8(input.rest());

    const SensorSelection::Result result = SensorSelection::select(field1, field2, before);
    checkInput(field1, before.input1, result.state.input1, result.bar1FullScale);
    checkInput(field2, before.input2, result.state.input2, result.bar2FullScale);

    // Each input only reads its own field.
    const SensorSelection::Result swapped = SensorSelection::select(field2, field1, before);
    const SensorSelection::Result alone1 = SensorSelection::select(field1, QStringLiteral("15"), before);
    ZKD_FUZZ_CHECK(same(alone1.state.input1, result.state.input1) && same(alone1.state.input2, before.input2),
                   QStringLiteral("fields %1 / %2").arg(show(field1), show(field2)));
    ZKD_FUZZ_CHECK(SensorSelection::sensorCode(field1) != SensorSelection::sensorCode(field2)
                       || (swapped.state.input1.scaleMax == result.state.input1.scaleMax
                           && swapped.state.input2.scaleMax == result.state.input2.scaleMax),
                   QStringLiteral("fields %1 / %2").arg(show(field1), show(field2)));

    for (const QString &field : {field1, field2}) {
        const double got = leadingNumber(field);
        const std::optional<double> expected = plainLeadingNumber(field);
        ZKD_FUZZ_CHECK(!expected || got == *expected,
                       QStringLiteral("leading number of %1 is %2, expected %3")
                           .arg(show(field.left(80)))
                           .arg(got, 0, 'g', 17)
                           .arg(expected.value_or(0.0), 0, 'g', 17));
    }
    return 0;
}
