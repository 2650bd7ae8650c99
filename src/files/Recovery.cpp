#include "files/Recovery.h"

#include "files/WorkFile.h"

#include <QFileInfo>

namespace zkd::recovery {

QString newestBackup(const QString &workFilePath)
{
    const QStringList backups = WorkFile::backupsFor(workFilePath);
    return backups.isEmpty() ? WorkFile::backupPathFor(workFilePath) : backups.first();
}

std::optional<QDateTime> recoverableSince(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() <= 0)
        return std::nullopt;
    return info.lastModified();
}

Result recover(const QString &backupPath, const QString &target)
{
    const FileOpResult copied = copyReplacing(backupPath, target);
    if (!copied.ok)
        return {Result::Outcome::CopyFailed, copied.error};
    const FileOpResult removed = removeFile(backupPath);
    if (!removed.ok)
        return {Result::Outcome::RemoveFailed, removed.error};
    return {};
}

} // namespace zkd::recovery
