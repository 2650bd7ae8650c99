#include "CollectOptions.h"

#include <QCommandLineParser>

namespace zkd::collect {

CollectOptions::ParseResult CollectOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Collector for ZKD735 recorders that publish to an MQTT broker: stores every device's runs "
                       "as DIR/ID/RUN.csv, byte for byte as the recorder saved them."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption dirOption(
        QStringLiteral("dir"), QStringLiteral("Folder of the collected runs (required)."), QStringLiteral("DIR"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"),
                                         QStringLiteral("Only warnings and errors, no line per new run."));
    parser.addOptions({dirOption, quietOption});
    mqtt.addTo(parser);

    if (!parser.parse(arguments))
        return {Outcome::Error, parser.errorText()};
    if (parser.isSet(helpOption))
        return {Outcome::Help,
                parser.helpText()
                    + QStringLiteral("\nRuns until SIGINT or SIGTERM. Exit codes: 0 ended by a signal, 2 the command "
                                     "line is wrong, 5 the folder cannot be created.\n")};
    if (parser.isSet(versionOption))
        return {Outcome::Version, QStringLiteral("zkd735-collect %1\n").arg(QStringLiteral(ZKD_VERSION_TEXT))};
    if (!parser.positionalArguments().isEmpty())
        return {Outcome::Error, QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first())};
    if (!mqtt.urlGiven(parser))
        return {Outcome::Error, QStringLiteral("--mqtt URL is required")};
    if (const auto error = mqtt.read(parser))
        return {Outcome::Error, *error};
    dir = parser.value(dirOption);
    if (dir.isEmpty())
        return {Outcome::Error, QStringLiteral("--dir DIR is required")};
    quiet = parser.isSet(quietOption);
    return {Outcome::Run, QString()};
}

} // namespace zkd::collect
