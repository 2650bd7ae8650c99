#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

namespace zkd::sim {

// A file that bytes are appended to as they pass, flushed at once so that a
// test can read it while the simulator runs. Without a path it does nothing.
class ByteLog
{
public:
    std::optional<QString> open(const QString &path);
    void append(const QByteArray &bytes);
    // Takes back the last count bytes appended by this log (never more than it
    // appended itself).
    void retract(qint64 count);

private:
    QFile m_file;
    qint64 m_appended = 0;
};

} // namespace zkd::sim
