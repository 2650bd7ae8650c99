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
    toPoints(points, firstKept(), m_added);
}

void StripBuffer::toPoints(QList<QPointF> &points, qint64 from, qint64 to) const
{
    points.clear();
    const qint64 first = std::max(from, firstKept());
    const qint64 last = std::min(to, m_added);
    if (first > last)
        return;
    points.reserve(static_cast<qsizetype>(last - first + 1));
    // When the buffer is not yet full the oldest sample sits in slot 0;
    // afterwards it sits where the next one will be written.
    const qsizetype oldest = m_size < capacity() ? 0 : m_next;
    for (qint64 number = first; number <= last; ++number) {
        const auto slot = static_cast<std::size_t>((oldest + (number - firstKept())) % capacity());
        points.append(QPointF(static_cast<double>(number), m_values[slot]));
    }
}

} // namespace zkd
