#include "files/ShellOpenSplit.h"

namespace zkd {
namespace {

constexpr QChar kQuote{u'"'};
constexpr QChar kBlank{u' '};
constexpr QChar kDriveColon{u':'};

// Positions below are 0-based indexes into the text. The split index is the
// index of the first character that no longer belongs to the program part.

qsizetype stripQuotesAndFindSplit(QString &command)
{
    if (command.startsWith(kQuote)) {
        const qsizetype closing = command.indexOf(kQuote, 1);
        if (closing < 0)
            return -1;
        command.remove(closing, 1);
        command.remove(0, 1);
        return closing - 1;
    }
    return command.indexOf(kBlank);
}

QString folderOf(const QString &command, qsizetype split, const QString &currentFolder, QChar separator)
{
    if (split == 0)
        return currentFolder;
    const qsizetype last = command.lastIndexOf(separator, split - 1);
    if (last < 0)
        return currentFolder;
    const bool isRoot = last == 0 || command.at(last - 1) == kDriveColon;
    return command.left(isRoot ? last + 1 : last);
}

QString withoutLeadingBlanks(const QString &text)
{
    qsizetype first = 0;
    while (first < text.size() && text.at(first) == kBlank)
        ++first;
    return text.mid(first);
}

} // namespace

ShellOpenSplit ShellOpenSplit::split(const QString &commandText, const QString &currentFolder,
                                     const std::optional<QString> &folder, QChar separator)
{
    ShellOpenSplit result;
    result.command = commandText;
    qsizetype splitAt = stripQuotesAndFindSplit(result.command);
    if (splitAt < 0)
        splitAt = result.command.size();

    result.program = result.command.left(splitAt);
    result.parameters = withoutLeadingBlanks(result.command.mid(splitAt));
    result.folder = folder ? *folder : folderOf(result.command, splitAt, currentFolder, separator);
    return result;
}

} // namespace zkd
