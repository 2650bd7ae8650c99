#pragma once

#include <QString>

namespace zkd {

// Outcome of a file operation: ok, or the reason it failed in words fit for
// the user.
struct FileOpResult
{
    bool ok = true;
    QString error;
};

// Whether a file (not a folder) of exactly this name exists.
bool fileExists(const QString &path);

// Copies `source` to `target`, replacing a file of that name. The copy is
// written beside the target first and put in its place only when complete, so
// a failed copy leaves an existing target as it was.
FileOpResult copyReplacing(const QString &source, const QString &target);

// Deletes the file; a file that does not exist counts as deleted.
FileOpResult removeFile(const QString &path);

} // namespace zkd
