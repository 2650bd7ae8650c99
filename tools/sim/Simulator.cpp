#include "Simulator.h"

#include "Line.h"

#include <QFile>
#include <QRandomGenerator>

#include <cstdio>

namespace zkd::sim {

namespace {

constexpr double kMillisecondsPerSecond = 1000.0;
// Input 2 runs a quarter period behind input 1.
constexpr double kPhaseOfInput2 = Waveform::kPeriodSeconds / 4.0;
// Polls in a row that must find nothing unread before the simulator exits;
// one could fall between a write and the kernel handing the bytes over.
constexpr int kSettledPolls = 2;

enum SeedOffset : quint32 { kSeedWave1 = 0, kSeedWave2 = 1, kSeedGarbage = 2 };

} // namespace

Simulator::Simulator(const SimOptions &options, Line &line, QObject *parent)
    : QObject(parent), m_options(options), m_line(line),
      m_seed(options.seed.value_or(QRandomGenerator::system()->generate())),
      m_transmitter(line, options.baud, std::chrono::milliseconds(options.sliceMs)),
      m_generator({options.unit1, options.code1}, {options.unit2, options.code2}),
      m_wave1(options.wave, m_generator.fullScale1(), 0.0, m_seed + kSeedWave1),
      m_wave2(options.wave, m_generator.fullScale2(), kPhaseOfInput2, m_seed + kSeedWave2),
      m_garbage(m_seed + kSeedGarbage)
{
    m_recordTimer.setSingleShot(true);
    m_recordTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_recordTimer, &QTimer::timeout, this, &Simulator::onRecordDue);
    m_exitPoll.setInterval(kExitPoll);
    connect(&m_exitPoll, &QTimer::timeout, this, &Simulator::onExitPoll);
    connect(&m_transmitter, &Transmitter::drained, this, &Simulator::onDrained);
    connect(&m_line, &Line::received, this, &Simulator::onReceived);
    connect(&m_line, &Line::transmitted, this, &Simulator::onTransmitted);
    connect(&m_line, &Line::untransmitted, this, &Simulator::onUntransmitted);
    connect(&m_line, &Line::unreadDiscarded, this, &Simulator::onUnreadDiscarded);
}

std::optional<QString> Simulator::prepare()
{
    if (auto error = m_sentLog.open(m_options.logSentFile))
        return error;
    if (auto error = m_receivedLog.open(m_options.logReceivedFile))
        return error;
    if (!m_options.replayFile.isEmpty()) {
        QFile file(m_options.replayFile);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read %1: %2").arg(m_options.replayFile, file.errorString());
        m_replay = file.readAll();
    }
    return std::nullopt;
}

void Simulator::onReceived(const QByteArray &bytes)
{
    m_receivedLog.append(bytes);
    if (m_exiting)
        return;
    for (const char byte : bytes) {
        if (byte == kStartByte)
            start();
        else if (byte == kStopByte)
            stop();
        if (m_exiting)
            return;
    }
}

void Simulator::onTransmitted(const QByteArray &bytes)
{
    m_sentLog.append(bytes);
    m_bytesThisRun += bytes.size();
}

void Simulator::onUntransmitted(qint64 count)
{
    m_sentLog.retract(count);
    m_bytesThisRun -= qMin(count, m_bytesThisRun);
}

void Simulator::onUnreadDiscarded(qint64 count)
{
    if (count == Line::kUnknown) {
        status(QStringLiteral("the other side closed the line; unread bytes may be lost"));
        return;
    }
    m_sentLog.retract(count);
    m_bytesThisRun -= qMin(count, m_bytesThisRun);
    status(count > 0 ? QStringLiteral("the other side closed the line; %1 unread bytes discarded").arg(count)
                     : QStringLiteral("the other side closed the line"));
}

void Simulator::start()
{
    const bool restart = m_state != State::Stopped;
    m_recordTimer.stop();
    m_transmitter.discardPending();
    m_state = State::Running;
    m_produced = 0;
    m_bytesThisRun = 0;
    m_waitingForDrain = false;
    m_generator.restart();
    m_runClock.start();
    status(QStringLiteral("%1: %2").arg(restart ? QStringLiteral("restart") : QStringLiteral("start"), modeText()));

    if (m_options.silent)
        return;
    if (!m_options.replayFile.isEmpty()) {
        m_state = State::Finishing;
        m_transmitter.send(m_replay);
        if (m_transmitter.idle())
            finishTransmission();
        return;
    }
    if (m_options.header && !m_options.garbage)
        m_transmitter.send(m_generator.header());
    scheduleNext();
}

void Simulator::stop()
{
    if (m_state == State::Stopped)
        return;
    m_state = State::Stopped;
    m_recordTimer.stop();
    m_transmitter.discardPending();
    m_waitingForDrain = false;
    status(QStringLiteral("stop (byte 3) after %1 records, %2 bytes sent").arg(m_produced).arg(m_bytesThisRun));
    afterStop();
}

void Simulator::finishTransmission()
{
    m_state = State::Stopped;
    m_recordTimer.stop();
    const QString what = m_options.replayFile.isEmpty() ? QStringLiteral("%1 records").arg(m_produced)
                                                        : QStringLiteral("replay");
    status(QStringLiteral("stop after %1, %2 bytes sent").arg(what).arg(m_bytesThisRun));
    afterStop();
}

void Simulator::afterStop()
{
    if (!m_options.exitAfterStop)
        return;
    m_exiting = true;
    m_emptyPolls = 0;
    m_exitClock.start();
    m_exitPoll.start();
}

void Simulator::onExitPoll()
{
    const qint64 unread = m_line.unreadBytes();
    m_emptyPolls = unread == 0 ? m_emptyPolls + 1 : 0;
    const auto waited = std::chrono::milliseconds(m_exitClock.elapsed());
    const bool done = m_emptyPolls >= kSettledPolls || (unread == Line::kUnknown && waited >= kBlindExitWait)
        || waited >= kMaxExitWait;
    if (!done)
        return;
    m_exitPoll.stop();
    emit finished(0);
}

void Simulator::onDrained()
{
    if (m_state == State::Finishing)
        finishTransmission();
    else if (m_state == State::Running && m_waitingForDrain)
        produce();
}

void Simulator::scheduleNext()
{
    if (m_options.intervalMs == 0) {
        // Records nobody can receive are not worth a busy loop.
        m_recordTimer.start(m_line.readerPresent() ? std::chrono::milliseconds(0) : kNoReaderRecheck);
        return;
    }
    const qint64 due = m_produced * m_options.intervalMs;
    m_recordTimer.start(static_cast<int>(qMax<qint64>(0, due - m_runClock.elapsed())));
}

void Simulator::onRecordDue()
{
    if (m_state != State::Running)
        return;
    // A slow line delays the next record rather than piling records up.
    if (!m_transmitter.idle()) {
        m_waitingForDrain = true;
        return;
    }
    produce();
}

void Simulator::produce()
{
    m_waitingForDrain = false;
    const QByteArray bytes = m_options.garbage ? m_garbage.burst() : nextRecord();
    ++m_produced;
    const bool last = m_options.records > 0 && m_produced >= m_options.records;
    if (last)
        m_state = State::Finishing;
    m_transmitter.send(bytes);
    if (!last)
        scheduleNext();
    else if (m_transmitter.idle())
        finishTransmission();
}

double Simulator::recordTime() const
{
    if (m_options.intervalMs == 0)
        return static_cast<double>(m_runClock.elapsed()) / kMillisecondsPerSecond;
    return static_cast<double>(m_produced * m_options.intervalMs) / kMillisecondsPerSecond;
}

QByteArray Simulator::nextRecord()
{
    const double time = recordTime();
    double act1 = m_wave1.valueAt(time);
    const double act2 = m_wave2.valueAt(time);
    if (m_options.overflowEvery > 0 && (m_produced + 1) % m_options.overflowEvery == 0)
        act1 = m_generator.fullScale1() * kOverflowFactor;
    return m_generator.record(time, act1, act2);
}

QString Simulator::modeText() const
{
    QString what;
    if (m_options.silent)
        what = QStringLiteral("silent, sending nothing");
    else if (!m_options.replayFile.isEmpty())
        what = QStringLiteral("replaying %1 bytes").arg(m_replay.size());
    else if (m_options.garbage)
        what = QStringLiteral("garbage bursts every %1 ms, seed %2").arg(m_options.intervalMs).arg(m_seed);
    else
        what = QStringLiteral("%1records every %2 ms")
                   .arg(m_options.header ? QStringLiteral("header + ") : QString())
                   .arg(m_options.intervalMs);
    const QString speed = m_options.baud > 0 ? QStringLiteral("%1 baud").arg(m_options.baud)
                                             : QStringLiteral("unpaced");
    return QStringLiteral("%1, %2").arg(what, speed);
}

void Simulator::status(const QString &text) const
{
    if (m_options.quiet)
        return;
    std::fprintf(stderr, "zkd735-sim: %s\n", qPrintable(text));
    std::fflush(stderr);
}

} // namespace zkd::sim
