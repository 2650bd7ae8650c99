#pragma once

#include <QList>
#include <QPointF>

#include <cstdint>
#include <vector>

namespace zkd {

// The newest samples of one chart trace. The storage is taken once, at
// construction; when it is full, each new sample overwrites the oldest one.
// Samples are numbered from 1 in the order they were added; with the graph
// window's one-second refresh that number is the second the sample was taken.
class StripBuffer
{
public:
    explicit StripBuffer(qsizetype capacity);

    void clear();
    void add(std::int32_t value);

    qsizetype capacity() const { return static_cast<qsizetype>(m_values.size()); }
    qsizetype size() const { return m_size; }
    // Samples added since the last clear(), the overwritten ones included.
    qint64 added() const { return m_added; }

    // The kept samples, oldest first, as (sample number, value). The previous
    // content of `points` is dropped; its capacity is reused where it can be.
    void toPoints(QList<QPointF> &points) const;
    // As above, only the kept samples numbered `from` to `to`, both included.
    void toPoints(QList<QPointF> &points, qint64 from, qint64 to) const;
    // Number of the oldest kept sample; added() + 1 while none is kept.
    qint64 firstKept() const { return m_added - m_size + 1; }

private:
    std::vector<std::int32_t> m_values;
    qsizetype m_next = 0; // slot the next sample is written to
    qsizetype m_size = 0;
    qint64 m_added = 0;
};

} // namespace zkd
