#include "CollectOptions.h"
#include "Collector.h"
#include "SignalNotifier.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>

namespace {
constexpr int kOk = 0;
constexpr int kUsage = 2;
constexpr int kFolder = 5;
} // namespace

int main(int argc, char *argv[])
{
    using namespace zkd::collect;

    zkd::record::SignalNotifier::blockTermination();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zkd735-collect"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZKD_VERSION_TEXT));

    CollectOptions options;
    const CollectOptions::ParseResult parsed = options.parse(QCoreApplication::arguments());
    if (parsed.outcome == CollectOptions::Outcome::Help || parsed.outcome == CollectOptions::Outcome::Version) {
        std::fprintf(stdout, "%s", parsed.text.toLocal8Bit().constData());
        return kOk;
    }
    if (parsed.outcome == CollectOptions::Outcome::Error) {
        std::fprintf(stderr, "zkd735-collect: %s (see --help)\n", parsed.text.toLocal8Bit().constData());
        return kUsage;
    }
    if (!QDir().mkpath(options.dir)) {
        std::fprintf(stderr, "zkd735-collect: cannot create the folder %s\n",
                     QDir::toNativeSeparators(options.dir).toLocal8Bit().constData());
        return kFolder;
    }

    const zkd::mqtt::MqttLibrary library;
    int code = kOk;
    {
        Collector collector({options.mqtt.server, options.mqtt.prefix, options.dir, options.quiet}, stderr);
        zkd::record::SignalNotifier termination;
        QObject::connect(&termination, &zkd::record::SignalNotifier::terminationRequested, &app, [&collector] {
            collector.stop();
            QCoreApplication::exit(kOk);
        });
        QTimer::singleShot(0, &collector, &Collector::start);
        code = QCoreApplication::exec();
    }
    return code;
}
