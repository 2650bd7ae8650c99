#include "ExitCode.h"
#include "RecordOptions.h"
#include "Recorder.h"
#include "SignalNotifier.h"

#include "util/Clock.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    using namespace zkd::record;

    SignalNotifier::blockTermination();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zkd735-record"));

    RecordOptions options;
    const RecordOptions::ParseResult parsed = options.parse(QCoreApplication::arguments());
    if (parsed.outcome == RecordOptions::Outcome::Help) {
        std::fprintf(stdout, "%s", parsed.text.toLocal8Bit().constData());
        return toInt(ExitCode::Ok);
    }
    if (parsed.outcome == RecordOptions::Outcome::Error) {
        std::fprintf(stderr, "zkd735-record: %s (see --help)\n", parsed.text.toLocal8Bit().constData());
        return toInt(ExitCode::Usage);
    }

    Recorder::Config config;
    config.folder = QDir::currentPath();
    config.port = options.port;
    config.serialSettings = options.serialSettings();
    config.language = options.language.value_or(defaultLanguage(config.folder));
    config.notes = options.notes;
    config.out = options.out;
    config.duration = options.duration;
    config.records = options.records;
    config.quiet = options.quiet;

    const zkd::SystemClock clock;
    Recorder recorder(config, clock, stderr);
    SignalNotifier termination;
    QObject::connect(&termination, &SignalNotifier::terminationRequested, &recorder, &Recorder::stop);
    QObject::connect(&recorder, &Recorder::finished, &app, [](int code) { QCoreApplication::exit(code); });
    QTimer::singleShot(0, &recorder, &Recorder::start);
    return QCoreApplication::exec();
}
