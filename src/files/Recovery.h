#pragma once

#include "files/FileOps.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace zkd {

// The recording the start-up kept beside the working file ("Senso.bak"),
// stored again under a name of the user's choice.
namespace recovery {

// The backup of the working file `workFilePath` offered first: several runs
// may wait to be recovered, and the newest comes first ("Senso.bak" when none does).
QString newestBackup(const QString &workFilePath);

// When the backup at `path` was last written, if it is a file with content;
// nothing when it is missing, empty or not a file.
std::optional<QDateTime> recoverableSince(const QString &path);

struct Result
{
    enum class Outcome {
        Recovered,
        // Nothing was written; the backup is as it was.
        CopyFailed,
        // The copy is complete, but the backup is still there.
        RemoveFailed,
    };
    Outcome outcome = Outcome::Recovered;
    QString errorText;
};

// Copies the backup byte for byte to `target` (replacing a file of that name,
// never leaving a half-written one), then deletes the backup.
Result recover(const QString &backupPath, const QString &target);

} // namespace recovery
} // namespace zkd
