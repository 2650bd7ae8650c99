#include "graph/StripBuffer.h"

#include <algorithm>

namespace zkd {

StripBuffer::StripBuffer(qsizetype capacity) : m_values(static_cast<std::size_t>(std::max<qsizetype>(capacity, 1))) {}

void StripBuffer::clear()
{
    m_next = 0;
    m_size = 0;
    m_added = 0;
}

void StripBuffer::add(std::int32_t value)
{
    m_values[static_cast<std::size_t>(m_next)] = value;
    m_next = (m_next + 1) % capacity();
    m_size = std::min(m_size + 1, capacity());
    ++m_added;
}

void StripBuffer::toPoints(QList<QPointF> &points) const
{
    points.clear();
    points.reserve(m_size);
    // When the buffer is not yet full the oldest sample sits in slot 0;
    // afterwards it sits where the next one will be written.
    const qsizetype oldest = m_size < capacity() ? 0 : m_next;
    const qint64 firstNumber = m_added - m_size + 1;
    for (qsizetype i = 0; i < m_size; ++i) {
        const auto slot = static_cast<std::size_t>((oldest + i) % capacity());
        points.append(QPointF(static_cast<double>(firstNumber + i), m_values[slot]));
    }
}

} // namespace zkd
