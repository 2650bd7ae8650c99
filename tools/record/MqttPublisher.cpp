#include "MqttPublisher.h"

#include "files/WorkFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace zkd::record {
namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
// What one read of a run's file takes at first: a message's worth of lines
// and more; a longer line is read on until its end.
constexpr qint64 kReadChunk = qint64(64) * 1024;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The line ends in `file` from `from` on, and whether bytes follow the last one.
std::pair<quint64, bool> linesFrom(QFile &file, qint64 from)
{
    if (!file.seek(from))
        return {0, false};
    quint64 lines = 0;
    char before = 0;
    char last = 0;
    bool any = false;
    while (true) {
        const QByteArray block = file.read(qint64(1) << 20);
        if (block.isEmpty())
            break;
        lines += quint64(block.count(kLineEnd));
        // A CR LF split between two blocks.
        if (last == '\r' && block.front() == '\n')
            ++lines;
        before = block.size() > 1 ? block.at(block.size() - 2) : last;
        last = block.back();
        any = true;
    }
    return {lines, any && !(before == '\r' && last == '\n')};
}

} // namespace

MqttPublisher::MqttPublisher(Config config, std::function<void(const QString &)> print, QObject *parent)
    : QObject(parent), m_config(std::move(config)), m_print(std::move(print)),
      m_statePath(PublishState::pathIn(QFileInfo(m_config.workFile).absolutePath())),
      m_statusTopic(mqtt::topic(m_config.prefix, m_config.device, mqtt::Topic::Status).toUtf8()),
      m_headerTopic(mqtt::topic(m_config.prefix, m_config.device, mqtt::Topic::Header).toUtf8()),
      m_recordTopic(mqtt::topic(m_config.prefix, m_config.device, mqtt::Topic::Record).toUtf8())
{
    m_grace.setSingleShot(true);
    connect(&m_grace, &QTimer::timeout, this, &MqttPublisher::done);
    m_batchTimer.setSingleShot(true);
    connect(&m_batchTimer, &QTimer::timeout, this, [this] { fill(true); });
    m_stateTimer.setSingleShot(true);
    connect(&m_stateTimer, &QTimer::timeout, this, &MqttPublisher::saveState);
}

MqttPublisher::~MqttPublisher() = default;

void MqttPublisher::startRun(const QString &notes)
{
    m_start = QDateTime::currentDateTime();
    m_run = mqtt::runId(m_start, m_config.device);
    m_notes = notes;

    PublishState::Loaded loaded = PublishState::load(m_statePath);
    if (!loaded.error.isEmpty())
        m_print(QStringLiteral("warning: the publishing state %1 cannot be read (%2); publishing goes on with this "
                               "run, earlier runs are not published further")
                    .arg(native(m_statePath), loaded.error));
    else if (loaded.missing && !WorkFile::backupsFor(m_config.workFile).isEmpty())
        m_print(QStringLiteral("warning: no publishing state in %1; what the broker did not acknowledge of earlier "
                               "runs is not published")
                    .arg(native(QFileInfo(m_statePath).absolutePath())));
    for (PublishedRun &state : loaded.runs)
        resume(std::move(state));

    mqtt::MqttClient::Setup setup;
    setup.server = m_config.server;
    setup.clientId = QStringLiteral("zkd735-record-") + m_config.device;
    setup.will = mqtt::MqttClient::Will{mqtt::topic(m_config.prefix, m_config.device, mqtt::Topic::Status),
                                        mqtt::statusPayload(QStringLiteral("offline"), m_run, m_start)};
    m_client = std::make_unique<mqtt::MqttClient>(setup);
    connect(m_client.get(), &mqtt::MqttClient::connected, this, &MqttPublisher::onConnected);
    connect(m_client.get(), &mqtt::MqttClient::connectionFailed, this, &MqttPublisher::onConnectionFailed);
    connect(m_client.get(), &mqtt::MqttClient::acknowledged, this, &MqttPublisher::onAcknowledged);
    saveState();
    Message status;
    status.topic = m_statusTopic;
    status.payload = mqtt::statusPayload(QStringLiteral("recording"), m_run, m_start);
    status.retain = true;
    enqueue(std::move(status));
    m_client->start();
}

bool MqttPublisher::resume(PublishedRun state)
{
    if (!mqtt::validRunId(state.run, m_config.device)) {
        m_print(QStringLiteral("warning: run %1 in %2 is not one of device %3; it is not published further")
                    .arg(state.run, native(m_statePath), m_config.device));
        return false;
    }
    // Where the run was written, else the backups a later start kept it as.
    QStringList candidates{state.file};
    for (const QString &backup : WorkFile::backupsFor(m_config.workFile))
        if (!candidates.contains(backup))
            candidates << backup;
    for (const QString &path : candidates) {
        auto file = std::make_unique<QFile>(path);
        if (!file->open(QIODevice::ReadOnly) || file->size() < state.offset
            || file->read(state.preamble.size()) != state.preamble)
            continue;
        Source source;
        source.state = std::move(state);
        source.state.file = path;
        // A run of an earlier start grows no more.
        source.state.ended = true;
        source.file = std::move(file);
        source.nextSeq = source.state.seq;
        source.nextOffset = source.state.offset;
        source.file->seek(source.nextOffset - 2);
        source.before = source.file->read(2);
        m_sources.push_back(std::move(source));
        return true;
    }
    m_print(QStringLiteral("warning: run %1 is not published further: no file holds it any more (looked for %2 and "
                           "its backups)")
                .arg(state.run, native(state.file)));
    return false;
}

void MqttPublisher::fileWritten()
{
    if (!m_batchTimer.isActive() && !m_finishing)
        m_batchTimer.start(kBatchInterval);
}

void MqttPublisher::headerRead(const QString &inp1, const QString &inp2, const QString &sr1, const QString &sr2,
                               const std::optional<QString> &pri, std::int16_t scaleMax1, std::int16_t scaleMax2,
                               const QByteArray &preamble)
{
    if (!m_client || source(m_run))
        return;
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
    header.preamble = preamble;

    Source live;
    live.state.run = m_run;
    live.state.preamble = preamble;
    live.state.file = m_config.workFile;
    live.state.header = mqtt::headerPayload(header);
    live.state.scaleMax1 = scaleMax1;
    live.state.scaleMax2 = scaleMax2;
    live.state.offset = preamble.size();
    live.file = std::make_unique<QFile>(m_config.workFile);
    if (!live.file->open(QIODevice::ReadOnly)) {
        m_print(QStringLiteral("warning: cannot read the working file %1 back: %2; this run is not published")
                    .arg(native(m_config.workFile), live.file->errorString()));
        return;
    }
    live.nextOffset = live.state.offset;
    live.before = preamble.right(2);
    m_sources.push_back(std::move(live));
    // At once: a kill right after the header read still finds the run.
    saveState();
    fill(true);
}

void MqttPublisher::finish(const QString &savedPath)
{
    if (m_finishing)
        return;
    m_finishing = true;
    m_batchTimer.stop();
    if (!m_client) {
        done();
        return;
    }
    if (Source *live = source(m_run)) {
        // The open file still reads the run, whatever name it has now.
        live->state.file = savedPath.isEmpty() ? m_config.workFile : QFileInfo(savedPath).absoluteFilePath();
        live->state.ended = true;
    }
    m_idlePending = true;
    saveState();
    fill(true);
    m_client->hurry();
    m_grace.start(kExitGrace);
    checkFinished();
}

void MqttPublisher::fill(bool partial)
{
    if (!m_connected)
        return;
    while (m_queue.size() < kWindow) {
        const auto next = std::find_if(m_sources.begin(), m_sources.end(),
                                       [](const Source &source) { return !source.exhausted; });
        if (next == m_sources.end()) {
            if (m_idlePending) {
                m_idlePending = false;
                Message status;
                status.topic = m_statusTopic;
                status.payload = mqtt::statusPayload(QStringLiteral("idle"), m_run, QDateTime::currentDateTime());
                status.retain = true;
                enqueue(std::move(status));
            }
            break;
        }
        Source &source = *next;
        if (!source.headerQueued) {
            source.headerQueued = true;
            Message header;
            header.topic = m_headerTopic;
            header.payload = source.state.header;
            header.retain = true;
            header.run = source.state.run;
            header.header = true;
            enqueue(std::move(header));
            continue;
        }
        const bool final = source.state.ended;
        if (nextBatch(source, partial || final))
            continue;
        if (!final)
            break;
        source.exhausted = true;
    }
    flush();
}

bool MqttPublisher::nextBatch(Source &source, bool partial)
{
    QFile &file = *source.file;
    const qint64 size = file.size();
    // The last two bytes taken are still there: a file cut short and
    // written on (a hole of NULs where lines were) is not read as lines.
    const bool changed = size < source.nextOffset || !file.seek(source.nextOffset - 2) || file.read(2) != source.before;
    if (changed) {
        m_print(QStringLiteral("warning: %1 shrank or changed while it was published; run %2 is published no "
                               "further after record %3")
                    .arg(native(source.state.file), source.state.run)
                    .arg(source.nextSeq));
        source.exhausted = true;
        source.abandoned = true;
        return false;
    }
    if (size == source.nextOffset)
        return false;

    // The lines from nextOffset on, up to a message's worth; a long line is read on to its end.
    qint64 want = std::min(kReadChunk, size - source.nextOffset);
    std::vector<qsizetype> ends; // after each line end
    while (true) {
        m_readBuffer = file.read(want);
        ends.clear();
        for (qsizetype at = m_readBuffer.indexOf(kLineEnd); at >= 0 && ends.size() < kMostLinesPerMessage;
             at = m_readBuffer.indexOf(kLineEnd, at + kLineEnd.size()))
            ends.push_back(at + kLineEnd.size());
        if (!ends.empty() || m_readBuffer.size() >= size - source.nextOffset || !file.seek(source.nextOffset))
            break;
        want = std::min(want * 2, size - source.nextOffset);
    }
    // The last bytes of a run that has ended are its last line, without a line end.
    const bool tail = source.state.ended && ends.size() < kMostLinesPerMessage
        && source.nextOffset + m_readBuffer.size() == size && (ends.empty() || ends.back() < m_readBuffer.size());
    const std::size_t lines = ends.size() + (tail ? 1 : 0);
    // A message's worth of lines, or of bytes when the lines are long.
    const bool full = ends.size() >= kMostLinesPerMessage || m_readBuffer.size() >= kReadChunk;
    if (lines == 0 || (!partial && !full))
        return false;

    qsizetype from = 0;
    quint64 seq = source.nextSeq;
    for (const qsizetype end : ends) {
        m_batch.add(source.state.run, ++seq, m_readBuffer.mid(from, end - kLineEnd.size() - from), true,
                    source.state.scaleMax1, source.state.scaleMax2);
        from = end;
    }
    if (tail) {
        m_batch.add(source.state.run, ++seq, m_readBuffer.mid(from), false, source.state.scaleMax1,
                    source.state.scaleMax2);
        from = m_readBuffer.size();
    }
    source.nextSeq = seq;
    source.nextOffset += from;
    source.before = (source.before + m_readBuffer.left(from)).right(2);

    Message message;
    message.topic = m_recordTopic;
    // Its payload is fixed from now on: sent again, it is the same message.
    message.payload = m_batch.take();
    message.run = source.state.run;
    message.lastSeq = seq;
    message.endOffset = source.nextOffset;
    message.lines = lines;
    enqueue(std::move(message));
    return true;
}

void MqttPublisher::enqueue(Message message)
{
    m_queue.push_back(std::move(message));
    if (m_connected)
        send(m_firstIndex + m_queue.size() - 1);
}

void MqttPublisher::send(quint64 index)
{
    const Message &message = m_queue[std::size_t(index - m_firstIndex)];
    m_outgoing.push_back(mqtt::MqttClient::Message{index, message.topic, message.payload, message.retain});
}

void MqttPublisher::flush()
{
    if (m_outgoing.empty() || !m_client)
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
    fill(true);
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
    bool progress = false;
    while (!m_queue.empty() && m_queue.front().acknowledged) {
        const Message &message = m_queue.front();
        if (message.lines > 0)
            if (Source *of = source(message.run)) {
                of->state.seq = message.lastSeq;
                of->state.offset = message.endOffset;
                progress = true;
            }
        m_queue.pop_front();
        ++m_firstIndex;
    }
    if (progress)
        saveStateSoon();
    fill(m_finishing);
    checkFinished();
}

void MqttPublisher::saveStateSoon()
{
    if (!m_stateTimer.isActive())
        m_stateTimer.start(kStatePeriod);
}

void MqttPublisher::saveState()
{
    m_stateTimer.stop();
    // A start that never began a run (the port did not open) leaves the state as it found it.
    if (!m_client)
        return;
    std::vector<PublishedRun> runs;
    for (const Source &source : m_sources)
        // A run that has ended and is acknowledged to its last byte is seen
        // through; one whose file changed is not published further.
        if (!source.abandoned && !(source.exhausted && source.state.ended && source.state.offset >= source.nextOffset))
            runs.push_back(source.state);
    const QString error = PublishState::save(m_statePath, runs);
    if (!error.isEmpty() && m_stateError.isEmpty())
        m_print(QStringLiteral("warning: cannot write the publishing state %1: %2; a restart publishes this run "
                               "only as far as the broker has it")
                    .arg(native(m_statePath), error));
    m_stateError = error;
}

void MqttPublisher::checkFinished()
{
    if (m_finishing && m_queue.empty() && !m_idlePending
        && std::all_of(m_sources.begin(), m_sources.end(), [](const Source &source) { return source.exhausted; }))
        done();
}

void MqttPublisher::done()
{
    if (m_done)
        return;
    m_done = true;
    m_grace.stop();
    m_batchTimer.stop();
    if (m_client)
        m_client->stop();
    saveState();
    quint64 missing = 0;
    quint64 total = 0;
    for (const Source &source : m_sources) {
        if (source.abandoned)
            continue;
        const auto [lines, tail] = linesFrom(*source.file, source.state.offset);
        const quint64 left = lines + (tail ? 1 : 0);
        missing += left;
        total += source.state.seq + left;
    }
    if (missing > 0)
        m_print(QStringLiteral("recorded, not all published: %1 of %2 records missing (MQTT broker %3:%4 "
                               "unreachable); the next start with --mqtt in this folder publishes them")
                    .arg(missing)
                    .arg(total)
                    .arg(m_config.server.host)
                    .arg(m_config.server.port));
    emit finished(missing);
}

MqttPublisher::Source *MqttPublisher::source(const QString &run)
{
    for (Source &source : m_sources)
        if (source.state.run == run)
            return &source;
    return nullptr;
}

} // namespace zkd::record
