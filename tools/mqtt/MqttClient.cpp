#include "MqttClient.h"

#include <QMetaObject>

#include <mosquitto.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>

namespace zkd::mqtt {
namespace {

constexpr int kKeepAliveSeconds = 10;
// The longest sleep of the worker: keep-alive is counted in seconds.
constexpr int kLoopTimeoutMs = 1000;
constexpr int kQos = 1;
// How long a busy connection leaves the socket unread, and acknowledgements
// unpassed: each pass costs a wake-up of a thread, and a busy connection
// is read anyway whenever a batch comes.
constexpr std::chrono::milliseconds kReadPause{200};
constexpr std::chrono::milliseconds kAckPause{200};
// The most reads of one pass, so that a flood of messages does not hold up
// sending.
constexpr int kLongestRead = 1000;
// Enough for the batches of a connection that comes back after an outage.
constexpr int kMaxInFlight = 1000;
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

MqttClient::MqttClient(Setup setup, QObject *parent)
    : QObject(parent), m_setup(std::move(setup)), m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{}

MqttClient::~MqttClient()
{
    stop();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
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
    wakeWorker();
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
    wakeWorker();
}

bool MqttClient::publish(std::vector<Message> messages)
{
    if (m_liveGeneration == 0 || m_liveGeneration != m_generation)
        return false;
    if (messages.empty())
        return true;
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // A worker with work waiting has been woken already.
        wake = m_outbox.empty();
        for (Message &message : messages)
            m_outbox.push_back(Outgoing{m_liveGeneration, std::move(message)});
    }
    if (wake)
        wakeWorker();
    return true;
}

void MqttClient::wakeWorker()
{
    const std::uint64_t one = 1;
    // Only a full counter fails, and that wakes the worker as well.
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}

void MqttClient::drainWake()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(m_wakeFd, &count, sizeof count);
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
    mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_int_option(client, MOSQ_OPT_SEND_MAXIMUM, kMaxInFlight);
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
    for (;;) {
        mosquitto *client = create();
        quint64 generation = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping || !client) {
                mosquitto_destroy(client);
                break;
            }
            generation = ++m_generation;
            m_refusal.clear();
            m_accepted = false;
        }
        const int code = serve(client, generation);
        const QString reason = m_refusal.isEmpty() ? errorText(code) : m_refusal;
        mosquitto_destroy(client);
        m_tags.clear();
        m_acked.clear();
        bool hurry = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping)
                break;
            hurry = m_hurry;
        }
        post(generation, [this, reason] {
            m_liveGeneration = 0;
            emit connectionFailed(reason);
        });
        if (m_accepted)
            retry = kFirstRetry;
        // Wait for the next attempt; hurry() shortens the wait, stop() ends it.
        const auto began = std::chrono::steady_clock::now();
        for (;;) {
            const auto wait = hurry ? std::min(retry, kFirstRetry) : retry;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(began + wait
                                                                                    - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd wake{m_wakeFd, POLLIN, 0};
            if (::poll(&wake, 1, int(left.count())) > 0)
                drainWake();
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping)
                break;
            // Nothing is sent meanwhile: what waits belongs to the lost connection.
            m_outbox.clear();
            hurry = m_hurry;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping)
                break;
        }
        retry = std::min(retry * 2, kLongestRetry);
    }
}

int MqttClient::serve(mosquitto *client, quint64 generation)
{
    using Clock = std::chrono::steady_clock;
    const QByteArray host = m_setup.server.host.toUtf8();
    int code = mosquitto_connect_async(client, host.constData(), m_setup.server.port, kKeepAliveSeconds);
    bool disconnecting = false;
    std::vector<Outgoing> outbox;
    Clock::time_point nextRead = Clock::now();
    // A caller with a deadline waits for its acknowledgements without pauses.
    bool hurried = false;
    while (code == MOSQ_ERR_SUCCESS) {
        const int socket = mosquitto_socket(client);
        if (socket < 0)
            return MOSQ_ERR_NO_CONN;
        // A busy connection is read when the next batch comes, or after a
        // pause, not each time an acknowledgement arrives.
        auto now = Clock::now();
        const bool watchReads = !m_accepted || hurried || now >= nextRead;
        auto timeout = std::chrono::milliseconds(kLoopTimeoutMs);
        if (!watchReads)
            timeout = std::min(timeout, std::chrono::ceil<std::chrono::milliseconds>(nextRead - now));
        if (!m_acked.empty())
            timeout = std::min(timeout, std::chrono::ceil<std::chrono::milliseconds>(m_nextAckPass - now));
        const auto events = short((watchReads ? POLLIN : 0) | (mosquitto_want_write(client) ? POLLOUT : 0));
        std::array<pollfd, 2> fds{pollfd{m_wakeFd, POLLIN, 0}, pollfd{socket, events, 0}};
        if (::poll(fds.data(), fds.size(), int(std::max<std::chrono::milliseconds::rep>(timeout.count(), 0))) < 0
            && errno != EINTR)
            return MOSQ_ERR_ERRNO;
        if (fds[0].revents & POLLIN)
            drainWake();
        bool stopping = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            outbox.swap(m_outbox);
            stopping = m_stopping;
            hurried = m_hurry;
        }
        if (stopping && !disconnecting) {
            if (!m_accepted)
                return MOSQ_ERR_SUCCESS;
            // Said goodbye: the broker keeps the will to itself.
            mosquitto_disconnect(client);
            disconnecting = true;
        }
        now = Clock::now();
        if ((fds[1].revents & (POLLIN | POLLERR | POLLHUP)) || !outbox.empty()) {
            bool drained = true;
            code = readAvailable(client, drained);
            // More than one pass takes is waiting: no pause.
            nextRead = drained ? now + kReadPause : now;
        }
        if (code == MOSQ_ERR_SUCCESS && !disconnecting && !outbox.empty())
            code = sendOutbox(client, generation, outbox);
        outbox.clear();
        if (code == MOSQ_ERR_SUCCESS && mosquitto_socket(client) >= 0 && mosquitto_want_write(client))
            code = mosquitto_loop_write(client, 1);
        if (code == MOSQ_ERR_SUCCESS)
            code = mosquitto_loop_misc(client);
        if (!m_acked.empty() && (hurried || Clock::now() >= m_nextAckPass))
            passAcknowledgements();
    }
    passAcknowledgements();
    return code;
}

int MqttClient::readAvailable(mosquitto *client, bool &drained)
{
    // One call reads as many packets as there are messages of ours in
    // flight, at least one: a subscriber's share needs more calls.
    for (int pass = 0; pass < kLongestRead; ++pass) {
        const int code = mosquitto_loop_read(client, 1);
        const int socket = mosquitto_socket(client);
        if (code != MOSQ_ERR_SUCCESS || socket < 0)
            return code;
        pollfd more{socket, POLLIN, 0};
        if (::poll(&more, 1, 0) <= 0)
            return MOSQ_ERR_SUCCESS;
    }
    drained = false;
    return MOSQ_ERR_SUCCESS;
}

int MqttClient::sendOutbox(mosquitto *client, quint64 generation, std::vector<Outgoing> &outbox)
{
    // Corked, the batch leaves in as few segments as it fills.
    const int socket = mosquitto_socket(client);
    const int cork = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_CORK, &cork, sizeof cork);
    int code = MOSQ_ERR_SUCCESS;
    for (const Outgoing &outgoing : outbox) {
        // Handed to a connection that is gone: the caller sends it again.
        if (outgoing.generation != generation)
            continue;
        const Message &message = outgoing.message;
        int id = 0;
        code = mosquitto_publish(client, &id, message.topic.constData(), int(message.payload.size()),
                                 message.payload.constData(), kQos, message.retain);
        // Nothing after a message that was not taken goes out on this
        // connection: the next one sends them all again, in order.
        if (code != MOSQ_ERR_SUCCESS)
            break;
        m_tags[id] = message.tag;
    }
    const int uncork = 0;
    ::setsockopt(socket, IPPROTO_TCP, TCP_CORK, &uncork, sizeof uncork);
    return code;
}

void MqttClient::passAcknowledgements()
{
    if (m_acked.empty())
        return;
    m_nextAckPass = std::chrono::steady_clock::now() + kAckPause;
    {
        std::lock_guard<std::mutex> lock(m_ackMutex);
        m_acks.insert(m_acks.end(), m_acked.begin(), m_acked.end());
        m_acked.clear();
        if (m_ackPosted)
            return;
        m_ackPosted = true;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            std::vector<quint64> acks;
            {
                std::lock_guard<std::mutex> lock(m_ackMutex);
                acks.swap(m_acks);
                m_ackPosted = false;
            }
            emit acknowledged(acks);
        },
        Qt::QueuedConnection);
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
    const auto found = that->m_tags.find(messageId);
    if (found == that->m_tags.end())
        return;
    that->m_acked.push_back(found->second);
    that->m_tags.erase(found);
}

void MqttClient::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    auto *that = static_cast<MqttClient *>(self);
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char *>(message->payload), message->payloadlen);
    that->post(that->m_generation, [that, topic, payload] { emit that->messageReceived(topic, payload); });
}

} // namespace zkd::mqtt
