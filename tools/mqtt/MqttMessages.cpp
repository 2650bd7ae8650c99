#include "MqttMessages.h"

#include "sensor/SensorSelection.h"
#include "serial/RecordPipeline.h"
#include "util/Codec8.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <array>
#include <cmath>

namespace zkd::mqtt {
namespace {

constexpr int kDoubleDigits = 15;
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

// A word of the line as a JSON number with a decimal point, whatever mark the
// language wrote; null when it is no number ("*Ovl*", a missing word).
QByteArray jsonNumber(const QString *word)
{
    if (!word)
        return QByteArrayLiteral("null");
    QString text = *word;
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return QByteArrayLiteral("null");
    QByteArray number = QByteArray::number(value, 'g', kDoubleDigits);
    if (!number.contains('.')) {
        const qsizetype exponent = number.indexOf('e');
        number.insert(exponent < 0 ? number.size() : exponent, ".0");
    }
    return number;
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

QByteArray recordPayload(const QString &run, quint64 seq, const QByteArray &raw, bool complete, std::int16_t scaleMax1,
                         std::int16_t scaleMax2)
{
    const QString line = decode8(raw);
    // In the file a tab stands as ";"; the instrument separates its words with blanks.
    QString spaced = line;
    spaced.replace(QLatin1Char(';'), QLatin1Char(' '));
    const QStringList words = RecordPipeline::splitWords(spaced);
    const auto word = [&words](std::size_t index) -> const QString * {
        return index < std::size_t(words.size()) ? &words[qsizetype(index)] : nullptr;
    };

    QByteArray out = "{\"run\": ";
    appendJsonString(out, run);
    out += ", \"seq\": " + QByteArray::number(seq) + ", \"raw\": ";
    appendJsonString(out, line);
    for (std::size_t i = 0; i < kValueNames.size(); ++i)
        out += QByteArray(", \"") + kValueNames[i] + "\": " + jsonNumber(word(i));
    out += QByteArray(", \"ovl1\": ") + (overflows(word(kAct1Word), scaleMax1) ? "true" : "false");
    out += QByteArray(", \"ovl2\": ") + (overflows(word(kAct2Word), scaleMax2) ? "true" : "false");
    if (!complete)
        out += ", \"eol\": false";
    out += '}';
    return out;
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
