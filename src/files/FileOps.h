#pragma once

#include <QIODevice>
#include <QString>

class QFile;

namespace zkd {

// Outcome of a file operation: ok, or the reason it failed in words fit for
// the user.
struct FileOpResult
{
    bool ok = true;
    QString error;
    // The path is a symbolic link, which the operation refused to follow.
    bool refusedLink = false;
};

// Whether a file (not a folder) of exactly this name exists.
bool fileExists(const QString &path);

// Copies `source` to `target`, replacing a file of that name. The copy is
// written beside the target first and put in its place only when complete, so
// a failed copy leaves an existing target as it was. A target that is a
// symbolic link is refused, not written through.
FileOpResult copyReplacing(const QString &source, const QString &target);

// Deletes the file; a file that does not exist counts as deleted.
FileOpResult removeFile(const QString &path);

// Whether the entry itself is a symbolic link (a link to nowhere included).
bool isSymbolicLink(const QString &path);

// Opens `file` on `path` without following a symbolic link there. `mode` is
// ReadOnly or WriteOnly | Append (creating the file), with Unbuffered if
// wanted. A link at `path` gives refusedLink.
FileOpResult openWithoutFollowing(QFile &file, const QString &path, QIODevice::OpenMode mode);

// Creates the file with these bytes; fails when anything, a link included,
// already has that name.
FileOpResult writeNewFile(const QString &path, const QByteArray &bytes);

} // namespace zkd
