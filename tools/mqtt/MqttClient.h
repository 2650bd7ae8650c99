#pragma once

#include "MqttOptions.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace zkd::mqtt {

// libmosquitto set up for the life of the program; one in main(). SIGPIPE is
// ignored from then on.
class MqttLibrary
{
public:
    MqttLibrary();
    ~MqttLibrary();
    MqttLibrary(const MqttLibrary &) = delete;
    MqttLibrary &operator=(const MqttLibrary &) = delete;
};

// One client of the broker, kept connected by a worker thread: every attempt
// uses a fresh libmosquitto client, so nothing a lost connection left in
// flight is sent again behind the caller's back; the caller decides what to
// send again after connected(). A failed or lost connection is retried after
// 1, 2 and then 4 s. Everything below is reported on the thread that owns the
// object, and only for the current connection.
class MqttClient : public QObject
{
    Q_OBJECT

public:
    struct Will
    {
        QString topic;
        QByteArray payload;
    };

    struct Setup
    {
        MqttServer server;
        QString clientId;
        bool cleanSession = true;
        std::optional<Will> will;  // retained, QoS 1
        QStringList subscriptions; // QoS 1, subscribed again on every connection
    };

    explicit MqttClient(Setup setup, QObject *parent = nullptr);
    ~MqttClient() override;
    MqttClient(const MqttClient &) = delete;
    MqttClient &operator=(const MqttClient &) = delete;

    void start();
    // Ends the connection cleanly (the will is not sent) and the worker with it.
    void stop();
    // Retries at once and then every second, for a caller with a deadline.
    void hurry();

    // Hands a QoS 1 message to the current connection; its id for
    // acknowledged(), or nothing when there is no connection.
    std::optional<int> publish(const QByteArray &topic, const QByteArray &payload, bool retain);

signals:
    void connected();
    // A connection attempt failed or a connection was lost, with the reason.
    void connectionFailed(const QString &reason);
    void acknowledged(int messageId);
    void messageReceived(const QString &topic, const QByteArray &payload);

private:
    static void onConnect(mosquitto *client, void *self, int code);
    static void onPublish(mosquitto *client, void *self, int messageId);
    static void onMessage(mosquitto *client, void *self, const mosquitto_message *message);

    void run();
    mosquitto *create();
    // Runs `report` on the owner's thread if connection `generation` is still the current one.
    template <typename Report> void post(quint64 generation, Report report);

    const Setup m_setup;
    std::thread m_worker;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    mosquitto *m_client = nullptr; // guarded by m_mutex
    bool m_stopping = false;       // guarded by m_mutex
    bool m_hurry = false;          // guarded by m_mutex
    // The broker took this attempt's login; written on the worker only.
    std::atomic<bool> m_accepted{false};
    std::atomic<quint64> m_generation{0};
    // The connection the owner's thread has seen connect; 0 for none.
    quint64 m_liveGeneration = 0;
    QString m_refusal; // set by the worker during one attempt
    // Acknowledgements wait here and reach the owner's thread in batches, so
    // that a busy connection does not wake it once per message.
    std::mutex m_ackMutex;
    std::vector<std::pair<quint64, int>> m_acks; // generation, message id
    bool m_ackPosted = false;
};

} // namespace zkd::mqtt
