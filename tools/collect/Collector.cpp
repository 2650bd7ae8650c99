#include "Collector.h"

#include <QCoreApplication>
#include <QDir>
#include <QSysInfo>

namespace zkd::collect {
namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
constexpr int kTopicLevelsAfterPrefix = 2;

QString clientId(const QString &prefix)
{
    // The same id on every start finds the persistent session again.
    QString host = QSysInfo::machineHostName().section(QLatin1Char('.'), 0, 0);
    if (!mqtt::validDeviceId(host))
        host = QStringLiteral("host");
    return QStringLiteral("zkd735-collect-%1-%2").arg(host).arg(qHash(prefix), 0, 16);
}

// Printable in one log line whatever a topic level holds.
QString shown(const QString &text)
{
    QString out;
    for (const QChar c : text.left(64))
        out += c.isPrint() ? c : QLatin1Char('?');
    return out;
}

} // namespace

Collector::Collector(Config config, std::FILE *messages, QObject *parent)
    : QObject(parent), m_config(std::move(config)), m_messages(messages)
{}

Collector::~Collector()
{
    stop();
}

void Collector::start()
{
    mqtt::MqttClient::Setup setup;
    setup.server = m_config.server;
    setup.clientId = clientId(m_config.prefix);
    setup.cleanSession = false;
    setup.subscriptions = {m_config.prefix + QStringLiteral("/+/header"),
                           m_config.prefix + QStringLiteral("/+/record")};
    m_client = std::make_unique<mqtt::MqttClient>(setup);
    connect(m_client.get(), &mqtt::MqttClient::messagesReceived, this,
            [this](const std::vector<mqtt::MqttClient::Received> &messages) {
                for (const mqtt::MqttClient::Received &message : messages)
                    take(message.topic, message.payload);
            });
    connect(m_client.get(), &mqtt::MqttClient::connected, this, [this] {
        if (!m_config.quiet || !m_lastWarning.isEmpty())
            print(QStringLiteral("connected to the MQTT broker %1:%2")
                      .arg(m_config.server.host)
                      .arg(m_config.server.port));
        m_lastWarning.clear();
    });
    connect(m_client.get(), &mqtt::MqttClient::connectionFailed, this, [this](const QString &reason) {
        if (!m_lastWarning.isEmpty())
            return;
        m_lastWarning = reason;
        print(QStringLiteral("warning: MQTT broker %1:%2: %3; trying again")
                  .arg(m_config.server.host)
                  .arg(m_config.server.port)
                  .arg(reason));
    });
    m_client->start();
}

void Collector::stop()
{
    if (!m_client)
        return;
    m_client->stop();
    // Messages the broker handed over before the end are written too.
    QCoreApplication::sendPostedEvents(m_client.get());
    m_client.reset();
    m_files.clear();
}

void Collector::take(const QString &topic, const QByteArray &payload)
{
    const QString rest = topic.mid(m_config.prefix.size() + 1);
    const QStringList levels = rest.split(QLatin1Char('/'));
    if (!topic.startsWith(m_config.prefix + QLatin1Char('/')) || levels.size() != kTopicLevelsAfterPrefix)
        return;
    const QString &device = levels[0];
    if (!mqtt::validDeviceId(device)) {
        foreign(device, QStringLiteral("a device id with characters other than letters, digits, - and _"));
        return;
    }
    if (levels[1] == QStringLiteral("header")) {
        const auto header = mqtt::parseHeader(payload);
        if (!header || !mqtt::validRunId(header->run, device)) {
            foreign(device, QStringLiteral("a header that is not one of this device's runs"));
            return;
        }
        takeHeader(device, *header);
    } else {
        auto records = mqtt::parseRecords(payload);
        // The good records of a message are taken, whatever else it holds.
        bool refused = !records || records->refused > 0;
        if (records)
            for (mqtt::RecordMessage &record : records->records) {
                if (mqtt::validRunId(record.run, device))
                    takeRecord(device, std::move(record));
                else
                    refused = true;
            }
        if (refused)
            foreign(device, QStringLiteral("a record that is not one of this device's runs"));
    }
}

void Collector::takeHeader(const QString &device, const mqtt::HeaderMessage &header)
{
    Run &run = m_runs[device][header.run];
    if (run.headerKnown)
        return;
    run.headerKnown = true;
    run.preamble = header.preamble;
    auto waiting = std::move(run.waiting);
    run.waiting.clear();
    for (const auto &entry : waiting)
        write(device, header.run, run, entry.second);
}

void Collector::takeRecord(const QString &device, mqtt::RecordMessage record)
{
    const QString runId = record.run;
    Run &run = m_runs[device][runId];
    if (run.headerKnown) {
        write(device, runId, run, record);
        return;
    }
    if (run.waiting.size() >= kMaxWaitingLines) {
        if (!run.gapReported)
            print(QStringLiteral("warning: %1/%2: no header arrived; further lines are dropped").arg(device, runId));
        run.gapReported = true;
        return;
    }
    run.waiting.emplace(record.seq, std::move(record));
}

void Collector::write(const QString &device, const QString &runId, Run &run, const mqtt::RecordMessage &record)
{
    if (run.failed || !open(device, runId, run) || record.seq <= run.lastSeq)
        return;
    if (record.seq > run.lastSeq + 1 && !run.gapReported) {
        run.gapReported = true;
        print(QStringLiteral("warning: %1/%2.csv: lines %3 to %4 never arrived")
                  .arg(device, runId)
                  .arg(run.lastSeq + 1)
                  .arg(record.seq - 1));
    }
    QFile &file = *m_files[device].second;
    const QByteArray bytes = record.complete ? record.raw + kLineEnd : record.raw;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        print(QStringLiteral("error: cannot write %1: %2; this run is not collected further")
                  .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
        run.failed = true;
        return;
    }
    run.lastSeq = record.seq;
}

bool Collector::open(const QString &device, const QString &runId, Run &run)
{
    auto &slot = m_files[device];
    if (slot.second && slot.first == runId)
        return true;
    const QDir folder(QDir(m_config.dir).filePath(device));
    const QString path = folder.filePath(runId + QStringLiteral(".csv"));
    auto file = std::make_unique<QFile>(path);
    bool ok = QDir().mkpath(folder.path()) && file->open(QIODevice::ReadWrite);
    if (ok && !run.fileReady) {
        const QByteArray already = file->readAll();
        if (already.isEmpty()) {
            ok = file->write(run.preamble) == run.preamble.size() && file->flush();
            if (ok && !m_config.quiet)
                print(QStringLiteral("new run %1").arg(QDir::toNativeSeparators(path)));
        } else if (already.startsWith(run.preamble)) {
            // Collected by an earlier start: every line end after the notes header is one seq.
            run.lastSeq = quint64(already.count(kLineEnd) - run.preamble.count(kLineEnd));
        } else {
            print(QStringLiteral("error: %1 holds another run; this run is not collected")
                      .arg(QDir::toNativeSeparators(path)));
            run.failed = true;
            return false;
        }
        run.fileReady = true;
    }
    if (!ok || !file->seek(file->size())) {
        print(QStringLiteral("error: cannot write %1: %2; this run is not collected")
                  .arg(QDir::toNativeSeparators(path), file->errorString()));
        run.failed = true;
        return false;
    }
    slot = {runId, std::move(file)};
    return true;
}

void Collector::foreign(const QString &device, const QString &what)
{
    if (m_foreignReported.contains(device))
        return;
    m_foreignReported.insert(device);
    print(QStringLiteral("warning: skipping messages on %1/%2: %3 (reported once per device)")
              .arg(m_config.prefix, shown(device), what));
}

void Collector::print(const QString &line)
{
    std::fprintf(m_messages, "zkd735-collect: %s\n", line.toLocal8Bit().constData());
    std::fflush(m_messages);
}

} // namespace zkd::collect
