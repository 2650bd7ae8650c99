#pragma once

#include "files/FolderSeparator.h"

#include <QString>
#include <optional>

namespace zkd {

// How the shell-open routine takes a command text apart before it asks the
// shell to open it: the program part, its parameters, the folder to start in,
// and the command text as the fallback start uses it (without the quotes
// around a quoted program part).
struct ShellOpenSplit
{
    QString command;
    QString program;
    QString parameters;
    QString folder;

    // A command text beginning with a double quote is split behind the matching
    // quote, and both quotes are dropped from `command`; without a matching
    // quote the whole text is the program. An unquoted text is split at its
    // first blank. Leading blanks of the parameters are dropped.
    // The folder is `folder` when given. Otherwise it is taken from the program
    // part up to its last separator: the separator is kept for a root ("C:\",
    // or a separator at the very start) and dropped otherwise; a program part
    // without a separator starts in `currentFolder`.
    static ShellOpenSplit split(const QString &commandText, const QString &currentFolder,
                                const std::optional<QString> &folder = std::nullopt,
                                QChar separator = kFolderSeparator);
};

} // namespace zkd
