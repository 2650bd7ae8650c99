#include "PublishState.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <limits>

namespace zkd::record {
namespace {

constexpr int kVersion = 1;
// Far more than a state of a few runs needs; a larger file is not ours.
constexpr qint64 kLargestState = 1 << 20;

bool inScale(double value)
{
    return value >= std::numeric_limits<std::int16_t>::min() && value <= std::numeric_limits<std::int16_t>::max();
}

} // namespace

bool PublishedRun::operator==(const PublishedRun &other) const
{
    return run == other.run && preamble == other.preamble && file == other.file && header == other.header
        && scaleMax1 == other.scaleMax1 && scaleMax2 == other.scaleMax2 && seq == other.seq && offset == other.offset
        && ended == other.ended;
}

QString PublishState::pathIn(const QString &folder)
{
    return QDir(folder).filePath(QString::fromLatin1(kFileName));
}

PublishState::Loaded PublishState::load(const QString &path)
{
    Loaded loaded;
    QFile file(path);
    if (!file.exists()) {
        loaded.missing = true;
        return loaded;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        loaded.error = file.errorString();
        return loaded;
    }
    if (file.size() > kLargestState) {
        loaded.error = QStringLiteral("larger than a publishing state can be");
        return loaded;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        loaded.error = QStringLiteral("not a publishing state (%1)").arg(parseError.errorString());
        return loaded;
    }
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("version")).toInt() != kVersion || !root.value(QStringLiteral("runs")).isArray()) {
        loaded.error = QStringLiteral("not a publishing state of this version");
        return loaded;
    }
    const QJsonArray entries = root.value(QStringLiteral("runs")).toArray();
    for (const auto &value : entries) {
        const QJsonObject entry = value.toObject();
        PublishedRun run;
        run.run = entry.value(QStringLiteral("run")).toString();
        run.preamble = QByteArray::fromBase64(entry.value(QStringLiteral("preamble")).toString().toLatin1());
        run.file = entry.value(QStringLiteral("file")).toString();
        run.header = entry.value(QStringLiteral("header")).toString().toUtf8();
        const double scale1 = entry.value(QStringLiteral("scaleMax1")).toDouble(1e9);
        const double scale2 = entry.value(QStringLiteral("scaleMax2")).toDouble(1e9);
        const double seq = entry.value(QStringLiteral("seq")).toDouble(-1);
        const double offset = entry.value(QStringLiteral("offset")).toDouble(-1);
        run.ended = entry.value(QStringLiteral("ended")).toBool();
        // 2^53: exact in a JSON number, and beyond any run.
        constexpr double kLargest = 9007199254740992.0;
        if (run.run.isEmpty() || run.preamble.isEmpty() || run.file.isEmpty() || run.header.isEmpty()
            || !inScale(scale1) || !inScale(scale2) || seq < 0 || seq > kLargest || offset < double(run.preamble.size())
            || offset > kLargest) {
            loaded.error = QStringLiteral("a run in it is incomplete");
            loaded.runs.clear();
            return loaded;
        }
        run.scaleMax1 = std::int16_t(scale1);
        run.scaleMax2 = std::int16_t(scale2);
        run.seq = quint64(seq);
        run.offset = qint64(offset);
        loaded.runs.push_back(std::move(run));
    }
    return loaded;
}

QString PublishState::save(const QString &path, const std::vector<PublishedRun> &runs)
{
    QJsonArray array;
    for (const PublishedRun &run : runs)
        array.append(QJsonObject{{QStringLiteral("run"), run.run},
                                 {QStringLiteral("preamble"), QString::fromLatin1(run.preamble.toBase64())},
                                 {QStringLiteral("file"), run.file},
                                 {QStringLiteral("header"), QString::fromUtf8(run.header)},
                                 {QStringLiteral("scaleMax1"), run.scaleMax1},
                                 {QStringLiteral("scaleMax2"), run.scaleMax2},
                                 {QStringLiteral("seq"), double(run.seq)},
                                 {QStringLiteral("offset"), double(run.offset)},
                                 {QStringLiteral("ended"), run.ended}});
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray bytes = QJsonDocument(
                                 QJsonObject{{QStringLiteral("version"), kVersion}, {QStringLiteral("runs"), array}})
                                 .toJson(QJsonDocument::Compact);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return QString();
}

} // namespace zkd::record
