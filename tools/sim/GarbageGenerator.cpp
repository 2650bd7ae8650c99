#include "GarbageGenerator.h"

namespace zkd::sim {

namespace {

enum class Piece { Nul, Cr, Lf, Backspace, Tab, Semicolon, Blank, Digit, Point, Letter, High, Overflow, Count };

constexpr char kNul = '\0';
constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kBackspace = '\b';
constexpr char kTab = '\t';
constexpr int kLetterCount = 26;
constexpr int kHighFirst = 0x80;
constexpr int kHighEnd = 0x100;
constexpr char kOverflow[] = "*Ovl*";

} // namespace

GarbageGenerator::GarbageGenerator(quint32 seed) : m_random(seed) {}

QByteArray GarbageGenerator::burst()
{
    const int target = m_random.bounded(1, kMaxBurst + 1);
    QByteArray out;
    while (out.size() < target)
        appendPiece(out);
    out.truncate(target);
    return out;
}

void GarbageGenerator::appendPiece(QByteArray &out)
{
    switch (static_cast<Piece>(m_random.bounded(static_cast<int>(Piece::Count)))) {
    case Piece::Nul: out.append(kNul); break;
    case Piece::Cr: out.append(kCr); break;
    case Piece::Lf: out.append(kLf); break;
    case Piece::Backspace: out.append(kBackspace); break;
    case Piece::Tab: out.append(kTab); break;
    case Piece::Semicolon: out.append(';'); break;
    case Piece::Blank: out.append(' '); break;
    case Piece::Digit: out.append(static_cast<char>('0' + m_random.bounded(10))); break;
    case Piece::Point: out.append('.'); break;
    case Piece::Letter: out.append(static_cast<char>('A' + m_random.bounded(kLetterCount))); break;
    case Piece::High: out.append(static_cast<char>(m_random.bounded(kHighFirst, kHighEnd))); break;
    case Piece::Overflow:
    case Piece::Count: out.append(kOverflow); break;
    }
}

} // namespace zkd::sim
