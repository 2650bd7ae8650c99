#pragma once

// Helpers shared by the fuzz targets: property checks that stop the run with
// a readable report (libFuzzer then keeps the input as crash-*), and a small
// reader that takes an input apart into option bytes and text fields.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace zkd::fuzz {

// A text with its control and non-ASCII characters spelt out, for reports.
inline QString show(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\r')
            out += QStringLiteral("\\r");
        else if (u == u'\n')
            out += QStringLiteral("\\n");
        else if (u == u'\t')
            out += QStringLiteral("\\t");
        else if (u == u'"' || u == u'\\')
            out += QLatin1Char('\\') + QString(c);
        else if (u < 0x20 || u >= 0x7F)
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

inline QString show(const QByteArray &bytes)
{
    return show(QString::fromLatin1(bytes));
}

inline QString show(const QStringList &list)
{
    QStringList shown;
    for (const QString &item : list)
        shown.append(show(item));
    return QLatin1Char('[') + shown.join(QStringLiteral(", ")) + QLatin1Char(']');
}

[[noreturn]] inline void fail(const char *file, int line, const char *condition, const QString &detail)
{
    std::fprintf(stderr, "\n%s:%d: property does not hold: %s\n%s\n", file, line, condition,
                 detail.toLocal8Bit().constData());
    std::fflush(stderr);
    std::abort();
}

// Reads an input front to back: option bytes first, then fields that end at a
// NUL byte, then the rest. Reading past the end gives zeros and empty fields,
// so every input, also the empty one, is a valid case.
class Input
{
public:
    Input(const std::uint8_t *data, std::size_t size)
        : m_bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size))
    {}

    std::uint8_t byte()
    {
        if (m_pos >= m_bytes.size())
            return 0;
        return static_cast<std::uint8_t>(m_bytes.at(m_pos++));
    }

    std::int16_t int16()
    {
        const unsigned low = byte();
        const unsigned high = byte();
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
    }

    // The bytes up to the next NUL (which is consumed), or the rest.
    QByteArray field()
    {
        qsizetype end = m_bytes.indexOf('\0', m_pos);
        if (end < 0)
            end = m_bytes.size();
        const QByteArray out = m_bytes.mid(m_pos, end - m_pos);
        m_pos = std::min(end + 1, m_bytes.size());
        return out;
    }

    QByteArray rest()
    {
        const QByteArray out = m_bytes.mid(m_pos);
        m_pos = m_bytes.size();
        return out;
    }

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
};

// A small deterministic generator for choices that should not cost input
// bytes, such as where a stream is cut into chunks.
class Lcg
{
public:
    explicit Lcg(std::uint64_t seed) : m_state(seed * 6364136223846793005ULL + 1442695040888963407ULL) {}

    std::uint32_t next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(m_state >> 33);
    }

    std::uint32_t below(std::uint32_t bound) { return bound == 0 ? 0 : next() % bound; }

private:
    std::uint64_t m_state;
};

} // namespace zkd::fuzz

#define ZKD_FUZZ_CHECK(condition, detail)                                                                              \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::zkd::fuzz::fail(__FILE__, __LINE__, #condition, (detail));                                               \
    } while (false)
