#include "MqttPublisher.h"

namespace zkd::record {
namespace {
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
} // namespace

MqttPublisher::MqttPublisher(Config config, std::function<void(const QString &)> print, QObject *parent)
    : QObject(parent), m_config(std::move(config)), m_print(std::move(print)),
      m_statusTopic(mqtt::topic(m_config.prefix, m_config.device, mqtt::Topic::Status).toUtf8()),
      m_headerTopic(mqtt::topic(m_config.prefix, m_config.device, mqtt::Topic::Header).toUtf8()),
      m_recordTopic(mqtt::topic(m_config.prefix, m_config.device, mqtt::Topic::Record).toUtf8())
{
    m_grace.setSingleShot(true);
    connect(&m_grace, &QTimer::timeout, this, &MqttPublisher::done);
    m_flushTimer.setSingleShot(true);
    connect(&m_flushTimer, &QTimer::timeout, this, &MqttPublisher::flush);
}

MqttPublisher::~MqttPublisher() = default;

void MqttPublisher::startRun(const QString &notes)
{
    m_start = QDateTime::currentDateTime();
    m_run = mqtt::runId(m_start, m_config.device);
    m_notes = notes;
    mqtt::MqttClient::Setup setup;
    setup.server = m_config.server;
    setup.clientId = QStringLiteral("zkd735-record-") + m_config.device;
    setup.will = mqtt::MqttClient::Will{mqtt::topic(m_config.prefix, m_config.device, mqtt::Topic::Status),
                                        mqtt::statusPayload(QStringLiteral("offline"), m_run, m_start)};
    m_client = std::make_unique<mqtt::MqttClient>(setup);
    connect(m_client.get(), &mqtt::MqttClient::connected, this, &MqttPublisher::onConnected);
    connect(m_client.get(), &mqtt::MqttClient::connectionFailed, this, &MqttPublisher::onConnectionFailed);
    connect(m_client.get(), &mqtt::MqttClient::acknowledged, this, &MqttPublisher::onAcknowledged);
    enqueue(m_statusTopic, mqtt::statusPayload(QStringLiteral("recording"), m_run, m_start));
    flush();
    m_client->start();
}

void MqttPublisher::addFileBytes(const QByteArray &bytes, const QByteArray &preamble)
{
    qsizetype from = m_pending.size();
    if (!m_preambleSeen) {
        m_preambleSeen = true;
        m_preamble = preamble;
        m_pending += bytes.startsWith(preamble) ? bytes.mid(preamble.size()) : bytes;
        from = 0;
    } else {
        m_pending += bytes;
    }
    // A CR at the end of the last bytes may find its LF now.
    qsizetype lineStart = 0;
    qsizetype at = m_pending.indexOf(kLineEnd, std::max<qsizetype>(0, from - 1));
    while (at >= 0) {
        const QByteArray line = m_pending.mid(lineStart, at - lineStart);
        if (m_headerRead)
            queueLine(line, true);
        else
            m_heldLines.push_back(line);
        lineStart = at + kLineEnd.size();
        at = m_pending.indexOf(kLineEnd, lineStart);
    }
    if (lineStart > 0)
        m_pending.remove(0, lineStart);
    flushSoon();
}

void MqttPublisher::headerRead(const QString &inp1, const QString &inp2, const QString &sr1, const QString &sr2,
                               const std::optional<QString> &pri, std::int16_t scaleMax1, std::int16_t scaleMax2)
{
    if (m_headerRead || !m_client)
        return;
    m_scaleMax1 = scaleMax1;
    m_scaleMax2 = scaleMax2;
    mqtt::RunHeader header;
    header.run = m_run;
    header.start = m_start;
    header.inp1Line = inp1;
    header.inp2Line = inp2;
    header.sr1Line = sr1;
    header.sr2Line = sr2;
    header.priLine = pri;
    header.scaleMax1 = scaleMax1;
    header.scaleMax2 = scaleMax2;
    header.notes = m_notes;
    header.preamble = m_preamble;
    enqueue(m_headerTopic, mqtt::headerPayload(header));
    m_headerRead = true;
    for (const QByteArray &line : m_heldLines)
        queueLine(line, true);
    m_heldLines.clear();
    flush();
}

void MqttPublisher::finish(bool publishLines)
{
    if (m_finishing)
        return;
    m_finishing = true;
    if (!m_client) {
        done();
        return;
    }
    if (publishLines && m_headerRead && !m_pending.isEmpty())
        queueLine(m_pending, false);
    m_pending.clear();
    m_heldLines.clear();
    enqueue(m_statusTopic, mqtt::statusPayload(QStringLiteral("idle"), m_run, QDateTime::currentDateTime()));
    flush();
    m_client->hurry();
    m_grace.start(kExitGrace);
    checkFinished();
}

void MqttPublisher::enqueue(QByteArray topic, QByteArray payload)
{
    closeBatch();
    enqueue(Message{std::move(topic), std::move(payload), true, 0, false});
}

void MqttPublisher::enqueue(Message message)
{
    m_queue.push_back(std::move(message));
    if (m_connected)
        send(m_firstIndex + m_queue.size() - 1);
}

void MqttPublisher::queueLine(const QByteArray &raw, bool complete)
{
    ++m_seq;
    m_batch.add(m_run, m_seq, raw, complete, m_scaleMax1, m_scaleMax2);
    if (m_batch.size() >= kMostLinesPerMessage)
        closeBatch();
}

void MqttPublisher::closeBatch()
{
    if (m_batch.isEmpty())
        return;
    const std::size_t lines = m_batch.size();
    // Its payload is fixed from now on: sent again, it is the same message.
    enqueue(Message{m_recordTopic, m_batch.take(), false, lines, false});
}

void MqttPublisher::send(quint64 index)
{
    const Message &message = m_queue[std::size_t(index - m_firstIndex)];
    m_outgoing.push_back(mqtt::MqttClient::Message{index, message.topic, message.payload, message.retain});
}

void MqttPublisher::flushSoon()
{
    if (m_outgoing.empty() && m_batch.isEmpty())
        return;
    if (!m_sinceFlush.isValid() || m_sinceFlush.hasExpired(kBatchInterval.count()))
        flush();
    else if (!m_flushTimer.isActive())
        m_flushTimer.start(kLongestHold);
}

void MqttPublisher::flush()
{
    m_flushTimer.stop();
    if (m_outgoing.empty() && m_batch.isEmpty())
        return;
    m_sinceFlush.start();
    closeBatch();
    if (m_outgoing.empty())
        return;
    // Not taken without a connection: connected() sends everything again.
    m_client->publish(std::move(m_outgoing));
    m_outgoing.clear();
}

void MqttPublisher::onConnected()
{
    m_connected = true;
    m_outgoing.clear();
    if (!m_lastWarning.isEmpty()) {
        m_print(QStringLiteral("MQTT broker %1:%2 reached again; publishing what it has not acknowledged")
                    .arg(m_config.server.host)
                    .arg(m_config.server.port));
        m_lastWarning.clear();
    }
    for (quint64 index = m_firstIndex; index < m_firstIndex + m_queue.size(); ++index)
        if (!m_queue[std::size_t(index - m_firstIndex)].acknowledged)
            send(index);
    flush();
}

void MqttPublisher::onConnectionFailed(const QString &reason)
{
    m_connected = false;
    m_outgoing.clear();
    // One warning per outage: the first reason is the telling one.
    if (!m_lastWarning.isEmpty())
        return;
    m_lastWarning = reason;
    m_print(QStringLiteral("warning: MQTT broker %1:%2: %3; recording goes on, publishing resumes when it is back")
                .arg(m_config.server.host)
                .arg(m_config.server.port)
                .arg(reason));
}

void MqttPublisher::onAcknowledged(const std::vector<quint64> &indexes)
{
    // An index below the front was acknowledged before, on an earlier connection.
    for (const quint64 index : indexes)
        if (index >= m_firstIndex && index - m_firstIndex < m_queue.size())
            m_queue[std::size_t(index - m_firstIndex)].acknowledged = true;
    while (!m_queue.empty() && m_queue.front().acknowledged) {
        m_queue.pop_front();
        ++m_firstIndex;
    }
    checkFinished();
}

void MqttPublisher::checkFinished()
{
    if (m_finishing && m_queue.empty())
        done();
}

void MqttPublisher::done()
{
    if (m_done)
        return;
    m_done = true;
    m_grace.stop();
    const quint64 missing = unacknowledgedLines();
    if (m_client)
        m_client->stop();
    if (missing > 0)
        m_print(QStringLiteral("recorded, not all published: %1 of %2 records missing "
                               "(MQTT broker %3:%4 unreachable)")
                    .arg(missing)
                    .arg(m_seq)
                    .arg(m_config.server.host)
                    .arg(m_config.server.port));
    emit finished(missing);
}

quint64 MqttPublisher::unacknowledgedLines() const
{
    quint64 count = 0;
    for (const Message &message : m_queue)
        if (!message.acknowledged)
            count += message.lines;
    return count + m_batch.size();
}

} // namespace zkd::record
