#pragma once

#include "MqttClient.h"
#include "MqttMessages.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QSet>
#include <QString>

#include <cstdio>
#include <map>
#include <memory>

namespace zkd::collect {

// Subscribes to the header and record topics of every device under the
// prefix with a persistent session at QoS 1, and appends each run's lines to
// DIR/ID/RUN.csv: the notes header from the run's header message, then every
// line in the order of seq, each flushed as it is written. A seq already in
// the file is a repeat and dropped; a seq beyond the next one leaves a gap,
// reported once per run. Lines that come before their run's header wait for
// it. A record message holds an array of records (or, from recorders up to
// 2.1.0, one record); each is taken on its own. A payload or record that is
// no header or record of the device its topic names is reported once per
// device and skipped.
class Collector : public QObject
{
    Q_OBJECT

public:
    struct Config
    {
        mqtt::MqttServer server;
        QString prefix;
        QString dir;
        bool quiet = false;
    };

    // A run's lines waiting for its header; more are dropped and reported.
    static constexpr std::size_t kMaxWaitingLines = 100000;

    Collector(Config config, std::FILE *messages, QObject *parent = nullptr);
    ~Collector() override;
    Collector(const Collector &) = delete;
    Collector &operator=(const Collector &) = delete;

    void start();
    // Ends the connection and writes what had arrived until then.
    void stop();

    // One message as it came from the broker.
    void take(const QString &topic, const QByteArray &payload);

private:
    struct Run
    {
        bool headerKnown = false;
        QByteArray preamble;
        bool fileReady = false;
        quint64 lastSeq = 0;
        bool gapReported = false;
        bool failed = false;
        std::map<quint64, mqtt::RecordMessage> waiting;
    };

    void takeHeader(const QString &device, const mqtt::HeaderMessage &header);
    void takeRecord(const QString &device, mqtt::RecordMessage record);
    void write(const QString &device, const QString &runId, Run &run, const mqtt::RecordMessage &record);
    // Opens the run's file for appending; an existing file tells how far it got.
    bool open(const QString &device, const QString &runId, Run &run);
    void foreign(const QString &device, const QString &what);
    void print(const QString &line);

    Config m_config;
    std::FILE *m_messages;
    std::unique_ptr<mqtt::MqttClient> m_client;
    std::map<QString, std::map<QString, Run>> m_runs; // device, run
    // The file open per device, for its latest run.
    std::map<QString, std::pair<QString, std::unique_ptr<QFile>>> m_files;
    QSet<QString> m_foreignReported;
    QString m_lastWarning;
};

} // namespace zkd::collect
