#include "MqttMessages.h"

#include "util/Codec8.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace zkd::mqtt {

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

namespace {

std::optional<RecordMessage> parseRecord(const QJsonValue &element)
{
    if (!element.isObject())
        return std::nullopt;
    const QJsonObject object = element.toObject();
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

} // namespace

std::optional<RecordMessages> parseRecords(const QByteArray &payload)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    const QJsonArray elements = document.isObject() ? QJsonArray{document.object()} : document.array();
    if (elements.isEmpty())
        return std::nullopt;
    RecordMessages messages;
    messages.records.reserve(std::size_t(elements.size()));
    for (const QJsonValue element : elements) {
        if (auto record = parseRecord(element))
            messages.records.push_back(std::move(*record));
        else
            ++messages.refused;
    }
    return messages;
}

} // namespace zkd::mqtt
