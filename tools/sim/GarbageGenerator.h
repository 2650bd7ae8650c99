#pragma once

#include <QByteArray>
#include <QRandomGenerator>

namespace zkd::sim {

// Bursts of random bytes for fault tests of the receiving side: printable
// text and digits mixed with NULs, lone CRs, line feeds, backspaces, tabs,
// semicolons, bytes above 127 and the overflow mark. Reproducible for a seed.
class GarbageGenerator
{
public:
    static constexpr int kMaxBurst = 64;

    explicit GarbageGenerator(quint32 seed);

    // 1 to kMaxBurst bytes.
    QByteArray burst();

private:
    void appendPiece(QByteArray &out);

    QRandomGenerator m_random;
};

} // namespace zkd::sim
