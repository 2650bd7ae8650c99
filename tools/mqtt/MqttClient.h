#pragma once

#include "MqttOptions.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
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
// send again after connected(). Each round tries every address of the
// broker's host in turn until one takes the TCP connection ("localhost" may
// stand for ::1 first and 127.0.0.1 next); a round that fails, or a lost
// connection, is retried after 1, 2 and then 4 s. Everything below is
// reported on the thread that owns the object, and only for the current
// connection.
//
// The worker drives libmosquitto itself (no thread of the library's own): it
// sleeps in poll() on the connection's socket and on a wake-up of ours, sends
// what publish() handed over in one go, and passes acknowledgements and
// received messages back in batches. A busy connection thus costs one
// wake-up per batch each way, not one per message. Received messages reach
// the owner even when their connection is lost by then: libmosquitto has
// acknowledged them, and the broker does not send them again.
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
        // The numeric addresses a host stands for, in the order to try them,
        // asked on the worker at every round; empty: the system's resolver.
        std::function<QStringList(const QString &host)> resolve;
    };

    // A QoS 1 message; `tag` comes back with acknowledged().
    struct Message
    {
        quint64 tag = 0;
        QByteArray topic;
        QByteArray payload;
        bool retain = false;
    };

    // A message from a subscription.
    struct Received
    {
        QString topic;
        QByteArray payload;
    };

    explicit MqttClient(Setup setup, QObject *parent = nullptr);
    ~MqttClient() override;
    MqttClient(const MqttClient &) = delete;
    MqttClient &operator=(const MqttClient &) = delete;

    void start();
    // Ends the connection cleanly (the will is not sent) and the worker with it.
    void stop();
    // Retries at once and then every second, and reads and reports
    // acknowledgements without pauses, for a caller with a deadline.
    void hurry();

    // Hands messages to the current connection, to be sent in this order;
    // false when there is none. Messages handed to a connection that is lost
    // before the worker sends them are dropped with it: the caller sends
    // again what is unacknowledged after connected().
    bool publish(std::vector<Message> messages);

signals:
    void connected();
    // A connection attempt failed or a connection was lost, with the reason.
    void connectionFailed(const QString &reason);
    // Tags of messages the broker took, in the order it acknowledged them.
    // The broker has them even when the connection is lost by the time they
    // arrive.
    void acknowledged(const std::vector<quint64> &tags);
    // What one read of the connection brought, in the order it came.
    void messagesReceived(const std::vector<zkd::mqtt::MqttClient::Received> &messages);

private:
    struct Outgoing
    {
        quint64 generation = 0;
        Message message;
    };

    static void onConnect(mosquitto *client, void *self, int code);
    static void onPublish(mosquitto *client, void *self, int messageId);
    static void onMessage(mosquitto *client, void *self, const mosquitto_message *message);

    void run();
    mosquitto *create();
    // One connection to one address of the broker, from connecting until it
    // ends; the reason it ended. `reached`: the TCP connection was made.
    int serve(mosquitto *client, quint64 generation, const QByteArray &address, bool &reached);
    // Reads what the socket holds, or as much as one pass takes (`drained`
    // false); a libmosquitto error code.
    int readAvailable(mosquitto *client, bool &drained);
    // Sends what publish() handed to connection `generation`; a libmosquitto error code.
    int sendOutbox(mosquitto *client, quint64 generation, std::vector<Outgoing> &outbox);
    void wakeWorker();
    void drainWake();
    void passAcknowledgements();
    // Hands what the last read received to the owner's thread, in one call.
    void passReceived();
    // Runs `report` on the owner's thread if connection `generation` is still the current one.
    template <typename Report> void post(quint64 generation, Report report);

    const Setup m_setup;
    // The name TLS checks the broker's certificate against and sends as the
    // server's name, whatever address the connection went to.
    const QByteArray m_tlsName;
    std::thread m_worker;
    int m_wakeFd = -1; // eventfd: the worker's wake-up
    std::mutex m_mutex;
    std::vector<Outgoing> m_outbox; // guarded by m_mutex
    bool m_stopping = false;        // guarded by m_mutex
    bool m_hurry = false;           // guarded by m_mutex
    // The broker took this attempt's login; written on the worker only.
    std::atomic<bool> m_accepted{false};
    std::atomic<quint64> m_generation{0};
    // The connection the owner's thread has seen connect; 0 for none.
    quint64 m_liveGeneration = 0;
    QString m_refusal; // set by the worker during one attempt
    // The worker's own: tags of the messages in flight by message id, and
    // the acknowledgements of one pass of the loop.
    std::unordered_map<int, quint64> m_tags;
    std::vector<quint64> m_acked;
    std::vector<Received> m_received;
    std::chrono::steady_clock::time_point m_nextAckPass;
    // Acknowledgements wait here and reach the owner's thread in batches, so
    // that a busy connection does not wake it once per message.
    std::mutex m_ackMutex;
    std::vector<quint64> m_acks;
    bool m_ackPosted = false;
};

} // namespace zkd::mqtt
