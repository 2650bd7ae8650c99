#include "RecordOptions.h"

#ifndef ZKD_NO_MQTT
#include "MqttMessages.h"
#endif

#include "settings/ScxIni.h"
#include "util/Texts.h"

#include <QCommandLineParser>
#include <QDir>
#include <QSysInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace zkd::record {
namespace {

constexpr int kLanguageField = 3;
constexpr double kMillisecondsPerSecond = 1000.0;

const QString kEnglish = QStringLiteral("English");
const QStringList kLanguages{QStringLiteral("Deutsch"), kEnglish, QStringLiteral("Francais")};

QString helpText(const QCommandLineParser &parser)
{
    return parser.helpText()
        + QStringLiteral("\nRecords a run of the ZKD735 into Senso.scx in the current folder, exactly as the\n"
                         "main window records it, and saves it under --out when the run ends.\n"
                         "The run ends on Ctrl+C (SIGINT) or SIGTERM, after --duration, or after --records.\n"
                         "\nExit codes:\n"
                         "  0  the run was recorded (and saved when --out was given)\n"
                         "  2  the command line is wrong\n"
                         "  3  the port cannot be opened, or the device vanished during the run\n"
                         "  4  no instrument header (INP1 line) arrived within 1.5 s\n"
                         "  5  the working file or the --out file cannot be written\n"
#ifdef ZKD_NO_MQTT
                         "\nThis build has no MQTT: it records and saves runs, but cannot publish them\n"
                         "(--mqtt is not available).\n");
#else
                         "  6  recorded, but not every record reached the MQTT broker (it stayed unreachable\n"
                         "     for 10 s after the run)\n");
#endif
}

std::optional<quint64> positiveWhole(const QString &text)
{
    bool ok = false;
    const quint64 value = text.trimmed().toULongLong(&ok);
    if (!ok || value == 0)
        return std::nullopt;
    return value;
}

} // namespace

RecordOptions::ParseResult RecordOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Headless recorder for the ZKD735 measuring instrument."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Show the name and version."));
    parser.addOption(versionOption);
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Serial device of the instrument (required)."),
                                        QStringLiteral("DEVICE"));
    const QCommandLineOption baudOption(
        QStringLiteral("baud"), QStringLiteral("Baud rate; the line runs N,n,8,1 (default %1).").arg(kDefaultBaud),
        QStringLiteral("N"));
    const QCommandLineOption languageOption(
        QStringLiteral("language"),
        QStringLiteral("Deutsch, English or Francais: labels of the notes header, decimal comma in German and French "
                       "(default: line 3 of scx.ini in the current folder, else English)."),
        QStringLiteral("LANGUAGE"));
    const QCommandLineOption notesOption(
        QStringLiteral("notes"), QStringLiteral("Text of the notes line of the header."), QStringLiteral("TEXT"));
    const QCommandLineOption outOption(
        QStringLiteral("out"),
        QStringLiteral("Save the run under this name when it ends (\".csv\" is appended, "
                       "dots are removed from the file name)."),
        QStringLiteral("FILE"));
    const QCommandLineOption durationOption(QStringLiteral("duration"), QStringLiteral("End the run after this time."),
                                            QStringLiteral("SECONDS"));
    const QCommandLineOption recordsOption(QStringLiteral("records"),
                                           QStringLiteral("End the run after N record lines (lines that begin with a "
                                                          "number; header lines do not count)."),
                                           QStringLiteral("N"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"), QStringLiteral("No status line and no summary."));
    parser.addOptions(
        {portOption, baudOption, languageOption, notesOption, outOption, durationOption, recordsOption, quietOption});
#ifdef ZKD_NO_MQTT
    // Known, so that the answer names what is missing rather than an unknown option.
    QCommandLineOption mqttOption(QStringLiteral("mqtt"), QString(), QStringLiteral("URL"));
    mqttOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(mqttOption);
#else
    const QCommandLineOption deviceOption(
        QStringLiteral("device"),
        QStringLiteral("Device id in the MQTT topics: letters, digits, - and _ (default: the host name)."),
        QStringLiteral("ID"));
    parser.addOption(deviceOption);
    mqtt.addTo(parser);
#endif

    if (!parser.parse(arguments))
        return {Outcome::Error, parser.errorText()};
    if (parser.isSet(helpOption))
        return {Outcome::Help, helpText(parser)};
    if (parser.isSet(versionOption))
        return {Outcome::Version, QStringLiteral("zkd735-record " ZKD_VERSION "\n")};
    if (!parser.positionalArguments().isEmpty())
        return {Outcome::Error, QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first())};

#ifdef ZKD_NO_MQTT
    if (parser.isSet(mqttOption))
        return {Outcome::Error, QStringLiteral("this build of zkd735-record has no MQTT; --mqtt is not available")};
#endif

    port = parser.value(portOption);
    if (port.isEmpty())
        return {Outcome::Error, QStringLiteral("--port DEVICE is required")};

    if (parser.isSet(baudOption)) {
        const auto value = positiveWhole(parser.value(baudOption));
        if (!value || *value > quint64(std::numeric_limits<qint32>::max()))
            return {Outcome::Error,
                    QStringLiteral("--baud needs a positive whole number, not \"%1\"").arg(parser.value(baudOption))};
        baud = static_cast<int>(*value);
    }

    if (parser.isSet(languageOption)) {
        const QString value = parser.value(languageOption);
        if (!kLanguages.contains(value))
            return {Outcome::Error,
                    QStringLiteral("--language must be Deutsch, English or Francais, not \"%1\"").arg(value)};
        language = Language(value);
    }

    notes = parser.value(notesOption);
    notes.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    notes.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));

    if (parser.isSet(outOption)) {
        out = parser.value(outOption);
        if (out.isEmpty())
            return {Outcome::Error, QStringLiteral("--out needs a file name")};
    }

    if (parser.isSet(durationOption)) {
        bool ok = false;
        const double seconds = parser.value(durationOption).trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds <= 0.0 || seconds > kMaxDurationSeconds)
            return {Outcome::Error,
                    QStringLiteral("--duration needs a positive number of seconds, not \"%1\"")
                        .arg(parser.value(durationOption))};
        duration = std::chrono::milliseconds(std::max(1LL, std::llround(seconds * kMillisecondsPerSecond)));
    }

    if (parser.isSet(recordsOption)) {
        records = positiveWhole(parser.value(recordsOption));
        if (!records)
            return {
                Outcome::Error,
                QStringLiteral("--records needs a positive whole number, not \"%1\"").arg(parser.value(recordsOption))};
    }

    quiet = parser.isSet(quietOption);

#ifdef ZKD_NO_MQTT
    return {Outcome::Run, QString()};
#else
    publish = mqtt.urlGiven(parser);
    if (!publish) {
        for (const QString &name : parser.optionNames())
            if (name == deviceOption.names().first() || name.startsWith(QStringLiteral("mqtt-")))
                return {Outcome::Error, QStringLiteral("--%1 needs --mqtt URL").arg(name)};
        return {Outcome::Run, QString()};
    }
    if (const auto error = mqtt.read(parser))
        return {Outcome::Error, *error};
    device = parser.isSet(deviceOption) ? parser.value(deviceOption)
                                        : QSysInfo::machineHostName().section(QLatin1Char('.'), 0, 0);
    if (!mqtt::validDeviceId(device))
        return {Outcome::Error,
                parser.isSet(deviceOption)
                    ? QStringLiteral("--device allows letters, digits, - and _ only, not \"%1\"").arg(device)
                    : QStringLiteral("the host name \"%1\" is no device id; give one with --device").arg(device)};
    return {Outcome::Run, QString()};
#endif
}

QString RecordOptions::serialSettings() const
{
    return QStringLiteral("%1,n,8,1").arg(baud);
}

Language defaultLanguage(const QString &folder)
{
    const ScxIniReadResult read = readScxIni(QDir(folder).filePath(str(texts::SettingsFileName)), kLanguageField);
    if (read.fields.size() >= kLanguageField) {
        Language fromFile(read.fields[kLanguageField - 1]);
        if (fromFile.isValid())
            return fromFile;
    }
    return Language(kEnglish);
}

} // namespace zkd::record
