#include "Transmitter.h"

#include "Line.h"

#include <cmath>

namespace zkd::sim {

namespace {
constexpr double kMillisecondsPerSecond = 1000.0;
}

Transmitter::Transmitter(Line &line, int baud, std::chrono::milliseconds slice, QObject *parent)
    : QObject(parent), m_line(line), m_bytesPerSecond(static_cast<double>(baud) / kBitsPerByte), m_slicePeriod(slice)
{
    m_slice.setTimerType(Qt::PreciseTimer);
    connect(&m_slice, &QTimer::timeout, this, &Transmitter::pump);
    connect(&m_line, &Line::writable, this, &Transmitter::onWritable);
    connect(&m_line, &Line::readerGone, this, &Transmitter::onReaderGone);
}

bool Transmitter::paced() const
{
    return m_bytesPerSecond > 0.0;
}

bool Transmitter::idle() const
{
    return m_pending.isEmpty();
}

void Transmitter::send(const QByteArray &bytes)
{
    if (bytes.isEmpty() || !m_line.readerPresent())
        return;
    m_pending.append(bytes);
    if (!m_blocked && !m_slice.isActive())
        startSlices();
}

void Transmitter::discardPending()
{
    m_pending.clear();
    m_slice.stop();
    m_blocked = false;
}

void Transmitter::startSlices()
{
    m_budget = 0.0;
    m_clock.start();
    m_slice.start(paced() ? m_slicePeriod : std::chrono::milliseconds(0));
}

void Transmitter::pump()
{
    if (m_pending.isEmpty()) {
        m_slice.stop();
        return;
    }
    qint64 allowance = m_pending.size();
    if (paced()) {
        const double elapsed = static_cast<double>(m_clock.restart()) / kMillisecondsPerSecond;
        const double ceiling = qMax(1.0, m_bytesPerSecond * kMaxCatchUpSeconds);
        m_budget = qMin(ceiling, m_budget + m_bytesPerSecond * elapsed);
        allowance = qMin(allowance, static_cast<qint64>(std::floor(m_budget)));
        if (allowance == 0)
            return;
    }
    const qint64 written = m_line.writeSome(m_pending.constData(), allowance);
    if (!m_line.readerPresent())
        return; // onReaderGone() has dropped everything
    m_pending.remove(0, static_cast<int>(written));
    m_budget -= static_cast<double>(written);
    if (m_pending.isEmpty()) {
        m_slice.stop();
        emit drained();
        return;
    }
    if (written < allowance) {
        m_slice.stop();
        m_blocked = true;
    }
}

void Transmitter::onWritable()
{
    if (!m_blocked)
        return;
    m_blocked = false;
    if (!m_pending.isEmpty())
        startSlices();
}

void Transmitter::onReaderGone()
{
    const bool hadPending = !m_pending.isEmpty();
    discardPending();
    if (hadPending)
        emit drained();
}

} // namespace zkd::sim
