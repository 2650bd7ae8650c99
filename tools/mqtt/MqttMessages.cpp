#include "MqttMessages.h"

#include "sensor/SensorSelection.h"
#include "serial/RecordPipeline.h"
#include "util/Codec8.h"
#include "util/Numbers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace zkd::mqtt {
namespace {

constexpr int kDoubleDigits = 15;
constexpr std::size_t kWordBuffer = 32;
constexpr char kOverflow[] = "*Ovl*";
// Words of a record line: time, ACT 1, MAX 1, MIN 1, ACT 2, MAX 2, MIN 2.
constexpr std::array<const char *, 7> kValueNames{"time", "act1", "max1", "min1", "act2", "max2", "min2"};
constexpr std::size_t kAct1Word = 1;
constexpr std::size_t kAct2Word = 4;

void appendJsonString(QByteArray &out, const QString &text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    constexpr unsigned char kFirstPrintable = 0x20;
    constexpr unsigned char kDelete = 0x7f;
    constexpr int kNibble = 4;
    constexpr unsigned char kNibbleMask = 0xf;
    const QByteArray utf8 = text.toUtf8();
    out.reserve(out.size() + utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += c;
        } else if (byte < kFirstPrintable || byte == kDelete) {
            out += "\\u00";
            out += kHex[byte >> kNibble];
            out += kHex[byte & kNibbleMask];
        } else {
            out += c;
        }
    }
    out += '"';
}

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

// A word of the line as a JSON number with a decimal point, whatever mark the
// language wrote; null when it is no number ("*Ovl*", a missing word).
void appendJsonNumber(QByteArray &out, const QString *word)
{
    if (!word) {
        out += "null";
        return;
    }
    QString text = *word;
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = text.toDouble(&ok);
    appendNumber(out, value, ok);
}

bool overflows(const QString *word, std::int16_t scaleMax)
{
    if (!word)
        return false;
    if (*word == QLatin1String(kOverflow))
        return true;
    QString text = *word;
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return RecordPipeline::overflows(text, scaleMax);
}

} // namespace

bool validDeviceId(const QString &id)
{
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9_-]+$"));
    return form.match(id).hasMatch();
}

QString runId(const QDateTime &start, const QString &device)
{
    return start.toString(QStringLiteral("yyyyMMdd'T'HHmmss")) + QLatin1Char('-') + device;
}

bool validRunId(const QString &run, const QString &device)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]{8}T[0-9]{6}-"));
    return form.match(run).hasMatch() && run.mid(16) == device && validDeviceId(device);
}

QString topic(const QString &prefix, const QString &device, Topic which)
{
    switch (which) {
    case Topic::Status: return prefix + QLatin1Char('/') + device + QStringLiteral("/status");
    case Topic::Header: return prefix + QLatin1Char('/') + device + QStringLiteral("/header");
    case Topic::Record: break;
    }
    return prefix + QLatin1Char('/') + device + QStringLiteral("/record");
}

QString isoTime(const QDateTime &time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

QByteArray statusPayload(const QString &state, const QString &run, const QDateTime &since)
{
    QByteArray out = "{\"state\": ";
    appendJsonString(out, state);
    out += ", \"run\": ";
    appendJsonString(out, run);
    out += ", \"since\": ";
    appendJsonString(out, isoTime(since));
    out += '}';
    return out;
}

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
QByteArray runStart(const QString &run, qsizetype room)
{
    QByteArray out;
    out.reserve(room);
    out += "{\"run\": ";
    appendJsonString(out, run);
    out += ", \"seq\": ";
    return out;
}

QByteArray recordStart(const QString &run, quint64 seq, qsizetype rawSize)
{
    // Room for the whole message: the run, "raw" escaped and the fields.
    constexpr qsizetype kFieldsSize = 320;
    QByteArray out = runStart(run, 3 * run.size() + 2 * rawSize + kFieldsSize);
    out += QByteArray::number(seq);
    out += ", \"raw\": ";
    return out;
}

template <typename Out> void appendFlags(Out &out, bool overflow1, bool overflow2, bool complete)
{
    out += overflow1 ? ", \"ovl1\": true" : ", \"ovl1\": false";
    out += overflow2 ? ", \"ovl2\": true" : ", \"ovl2\": false";
    if (!complete)
        out += ", \"eol\": false";
    out += '}';
}

// Any text: decoded, split and read as the window does.
QByteArray textRecordPayload(const QString &run, quint64 seq, const QByteArray &raw, bool complete,
                             std::int16_t scaleMax1, std::int16_t scaleMax2)
{
    const QString line = decode8(raw);
    // In the file a tab stands as ";"; the instrument separates its words with blanks.
    QString spaced = line;
    spaced.replace(QLatin1Char(';'), QLatin1Char(' '));
    const QStringList words = RecordPipeline::splitWords(spaced);
    const auto word = [&words](std::size_t index) -> const QString * {
        return index < std::size_t(words.size()) ? &words[qsizetype(index)] : nullptr;
    };

    QByteArray out = recordStart(run, seq, raw.size());
    appendJsonString(out, line);
    for (std::size_t i = 0; i < kValueNames.size(); ++i) {
        out += ", \"";
        out += kValueNames[i];
        out += "\": ";
        appendJsonNumber(out, word(i));
    }
    appendFlags(out, overflows(word(kAct1Word), scaleMax1), overflows(word(kAct2Word), scaleMax2), complete);
    return out;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A plain decimal ("-12.50", "0,25") as appendNumber() writes it, without
// converting it: a decimal of up to 15 digits comes back from a double
// unchanged, so it is its digits without leading zeros in the whole part
// and trailing zeros in the fraction. False for anything else (exponents,
// signs other than a leading "-", zero, very large or small values).
template <typename Out> bool appendPlainDecimal(Out &out, QByteArrayView word)
{
    constexpr qsizetype kLargestExponent = 13;
    constexpr qsizetype kSmallestExponent = -3;
    const qsizetype size = word.size();
    const bool negative = size > 0 && word[0] == '-';
    qsizetype at = negative ? 1 : 0;
    const qsizetype wholeStart = at;
    while (at < size && isDigit(word[at]))
        ++at;
    const qsizetype wholeEnd = at;
    qsizetype fractionStart = at;
    qsizetype fractionEnd = at;
    if (at < size && (word[at] == '.' || word[at] == ',')) {
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
    while (first < wholeEnd && word[first] == '0')
        ++first;
    qsizetype last = fractionEnd; // after the last digit that counts
    while (last > fractionStart && word[last - 1] == '0')
        --last;
    qsizetype digits = 0;
    qsizetype exponent = 0;
    if (first < wholeEnd) {
        digits = wholeEnd - first + last - fractionStart;
        exponent = wholeEnd - first - 1;
    } else {
        qsizetype leading = fractionStart;
        while (leading < last && word[leading] == '0')
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
        out.append(word.data() + first, wholeEnd - first);
    else
        out += '0';
    out += '.';
    if (last > fractionStart)
        out.append(word.data() + fractionStart, last - fractionStart);
    else
        out += '0';
    return true;
}

// A word of ASCII as appendJsonNumber() writes it.
template <typename Out> void appendAsciiNumber(Out &out, QByteArrayView word)
{
    if (appendPlainDecimal(out, word))
        return;
    QByteArray text = word.toByteArray();
    text.replace(',', '.');
    bool ok = false;
    const double value = QByteArrayView(text).toDouble(&ok);
    appendNumber(out, value, ok);
}

bool isPrintableAscii(const QByteArray &raw)
{
    constexpr char kFirstPrintable = 0x20;
    constexpr char kDelete = 0x7f;
    return std::all_of(raw.begin(), raw.end(), [](char c) { return c >= kFirstPrintable && c != kDelete; });
}

// RecordPipeline::overflows() of a word of ASCII with "." for its decimal
// mark, without making a string of it.
bool asciiOverflows(QByteArrayView word, std::int16_t scaleMax)
{
    if (word == QByteArrayView(kOverflow))
        return true;
    std::array<char16_t, kWordBuffer> text{};
    if (word.size() > qsizetype(text.size())) {
        QString copy = QString::fromLatin1(word);
        copy.replace(QLatin1Char(','), QLatin1Char('.'));
        return RecordPipeline::overflows(copy, scaleMax);
    }
    for (qsizetype i = 0; i < word.size(); ++i)
        text[std::size_t(i)] = word[i] == ',' ? u'.' : char16_t(static_cast<unsigned char>(word[i]));
    return leadingNumber(QStringView(text.data(), word.size())) > scaleMax;
}

// A line of printable ASCII, as the instrument sends its records: the same
// bytes as textRecordPayload() without its text conversions, for the lines
// of a running recording (well over a thousand a second at the fastest rate).
QByteArray asciiRecordPayload(const QString &run, quint64 seq, const QByteArray &raw, bool complete,
                              std::int16_t scaleMax1, std::int16_t scaleMax2)
{
    // The words as the window splits them: at blanks and ";", empty ones
    // left out; a line of one character has none.
    std::array<QByteArrayView, kValueNames.size()> words{};
    std::size_t count = 0;
    if (raw.size() > 1) {
        qsizetype start = 0;
        for (qsizetype i = 0; i <= raw.size() && count < words.size(); ++i) {
            if (i < raw.size() && raw[i] != ' ' && raw[i] != ';')
                continue;
            if (i > start)
                words[count++] = QByteArrayView(raw.constData() + start, i - start);
            start = i + 1;
        }
    }
    // Built in a buffer of this thread's that keeps its room from line to
    // line, and copied once: far fewer allocations and checks than growing
    // a QByteArray piece by piece, for the same bytes.
    thread_local std::string out;
    thread_local QString startRun;
    thread_local std::string start;
    if (start.empty() || run != startRun) {
        const QByteArray bytes = runStart(run, 0);
        start.assign(bytes.constData(), std::size_t(bytes.size()));
        startRun = run;
    }
    out.assign(start);
    std::array<char, std::numeric_limits<quint64>::digits10 + 2> digits{};
    const std::to_chars_result written = std::to_chars(digits.data(), digits.data() + digits.size(), seq);
    out.append(digits.data(), std::size_t(written.ptr - digits.data()));
    out += ", \"raw\": \"";
    if (raw.contains('"') || raw.contains('\\')) {
        for (const char c : raw) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
    } else {
        out.append(raw.constData(), std::size_t(raw.size()));
    }
    out += '"';
    for (std::size_t i = 0; i < kValueNames.size(); ++i) {
        out += ", \"";
        out += kValueNames[i];
        out += "\": ";
        if (i < count)
            appendAsciiNumber(out, words[i]);
        else
            out += "null";
    }
    const auto overflow = [&](std::size_t index, std::int16_t scaleMax) {
        return index < count && asciiOverflows(words[index], scaleMax);
    };
    appendFlags(out, overflow(kAct1Word, scaleMax1), overflow(kAct2Word, scaleMax2), complete);
    return QByteArray(out.data(), qsizetype(out.size()));
}

} // namespace

QByteArray recordPayload(const QString &run, quint64 seq, const QByteArray &raw, bool complete, std::int16_t scaleMax1,
                         std::int16_t scaleMax2)
{
    if (isPrintableAscii(raw))
        return asciiRecordPayload(run, seq, raw, complete, scaleMax1, scaleMax2);
    return textRecordPayload(run, seq, raw, complete, scaleMax1, scaleMax2);
}

std::optional<HeaderMessage> parseHeader(const QByteArray &payload)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    if (!object.value(QStringLiteral("run")).isString() || !object.value(QStringLiteral("preamble")).isString())
        return std::nullopt;
    return HeaderMessage{object.value(QStringLiteral("run")).toString(),
                         encode8(object.value(QStringLiteral("preamble")).toString())};
}

std::optional<RecordMessage> parseRecord(const QByteArray &payload)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue run = object.value(QStringLiteral("run"));
    const QJsonValue seq = object.value(QStringLiteral("seq"));
    const QJsonValue raw = object.value(QStringLiteral("raw"));
    const QJsonValue eol = object.value(QStringLiteral("eol"));
    if (!run.isString() || !seq.isDouble() || !raw.isString() || !(eol.isUndefined() || eol.isBool()))
        return std::nullopt;
    const double number = seq.toDouble();
    // Whole numbers from 1 that a double holds exactly.
    constexpr double kLargestExact = 9007199254740992.0;
    if (number < 1 || number > kLargestExact || std::floor(number) != number)
        return std::nullopt;
    const QString text = raw.toString();
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')))
        return std::nullopt;
    return RecordMessage{run.toString(), static_cast<quint64>(number), encode8(text), eol.toBool(true)};
}

} // namespace zkd::mqtt
