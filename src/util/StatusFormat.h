#pragma once

#include "util/Language.h"

#include <QLocale>
#include <QString>
#include <optional>

namespace zkd::status {

// Below this much free space in the working file's folder the status bar
// turns red and warns.
inline constexpr qint64 kLowSpaceBytes = 100LL * 1024 * 1024;

// The number conventions of the language: decimal comma in German and French,
// English where no language is selected.
QLocale localeFor(const Language &language);

// A whole number with the language's digit grouping ("12.345", "12,345").
QString count(quint64 value, const Language &language);
// A size in megabytes below one gigabyte, else in gigabytes, with one
// decimal in the language's form ("87,5 MB", "1.2 GB", "3,0 Go").
QString size(qint64 bytes, const Language &language);
// Hours, minutes and seconds of a duration: "0:00:07", "27:13:05".
QString elapsed(qint64 milliseconds);
// "/dev/ttyUSB0 · 9600,n,8,1"; the dash for a port without a name.
QString portSummary(const QString &port, const QString &settings);
// The summary as the status bar shows it in room for `maxChars` characters:
// whole when it fits, else with the device's name (the last part of its path)
// for the path, so that which port it is stays readable.
QString portField(const QString &port, const QString &settings, int maxChars);
// A date and time in the language's short form.
QString dateTime(const QDateTime &when, const Language &language);

// Free bytes for the user on the volume that holds `folder`; nothing when
// that cannot be found out (a missing folder, a network share that does not answer).
std::optional<qint64> freeBytes(const QString &folder);

// Decides when to warn about low free space: once each time the space falls
// below kLowSpaceBytes, again only after it has been above it in between.
// An unknown figure changes nothing.
class LowSpaceWatch
{
public:
    // True when this figure calls for the warning.
    bool update(std::optional<qint64> freeBytes);
    bool low() const { return m_low; }

private:
    bool m_low = false;
};

} // namespace zkd::status
