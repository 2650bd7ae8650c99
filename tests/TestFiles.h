#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace zkd::test {

// Replaces the file's content; false when it cannot be opened or fully written.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The whole file; "<unreadable>" when it cannot be opened, so that a missing
// file never passes for an empty one.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace zkd::test
