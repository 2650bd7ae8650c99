#include "MqttClient.h"

#include <QMetaObject>

#include <mosquitto.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/eventfd.h>
#include <unistd.h>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>

namespace zkd::mqtt {
namespace {

// A queued call reaches the owner's thread through a lock inside Qt, which
// ThreadSanitizer does not see when Qt is not built with it. These two tell
// it of that hand-over: what the worker did before it posted a report
// happened before the report runs. Without ThreadSanitizer they are nothing.
inline void handOver([[maybe_unused]] void *token)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_release(token);
#endif
}

inline void takeOver([[maybe_unused]] void *token)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(token);
#endif
}

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

// The numeric addresses `host` stands for, in the order the system's resolver
// gives them (the order libmosquitto and the broker's own clients use).
QStringList systemAddresses(const QString &host)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    QStringList addresses;
    if (::getaddrinfo(host.toUtf8().constData(), nullptr, &hints, &found) != 0)
        return addresses;
    for (const addrinfo *entry = found; entry; entry = entry->ai_next) {
        std::array<char, NI_MAXHOST> text{};
        if ((entry->ai_family == AF_INET || entry->ai_family == AF_INET6)
            && ::getnameinfo(entry->ai_addr, entry->ai_addrlen, text.data(), socklen_t(text.size()), nullptr, 0,
                             NI_NUMERICHOST)
                == 0) {
            const QString address = QString::fromLatin1(text.data());
            if (!addresses.contains(address))
                addresses << address;
        }
    }
    ::freeaddrinfo(found);
    return addresses;
}

bool isAddress(const QByteArray &host)
{
    std::array<unsigned char, sizeof(in6_addr)> bytes{};
    return ::inet_pton(AF_INET, host.constData(), bytes.data()) == 1
        || ::inet_pton(AF_INET6, host.constData(), bytes.data()) == 1;
}

// libmosquitto names the server by the address it is handed: the handshake
// names it by the host (SNI) instead, set just before the client's first
// message is built. The context carries the host as its data.
void nameServer(const SSL *ssl, int where, int)
{
    if (!(where & SSL_CB_HANDSHAKE_START))
        return;
    const auto *host = static_cast<const char *>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), 0));
    SSL_ctrl(const_cast<SSL *>(ssl), SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name, const_cast<char *>(host));
}

// The TLS settings libmosquitto would make (TLS 1.2 or later, the peer's
// certificate checked against the given authority or the system's), with
// the certificate checked against `host`, a name or an address, and not
// against the address the connection goes to. `host` must outlive it.
SSL_CTX *tlsContext(const QString &caFile, const QByteArray &host)
{
    SSL_CTX *context = SSL_CTX_new(TLS_client_method());
    if (!context)
        return nullptr;
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_options(context, SSL_OP_NO_COMPRESSION);
    SSL_CTX_set_mode(context, SSL_MODE_RELEASE_BUFFERS);
    // An authority that cannot be read leaves none: every certificate is refused.
    if (caFile.isEmpty())
        SSL_CTX_set_default_verify_paths(context);
    else
        SSL_CTX_load_verify_file(context, caFile.toLocal8Bit().constData());
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    X509_VERIFY_PARAM *check = SSL_CTX_get0_param(context);
    X509_VERIFY_PARAM_set_hostflags(check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    const bool checked = isAddress(host) ? X509_VERIFY_PARAM_set1_ip_asc(check, host.constData()) == 1
                                         : X509_VERIFY_PARAM_set1_host(check, host.constData(), 0) == 1;
    if (!checked || SSL_CTX_set_ex_data(context, 0, const_cast<char *>(host.constData())) != 1) {
        SSL_CTX_free(context);
        return nullptr;
    }
    SSL_CTX_set_info_callback(context, &nameServer);
    return context;
}

// The TCP connection of `socket` is made (it has a peer).
bool hasPeer(int socket)
{
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    return ::getpeername(socket, reinterpret_cast<sockaddr *>(&peer), &size) == 0;
}

// Why the connection of `socket` failed; 0 for no failure.
int pendingError(int socket)
{
    int error = 0;
    socklen_t size = sizeof error;
    return ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) == 0 ? error : errno;
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
    : QObject(parent), m_setup(std::move(setup)), m_tlsName(m_setup.server.host.toUtf8()),
      m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
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
    handOver(this);
    QMetaObject::invokeMethod(
        this,
        [this, generation, report = std::move(report)] {
            takeOver(this);
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
        // Without its TLS context the client would connect in the clear.
        // libmosquitto leaves the context as it is (no settings of its own).
        SSL_CTX *context = tlsContext(server.caFile, m_tlsName);
        int code = context ? mosquitto_int_option(client, MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 0) : MOSQ_ERR_NOMEM;
        if (code == MOSQ_ERR_SUCCESS)
            code = mosquitto_void_option(client, MOSQ_OPT_SSL_CTX, context);
        SSL_CTX_free(context); // the client holds a reference of its own
        if (code != MOSQ_ERR_SUCCESS) {
            mosquitto_destroy(client);
            return nullptr;
        }
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
    const auto stopping = [this] {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_stopping;
    };
    std::chrono::milliseconds retry = kFirstRetry;
    for (;;) {
        QStringList addresses = m_setup.resolve ? m_setup.resolve(m_setup.server.host)
                                                : systemAddresses(m_setup.server.host);
        // A host that resolves to nothing: libmosquitto looks it up itself and says why it failed.
        if (addresses.isEmpty())
            addresses << m_setup.server.host;
        // Every address in turn until one takes the TCP connection; only the
        // attempt that ends the round is reported.
        quint64 generation = 0;
        QString reason;
        bool ended = false;
        for (const QString &address : std::as_const(addresses)) {
            mosquitto *client = create();
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                ended = m_stopping || !client;
                if (ended) {
                    mosquitto_destroy(client);
                    break;
                }
                generation = ++m_generation;
                m_refusal.clear();
                m_accepted = false;
            }
            bool reached = false;
            const int code = serve(client, generation, address.toUtf8(), reached);
            reason = m_refusal.isEmpty() ? errorText(code) : m_refusal;
            mosquitto_destroy(client);
            m_tags.clear();
            m_acked.clear();
            ended = stopping();
            if (ended || reached)
                break;
        }
        if (ended)
            break;
        bool hurry = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            hurry = m_hurry;
        }
        post(generation, [this, reason = std::move(reason)] {
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

int MqttClient::serve(mosquitto *client, quint64 generation, const QByteArray &address, bool &reached)
{
    using Clock = std::chrono::steady_clock;
    int code = mosquitto_connect_async(client, address.constData(), m_setup.server.port, kKeepAliveSeconds);
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
        // A connection under way that the socket reports on is made or has
        // failed; asked before libmosquitto reads, whose TLS layer would wait
        // for the keep-alive to see a failure. When TLS's first write took
        // the reason already, the failure came at once: a refusal.
        if (!reached && fds[1].revents) {
            reached = hasPeer(socket);
            if (!reached && (fds[1].revents & (POLLERR | POLLHUP))) {
                const int error = pendingError(socket);
                errno = error != 0 ? error : ECONNREFUSED;
                return MOSQ_ERR_ERRNO;
            }
        }
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
            passReceived();
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

void MqttClient::passReceived()
{
    if (m_received.empty())
        return;
    // Moved into the call: the worker keeps no copy to drop while the
    // owner's thread reads them.
    handOver(this);
    QMetaObject::invokeMethod(
        this,
        [this, messages = std::move(m_received)] {
            takeOver(this);
            emit messagesReceived(messages);
        },
        Qt::QueuedConnection);
    m_received.clear();
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
    that->m_received.push_back(Received{QString::fromUtf8(message->topic),
                                        QByteArray(static_cast<const char *>(message->payload), message->payloadlen)});
}

} // namespace zkd::mqtt
