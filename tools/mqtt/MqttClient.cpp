#include "MqttClient.h"

#include <QMetaObject>

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>

namespace zkd::mqtt {
namespace {

constexpr int kKeepAliveSeconds = 10;
constexpr int kLoopTimeoutMs = 100;
constexpr int kQos = 1;
constexpr std::chrono::milliseconds kFirstRetry{1000};
constexpr std::chrono::milliseconds kLongestRetry{4000};

QString errorText(int code)
{
    if (code == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    QString text = QString::fromUtf8(mosquitto_strerror(code));
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

} // namespace

MqttLibrary::MqttLibrary()
{
    // A broker that went away must give a write error, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    mosquitto_lib_init();
}

MqttLibrary::~MqttLibrary()
{
    mosquitto_lib_cleanup();
}

MqttClient::MqttClient(Setup setup, QObject *parent) : QObject(parent), m_setup(std::move(setup)) {}

MqttClient::~MqttClient()
{
    stop();
}

void MqttClient::start()
{
    if (m_worker.joinable())
        return;
    m_worker = std::thread([this] { run(); });
}

void MqttClient::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
    m_liveGeneration = 0;
}

void MqttClient::hurry()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_hurry = true;
    }
    m_wake.notify_all();
}

std::optional<int> MqttClient::publish(const QByteArray &topic, const QByteArray &payload, bool retain)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_client || m_liveGeneration == 0 || m_liveGeneration != m_generation)
        return std::nullopt;
    int id = 0;
    const int code = mosquitto_publish(m_client, &id, topic.constData(), static_cast<int>(payload.size()),
                                       payload.constData(), kQos, retain);
    if (code != MOSQ_ERR_SUCCESS)
        return std::nullopt;
    return id;
}

template <typename Report> void MqttClient::post(quint64 generation, Report report)
{
    QMetaObject::invokeMethod(
        this,
        [this, generation, report] {
            if (generation == m_generation)
                report();
        },
        Qt::QueuedConnection);
}

mosquitto *MqttClient::create()
{
    const QByteArray id = m_setup.clientId.toUtf8();
    mosquitto *client = mosquitto_new(id.constData(), m_setup.cleanSession, this);
    if (!client)
        return nullptr;
    mosquitto_threaded_set(client, true);
    mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(client, &MqttClient::onConnect);
    mosquitto_publish_callback_set(client, &MqttClient::onPublish);
    mosquitto_message_callback_set(client, &MqttClient::onMessage);
    const MqttServer &server = m_setup.server;
    if (server.tls) {
        if (server.caFile.isEmpty())
            mosquitto_int_option(client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        else
            mosquitto_tls_set(client, server.caFile.toLocal8Bit().constData(), nullptr, nullptr, nullptr, nullptr);
    }
    if (!server.user.isEmpty())
        mosquitto_username_pw_set(client, server.user.toUtf8().constData(), server.password.toUtf8().constData());
    if (m_setup.will)
        mosquitto_will_set(client, m_setup.will->topic.toUtf8().constData(),
                           static_cast<int>(m_setup.will->payload.size()), m_setup.will->payload.constData(), kQos,
                           true);
    return client;
}

void MqttClient::run()
{
    std::chrono::milliseconds retry = kFirstRetry;
    const QByteArray host = m_setup.server.host.toUtf8();
    for (;;) {
        mosquitto *client = create();
        quint64 generation = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping || !client) {
                mosquitto_destroy(client);
                break;
            }
            m_client = client;
            generation = ++m_generation;
            m_refusal.clear();
            m_accepted = false;
        }
        bool disconnecting = false;
        int code = mosquitto_connect_async(client, host.constData(), m_setup.server.port, kKeepAliveSeconds);
        while (code == MOSQ_ERR_SUCCESS) {
            code = mosquitto_loop(client, kLoopTimeoutMs, 1);
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_stopping || disconnecting)
                continue;
            if (!m_accepted)
                break;
            // Said goodbye: the broker keeps the will to itself.
            mosquitto_disconnect(client);
            disconnecting = true;
        }
        const QString reason = m_refusal.isEmpty() ? errorText(code) : m_refusal;
        bool stopping = false;
        bool accepted = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_client = nullptr;
            stopping = m_stopping;
            accepted = m_accepted;
        }
        mosquitto_destroy(client);
        if (stopping)
            break;
        post(generation, [this, reason] {
            m_liveGeneration = 0;
            emit connectionFailed(reason);
        });
        std::unique_lock<std::mutex> lock(m_mutex);
        if (accepted)
            retry = kFirstRetry;
        const std::chrono::milliseconds wait = m_hurry ? std::min(retry, kFirstRetry) : retry;
        m_wake.wait_for(lock, wait, [this] { return m_stopping; });
        if (m_stopping)
            break;
        retry = std::min(retry * 2, kLongestRetry);
    }
}

void MqttClient::onConnect(mosquitto *client, void *self, int code)
{
    auto *that = static_cast<MqttClient *>(self);
    const quint64 generation = that->m_generation;
    if (code != 0) {
        that->m_refusal = QString::fromUtf8(mosquitto_connack_string(code));
        mosquitto_disconnect(client);
        return;
    }
    that->m_accepted = true;
    for (const QString &topic : that->m_setup.subscriptions)
        mosquitto_subscribe(client, nullptr, topic.toUtf8().constData(), kQos);
    that->post(generation, [that, generation] {
        that->m_liveGeneration = generation;
        emit that->connected();
    });
}

void MqttClient::onPublish(mosquitto *, void *self, int messageId)
{
    auto *that = static_cast<MqttClient *>(self);
    {
        std::lock_guard<std::mutex> lock(that->m_ackMutex);
        that->m_acks.emplace_back(that->m_generation, messageId);
        if (that->m_ackPosted)
            return;
        that->m_ackPosted = true;
    }
    QMetaObject::invokeMethod(
        that,
        [that] {
            std::vector<std::pair<quint64, int>> acks;
            {
                std::lock_guard<std::mutex> lock(that->m_ackMutex);
                acks.swap(that->m_acks);
                that->m_ackPosted = false;
            }
            for (const auto &[generation, id] : acks)
                if (generation == that->m_generation)
                    emit that->acknowledged(id);
        },
        Qt::QueuedConnection);
}

void MqttClient::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    auto *that = static_cast<MqttClient *>(self);
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char *>(message->payload), message->payloadlen);
    that->post(that->m_generation, [that, topic, payload] { emit that->messageReceived(topic, payload); });
}

} // namespace zkd::mqtt
