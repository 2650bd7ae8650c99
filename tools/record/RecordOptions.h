#pragma once

#ifndef ZKD_NO_MQTT
#include "MqttOptions.h"
#endif

#include "util/Language.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace zkd::record {

// The command line of zkd735-record.
struct RecordOptions
{
    enum class Outcome { Run, Help, Version, Error };

    struct ParseResult
    {
        Outcome outcome = Outcome::Error;
        // The help text for Help, the reason for Error.
        QString text;
    };

    static constexpr int kDefaultBaud = 2400;
    // A run longer than this is not a run anyone waits for: the limit keeps
    // the millisecond count well inside 64 bits.
    static constexpr double kMaxDurationSeconds = 366.0 * 24 * 3600;

    // Fills the fields from the arguments (program name first). On Error the
    // fields keep whatever was parsed so far.
    ParseResult parse(const QStringList &arguments);

    // The line settings for the serial component: "<baud>,n,8,1".
    QString serialSettings() const;

    QString port;
    int baud = kDefaultBaud;
    // Empty: taken from the settings file (defaultLanguage).
    std::optional<Language> language;
    // Line ends typed as LF or CR LF; they are written as CR LF, as the
    // window writes the lines of its notes box.
    QString notes;
    QString out;
    std::optional<std::chrono::milliseconds> duration;
    std::optional<quint64> records;
    bool quiet = false;
    // Publishing to an MQTT broker, with --mqtt; a build without MQTT
    // refuses --mqtt and says so in its help.
    bool publish = false;
#ifndef ZKD_NO_MQTT
    mqtt::MqttOptions mqtt;
    QString device; // default: the host name up to its first dot
#endif
};

// The language of line 3 of scx.ini in `folder` when it names one of the
// three languages exactly; English otherwise (no file, a short file, or a
// value the window would match with no language at all).
Language defaultLanguage(const QString &folder);

} // namespace zkd::record
