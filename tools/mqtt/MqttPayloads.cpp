#include "MqttPayloads.h"

#include "sensor/SensorSelection.h"
#include "serial/RecordLine.h"
#include "util/Codec8.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace zkd::mqtt {
namespace {

constexpr int kDoubleDigits = 15;
// The names of a record's values, in the order of RecordLine::Value.
constexpr std::array<const char *, RecordLine::kValues> kValueNames{"time", "act1", "max1", "min1",
                                                                    "act2", "max2", "min2"};

// A number as JSON, with a decimal point; null when it is none (not
// `ok`, or not finite).
template <typename Out> void appendNumber(Out &out, double value, bool ok)
{
    if (!ok || !std::isfinite(value)) {
        out += "null";
        return;
    }
    QByteArray number = QByteArray::number(value, 'g', kDoubleDigits);
    if (!number.contains('.')) {
        const qsizetype exponent = number.indexOf('e');
        number.insert(exponent < 0 ? number.size() : exponent, ".0");
    }
    out.append(number.constData(), number.size());
}

} // namespace

QByteArray headerPayload(const RunHeader &header)
{
    QByteArray out = "{\"run\": ";
    appendJsonString(out, header.run);
    const auto field = [&out](const char *name, const QString &text) {
        out += ", \"";
        out += name;
        out += "\": ";
        appendJsonString(out, text);
    };
    field("start", isoTime(header.start));
    field("inp1", header.inp1Line);
    field("inp2", header.inp2Line);
    field("sr1", header.sr1Line);
    field("sr2", header.sr2Line);
    out += ", \"code1\": " + QByteArray::number(SensorSelection::sensorCode(header.sr1Line));
    out += ", \"code2\": " + QByteArray::number(SensorSelection::sensorCode(header.sr2Line));
    out += ", \"scale1\": " + QByteArray::number(header.scaleMax1);
    out += ", \"scale2\": " + QByteArray::number(header.scaleMax2);
    out += ", \"pri\": ";
    if (header.priLine)
        appendJsonString(out, *header.priLine);
    else
        out += "null";
    field("notes", header.notes);
    field("preamble", decode8(header.preamble));
    out += '}';
    return out;
}

namespace {

// What every record of a run begins with, up to its sequence number.
QByteArray runStart(const QString &run)
{
    QByteArray out = "{\"run\": ";
    appendJsonString(out, run);
    out += ", \"seq\": ";
    return out;
}

char ascii(QChar c)
{
    return static_cast<char>(c.unicode());
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Characters below 0x80, as they are.
void appendAscii(std::string &out, QStringView text)
{
    const std::size_t at = out.size();
    out.resize(at + std::size_t(text.size()));
    std::transform(text.begin(), text.end(), out.begin() + std::ptrdiff_t(at), ascii);
}

// The line as a JSON string; a line of printable ASCII without quotes or
// backslashes, as the instrument sends its records, is copied as it is.
void appendJsonText(std::string &out, const QString &text)
{
    constexpr char16_t kFirstPrintable = 0x20;
    constexpr char16_t kDelete = 0x7f;
    const bool plain = std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= kFirstPrintable && c.unicode() < kDelete && c != u'"' && c != u'\\';
    });
    if (!plain) {
        QByteArray json;
        appendJsonString(json, text);
        out.append(json.constData(), std::size_t(json.size()));
        return;
    }
    out += '"';
    appendAscii(out, text);
    out += '"';
}

// A plain decimal ("-12.50", "0,25") as appendNumber() writes it, without
// converting it: a decimal of up to 15 digits comes back from a double
// unchanged, so it is its digits without leading zeros in the whole part
// and trailing zeros in the fraction. False for anything else (exponents,
// signs other than a leading "-", zero, very large or small values).
bool appendPlainDecimal(std::string &out, QStringView word)
{
    constexpr qsizetype kLargestExponent = 13;
    constexpr qsizetype kSmallestExponent = -3;
    const qsizetype size = word.size();
    const bool negative = size > 0 && word[0] == u'-';
    qsizetype at = negative ? 1 : 0;
    const qsizetype wholeStart = at;
    while (at < size && isDigit(word[at]))
        ++at;
    const qsizetype wholeEnd = at;
    qsizetype fractionStart = at;
    qsizetype fractionEnd = at;
    if (at < size && (word[at] == u'.' || word[at] == u',')) {
        fractionStart = ++at;
        while (at < size && isDigit(word[at]))
            ++at;
        fractionEnd = at;
        if (fractionEnd == fractionStart)
            return false;
    }
    if (at != size || wholeEnd == wholeStart)
        return false;
    qsizetype first = wholeStart; // first digit that counts
    while (first < wholeEnd && word[first] == u'0')
        ++first;
    qsizetype last = fractionEnd; // after the last digit that counts
    while (last > fractionStart && word[last - 1] == u'0')
        --last;
    qsizetype digits = 0;
    qsizetype exponent = 0;
    if (first < wholeEnd) {
        digits = wholeEnd - first + last - fractionStart;
        exponent = wholeEnd - first - 1;
    } else {
        qsizetype leading = fractionStart;
        while (leading < last && word[leading] == u'0')
            ++leading;
        if (leading == last)
            return false;
        digits = last - leading;
        exponent = fractionStart - leading - 1;
    }
    if (digits > kDoubleDigits || exponent > kLargestExponent || exponent < kSmallestExponent)
        return false;
    if (negative)
        out += '-';
    if (first < wholeEnd)
        appendAscii(out, word.mid(first, wholeEnd - first));
    else
        out += '0';
    out += '.';
    if (last > fractionStart)
        appendAscii(out, word.mid(fractionStart, last - fractionStart));
    else
        out += '0';
    return true;
}

// A word of the line as a JSON number with a decimal point, whatever mark the
// language wrote; null when it is no number ("*Ovl*").
void appendJsonNumber(std::string &out, QStringView word)
{
    if (appendPlainDecimal(out, word))
        return;
    QString text = word.toString();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = text.toDouble(&ok);
    appendNumber(out, value, ok);
}

void appendFlags(std::string &out, bool overflow1, bool overflow2, bool complete)
{
    out += overflow1 ? ", \"ovl1\": true" : ", \"ovl1\": false";
    out += overflow2 ? ", \"ovl2\": true" : ", \"ovl2\": false";
    if (!complete)
        out += ", \"eol\": false";
    out += '}';
}

} // namespace

void RecordBatch::add(const QString &run, quint64 seq, const QByteArray &raw, bool complete, std::int16_t scaleMax1,
                      std::int16_t scaleMax2)
{
    // Below 0x80 the code page is ASCII, which Latin-1 decodes fastest.
    constexpr unsigned char kFirstNonAscii = 0x80;
    const bool ascii = std::all_of(raw.begin(), raw.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < kFirstNonAscii; });
    const RecordLine line(ascii ? QString::fromLatin1(raw) : decode8(raw));
    if (m_start.empty() || run != m_startRun) {
        const QByteArray bytes = runStart(run);
        m_start.assign(bytes.constData(), std::size_t(bytes.size()));
        m_startRun = run;
    }
    std::string &out = m_out;
    out += m_size == 0 ? "[" : ", ";
    out += m_start;
    std::array<char, std::numeric_limits<quint64>::digits10 + 2> digits{};
    const std::to_chars_result written = std::to_chars(digits.data(), digits.data() + digits.size(), seq);
    out.append(digits.data(), std::size_t(written.ptr - digits.data()));
    out += ", \"raw\": ";
    appendJsonText(out, line.text());
    for (std::size_t i = 0; i < kValueNames.size(); ++i) {
        out += ", \"";
        out += kValueNames[i];
        out += "\": ";
        const auto value = RecordLine::Value(i);
        if (line.has(value))
            appendJsonNumber(out, line.value(value));
        else
            out += "null";
    }
    // A missing actual value marks nothing, whatever the full scale.
    const auto overflow = [&line](RecordLine::Input input, std::int16_t scaleMax) {
        return line.has(RecordLine::actual(input))
            && line.overflows(input, scaleMax, RecordLine::DecimalMark::PointOrComma);
    };
    appendFlags(out, overflow(RecordLine::Input::One, scaleMax1), overflow(RecordLine::Input::Two, scaleMax2),
                complete);
    ++m_size;
}

QByteArray RecordBatch::take()
{
    if (m_size == 0)
        return QByteArrayLiteral("[]");
    m_out += ']';
    QByteArray payload(m_out.data(), qsizetype(m_out.size()));
    m_out.clear();
    m_size = 0;
    return payload;
}

} // namespace zkd::mqtt
