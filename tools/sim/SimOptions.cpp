#include "SimOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <limits>
#include <utility>

namespace zkd::sim {

namespace {

struct ShapeName
{
    const char *name;
    Waveform::Shape shape;
};

constexpr ShapeName kShapeNames[] = {
    {"sine", Waveform::Shape::Sine},         {"ramp", Waveform::Shape::Ramp},     {"square", Waveform::Shape::Square},
    {"constant", Waveform::Shape::Constant}, {"random", Waveform::Shape::Random},
};

SimOptions::ParseResult failure(QString text)
{
    return {SimOptions::Outcome::Error, std::move(text)};
}

// A whole number from min to max, or nothing.
std::optional<int> boundedInt(const QString &text, int min, int max)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

} // namespace

SimOptions::ParseResult SimOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulates the ZKD735 measuring instrument on a serial line: waits for the start byte 2, "
                       "sends its header and one record line per interval, stops at byte 3.\n"
                       "By default it opens a pseudo-terminal and prints its path on the first line of stdout."));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help."));
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Show the name and version."));
    const QCommandLineOption deviceOption(
        QStringLiteral("device"),
        QStringLiteral("Use an existing serial device (e.g. one side of a socat pair) instead of a pseudo-terminal."),
        QStringLiteral("path"));
    const QCommandLineOption linkOption(
        QStringLiteral("link"),
        QStringLiteral("Symlink to the pseudo-terminal, removed on exit (default ./ttyZKD735)."),
        QStringLiteral("path"));
    const QCommandLineOption baudOption(
        QStringLiteral("baud"),
        QStringLiteral("Line speed; writes are paced to baud/10 bytes per second. 0 = unpaced (default 2400)."),
        QStringLiteral("n"));
    const QCommandLineOption intervalOption(
        QStringLiteral("interval"),
        QStringLiteral(
            "Record interval in ms; 0 = as fast as pacing allows, time column from the clock (default 1000)."),
        QStringLiteral("ms"));
    const QCommandLineOption sliceOption(
        QStringLiteral("slice"),
        QStringLiteral("A paced line writes what the baud rate allows once every this many ms, as a serial adapter "
                       "hands over its buffer (1 to 1000, default 20)."),
        QStringLiteral("ms"));
    const QCommandLineOption unit1Option(QStringLiteral("unit1"), QStringLiteral("Unit of input 1 (default bar)."),
                                         QStringLiteral("text"));
    const QCommandLineOption unit2Option(QStringLiteral("unit2"), QStringLiteral("Unit of input 2 (default degrC)."),
                                         QStringLiteral("text"));
    const QCommandLineOption code1Option(
        QStringLiteral("code1"), QStringLiteral("Sensor code of input 1, 0-99 (default 5)."), QStringLiteral("n"));
    const QCommandLineOption code2Option(
        QStringLiteral("code2"), QStringLiteral("Sensor code of input 2, 0-99 (default 0)."), QStringLiteral("n"));
    const QCommandLineOption waveOption(
        QStringLiteral("wave"),
        QStringLiteral("sine, ramp, square, constant or random; period 60 s, 5-95 % of full scale (default sine)."),
        QStringLiteral("shape"));
    const QCommandLineOption overflowOption(
        QStringLiteral("overflow"),
        QStringLiteral("Every Nth record ACT 1 goes beyond full scale and is sent as *Ovl*."), QStringLiteral("n"));
    const QCommandLineOption noHeaderOption(QStringLiteral("no-header"),
                                            QStringLiteral("Send records without header."));
    const QCommandLineOption silentOption(QStringLiteral("silent"), QStringLiteral("Never send anything."));
    const QCommandLineOption recordsOption(
        QStringLiteral("records"), QStringLiteral("Stop after N records (or garbage bursts) as if byte 3 had come."),
        QStringLiteral("n"));
    const QCommandLineOption replayOption(
        QStringLiteral("replay"),
        QStringLiteral("After byte 2 send the bytes of this file as they stand, paced, then stop."),
        QStringLiteral("file"));
    const QCommandLineOption garbageOption(
        QStringLiteral("garbage"),
        QStringLiteral(
            "After byte 2 send one burst of random bytes (NULs, lone CRs, backspaces, tabs...) per interval."));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed for the random wave and garbage."),
                                        QStringLiteral("n"));
    const QCommandLineOption logSentOption(QStringLiteral("log-sent"),
                                           QStringLiteral("Append every byte the other side could read to this file."),
                                           QStringLiteral("file"));
    const QCommandLineOption logReceivedOption(QStringLiteral("log-received"),
                                               QStringLiteral("Append every byte received to this file."),
                                               QStringLiteral("file"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"), QStringLiteral("No status lines on stderr."));
    const QCommandLineOption exitAfterStopOption(
        QStringLiteral("exit-after-stop"),
        QStringLiteral("Exit with status 0 after the first stop, once the other side has read everything."));
    parser.addOptions({helpOption,     versionOption,       deviceOption,   linkOption,    baudOption,
                       intervalOption, unit1Option,         unit2Option,    code1Option,   code2Option,
                       waveOption,     overflowOption,      noHeaderOption, silentOption,  recordsOption,
                       replayOption,   garbageOption,       seedOption,     logSentOption, logReceivedOption,
                       quietOption,    exitAfterStopOption, sliceOption});

    if (!parser.parse(arguments))
        return failure(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return failure(QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(helpOption))
        return {Outcome::Help, parser.helpText()};
    if (parser.isSet(versionOption))
        return {Outcome::Version, QStringLiteral("zkd735-sim " ZKD_VERSION "\n")};

    const auto number = [&parser](const QCommandLineOption &option, int &target, int min, int max) {
        if (!parser.isSet(option))
            return true;
        const std::optional<int> value = boundedInt(parser.value(option), min, max);
        if (value)
            target = *value;
        return value.has_value();
    };
    const auto badValue = [&parser](const QCommandLineOption &option) {
        return failure(
            QStringLiteral("invalid value for --%1: %2").arg(option.names().constFirst(), parser.value(option)));
    };

    const std::pair<const QCommandLineOption *, int *> counts[] = {{&baudOption, &baud},
                                                                   {&intervalOption, &intervalMs},
                                                                   {&overflowOption, &overflowEvery},
                                                                   {&recordsOption, &records}};
    for (const auto &[option, target] : counts) {
        if (!number(*option, *target, 0, std::numeric_limits<int>::max()))
            return badValue(*option);
    }
    if (!number(sliceOption, sliceMs, 1, kMaxSliceMs))
        return badValue(sliceOption);
    if (!number(code1Option, code1, 0, kMaxSensorCode))
        return badValue(code1Option);
    if (!number(code2Option, code2, 0, kMaxSensorCode))
        return badValue(code2Option);

    if (parser.isSet(waveOption)) {
        const QString name = parser.value(waveOption);
        bool known = false;
        for (const ShapeName &entry : kShapeNames) {
            if (name == QLatin1String(entry.name)) {
                wave = entry.shape;
                known = true;
            }
        }
        if (!known)
            return badValue(waveOption);
    }
    if (parser.isSet(seedOption)) {
        bool ok = false;
        const uint value = parser.value(seedOption).toUInt(&ok);
        if (!ok)
            return badValue(seedOption);
        seed = value;
    }

    devicePath = parser.value(deviceOption);
    if (parser.isSet(linkOption))
        linkPath = parser.value(linkOption);
    if (linkPath.isEmpty())
        return badValue(linkOption);
    if (parser.isSet(unit1Option))
        unit1 = parser.value(unit1Option);
    if (parser.isSet(unit2Option))
        unit2 = parser.value(unit2Option);
    header = !parser.isSet(noHeaderOption);
    silent = parser.isSet(silentOption);
    replayFile = parser.value(replayOption);
    garbage = parser.isSet(garbageOption);
    logSentFile = parser.value(logSentOption);
    logReceivedFile = parser.value(logReceivedOption);
    quiet = parser.isSet(quietOption);
    exitAfterStop = parser.isSet(exitAfterStopOption);

    if (garbage && !replayFile.isEmpty())
        return failure(QStringLiteral("--garbage and --replay exclude each other"));
    return {Outcome::Run, QString()};
}

} // namespace zkd::sim
