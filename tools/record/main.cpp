#include "ExitCode.h"
#ifndef ZKD_NO_MQTT
#include "MqttPublisher.h"
#endif
#include "RecordOptions.h"
#include "Recorder.h"
#include "SignalNotifier.h"

#include "util/Clock.h"
#include "util/Codec8.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    using namespace zkd::record;

    SignalNotifier::blockTermination();
    // Qt's own event loop: leaner than the GLib one, which a program without
    // windows has no use for (each wake-up at a busy line costs less).
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zkd735-record"));

    RecordOptions options;
    const RecordOptions::ParseResult parsed = options.parse(QCoreApplication::arguments());
    if (parsed.outcome == RecordOptions::Outcome::Help || parsed.outcome == RecordOptions::Outcome::Version) {
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
#ifdef ZKD_NO_MQTT
    QObject::connect(&recorder, &Recorder::finished, &app, [](int code) { QCoreApplication::exit(code); });
#else
    const zkd::mqtt::MqttLibrary library;
    std::unique_ptr<MqttPublisher> publisher;
    if (options.publish) {
        publisher = std::make_unique<MqttPublisher>(MqttPublisher::Config{options.mqtt.server, options.mqtt.prefix,
                                                                          options.device,
                                                                          Recorder::workFilePath(config.folder)},
                                                    [&recorder](const QString &line) { recorder.message(line); });
        MqttPublisher *to = publisher.get();
        QObject::connect(&recorder, &Recorder::started, to, [to, &options] { to->startRun(options.notes); });
        QObject::connect(&recorder, &Recorder::written, to, &MqttPublisher::fileWritten);
        QObject::connect(&recorder, &Recorder::headerRead, to,
                         [to, &recorder](const zkd::HeaderScan::Lines &lines, const std::optional<QString> &pri,
                                         std::int16_t scaleMax1, std::int16_t scaleMax2) {
                             to->headerRead(lines.inp1Line, lines.inp2Line, lines.sr1Line, lines.sr2Line, pri,
                                            scaleMax1, scaleMax2, zkd::encode8(recorder.notesHeader()));
                         });
    }
    QObject::connect(&recorder, &Recorder::finished, &app, [&publisher, &recorder](int code) {
        if (!publisher) {
            QCoreApplication::exit(code);
            return;
        }
        QObject::connect(publisher.get(), &MqttPublisher::finished, [code](quint64 missing) {
            const bool recorded = code == toInt(ExitCode::Ok);
            QCoreApplication::exit(recorded && missing > 0 ? toInt(ExitCode::Unpublished) : code);
        });
        publisher->finish(recorder.savedPath());
    });
#endif
    QTimer::singleShot(0, &recorder, &Recorder::start);
    return QCoreApplication::exec();
}
