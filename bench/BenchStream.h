#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>
#include <cmath>
#include <cstring>

#include <sys/resource.h>

// Helpers the benchmark programs share.
namespace zkd::bench {

// User plus system CPU time of this process so far, in seconds.
inline double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A size line of /proc/self/status in KiB ("VmRSS:" the resident set,
// "RssAnon:" its anonymous part: heap and stacks, without the pages of
// program and library files); -1 when unknown.
inline qint64 statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Widths of the fields of a record line, time first, right-aligned as the
// instrument aligns them under the table heading.
constexpr std::array<int, 7> kFieldWidths{9, 13, 13, 12, 13, 13, 11};

// Header lines and record lines laid out as the instrument sends them, with
// an overflow on input 2 every 50th record.
inline QByteArray instrumentText(qsizetype size)
{
    QByteArray text("INP1 = bar\r\nSR1 =  5\r\nINP2 = degrC\r\nSR2 =  0\r\nPri = 1\r\n");
    text.reserve(size + 128);
    for (int n = 0; text.size() < size; ++n) {
        const double t = n * 0.1;
        const double act1 = 200.0 + 180.0 * std::sin(t / 9.5);
        const double act2 = 50.0 + 45.0 * std::cos(t / 9.5);
        const std::array<QByteArray, 7> fields{QByteArray::number(t, 'f', 1),
                                               QByteArray::number(act1, 'f', 1),
                                               QByteArray::number(380.0, 'f', 1),
                                               QByteArray::number(20.0, 'f', 1),
                                               n % 50 == 0 ? QByteArray("*Ovl*") : QByteArray::number(act2, 'f', 2),
                                               QByteArray::number(95.0, 'f', 2),
                                               QByteArray::number(5.0, 'f', 2)};
        for (std::size_t i = 0; i < fields.size(); ++i)
            text += fields[i].rightJustified(kFieldWidths[i], ' ');
        text += "\r\n";
    }
    return text;
}

} // namespace zkd::bench
