#include "Line.h"
#include "PtyLine.h"
#include "SerialDeviceLine.h"
#include "SignalWatcher.h"
#include "SimOptions.h"
#include "Simulator.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <memory>

namespace {

constexpr int kExitRuntimeError = 1;
constexpr int kExitUsage = 2;

void printTo(std::FILE *stream, const QString &text)
{
    std::fprintf(stream, "%s", qPrintable(text));
    std::fflush(stream);
}

} // namespace

int main(int argc, char *argv[])
{
    using namespace zkd::sim;

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zkd735-sim"));

    SimOptions options;
    const SimOptions::ParseResult parsed = options.parse(QCoreApplication::arguments());
    if (parsed.outcome == SimOptions::Outcome::Help || parsed.outcome == SimOptions::Outcome::Version) {
        printTo(stdout, parsed.text);
        return 0;
    }
    if (parsed.outcome == SimOptions::Outcome::Error) {
        printTo(stderr, QStringLiteral("zkd735-sim: %1\nTry zkd735-sim --help.\n").arg(parsed.text));
        return kExitUsage;
    }

    std::unique_ptr<Line> line;
    if (options.devicePath.isEmpty())
        line = std::make_unique<PtyLine>(options.linkPath);
    else
        line = std::make_unique<SerialDeviceLine>(options.devicePath, options.baud);

    Simulator simulator(options, *line);
    if (auto error = simulator.prepare()) {
        printTo(stderr, QStringLiteral("zkd735-sim: %1\n").arg(*error));
        return kExitUsage;
    }
    // Installed before the link exists, so that no signal can leave it behind.
    SignalWatcher signalWatcher({SIGINT, SIGTERM, SIGHUP});
    QObject::connect(&signalWatcher, &SignalWatcher::caught, &app, [] { QCoreApplication::exit(0); });
    if (auto error = line->open()) {
        printTo(stderr, QStringLiteral("zkd735-sim: %1\n").arg(*error));
        return kExitRuntimeError;
    }
    printTo(stdout, QStringLiteral("zkd735-sim: %1\n").arg(line->describe()));

    QObject::connect(&simulator, &Simulator::finished, &app, [](int code) { QCoreApplication::exit(code); });
    QObject::connect(line.get(), &Line::failed, &app, [](const QString &reason) {
        printTo(stderr, QStringLiteral("zkd735-sim: %1\n").arg(reason));
        QCoreApplication::exit(kExitRuntimeError);
    });
    return QCoreApplication::exec();
}
