#include "util/StatusFormat.h"

#include "util/Texts.h"

#include <QDateTime>
#include <QDir>
#include <QStorageInfo>

namespace zkd::status {
namespace {

constexpr double kMegabyte = 1024.0 * 1024.0;
constexpr double kGigabyte = kMegabyte * 1024.0;
constexpr qint64 kMsPerSecond = 1000;
constexpr qint64 kSecondsPerMinute = 60;
constexpr qint64 kSecondsPerHour = 3600;

} // namespace

QLocale localeFor(const Language &language)
{
    switch (language.kind()) {
    case Language::Kind::German: return QLocale(QLocale::German, QLocale::Germany);
    case Language::Kind::French: return QLocale(QLocale::French, QLocale::France);
    case Language::Kind::English:
    case Language::Kind::None: break;
    }
    return QLocale(QLocale::English, QLocale::UnitedKingdom);
}

QString count(quint64 value, const Language &language)
{
    return localeFor(language).toString(value);
}

QString size(qint64 bytes, const Language &language)
{
    const QLocale locale = localeFor(language);
    const double value = double(bytes);
    if (value < kGigabyte)
        return locale.toString(value / kMegabyte, 'f', 1) + QLatin1Char(' ')
            + pickOrEnglish(language, texts::UnitMegabytes);
    return locale.toString(value / kGigabyte, 'f', 1) + QLatin1Char(' ')
        + pickOrEnglish(language, texts::UnitGigabytes);
}

QString elapsed(qint64 milliseconds)
{
    const qint64 seconds = std::max<qint64>(milliseconds, 0) / kMsPerSecond;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / kSecondsPerHour)
        .arg(seconds % kSecondsPerHour / kSecondsPerMinute, 2, 10, QLatin1Char('0'))
        .arg(seconds % kSecondsPerMinute, 2, 10, QLatin1Char('0'));
}

QString portSummary(const QString &port, const QString &settings)
{
    if (port.isEmpty())
        return str(texts::StatusUnknown);
    return QDir::toNativeSeparators(port) + QStringLiteral(" \u00b7 ") + settings;
}

QString portField(const QString &port, const QString &settings, int maxChars)
{
    QString whole = portSummary(port, settings);
    if (whole.size() <= maxChars)
        return whole;
    const QString name = QDir::fromNativeSeparators(port).section(QLatin1Char('/'), -1);
    return name.isEmpty() ? whole : portSummary(name, settings);
}

QString dateTime(const QDateTime &when, const Language &language)
{
    return localeFor(language).toString(when, QLocale::ShortFormat);
}

std::optional<qint64> freeBytes(const QString &folder)
{
    const QStorageInfo storage(folder);
    if (!storage.isValid() || !storage.isReady())
        return std::nullopt;
    const qint64 available = storage.bytesAvailable();
    if (available < 0)
        return std::nullopt;
    return available;
}

bool LowSpaceWatch::update(std::optional<qint64> freeBytes)
{
    if (!freeBytes)
        return false;
    const bool low = *freeBytes < kLowSpaceBytes;
    const bool warn = low && !m_low;
    m_low = low;
    return warn;
}

} // namespace zkd::status
