#include "files/Recovery.h"

#include <QFileInfo>

namespace zkd::recovery {

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
