#include "files/ProgramFolders.h"

#include <QDir>
#include <QFileInfo>

namespace zkd {

ProgramFolders chooseProgramFolders(const QString &programDir, bool programWritable, const QString &configDir)
{
    const QDir program(programDir);
    const QString docDir = QDir::cleanPath(program.filePath(QString::fromUtf16(kInstalledDocFolder)));
    ProgramFolders folders;
    folders.installed = !programWritable || QFileInfo(docDir).isDir();
    if (!folders.installed) {
        folders.settingsDir = programDir;
        folders.manualDir = programDir;
        return folders;
    }
    folders.manualDir = QFileInfo(docDir).isDir() ? docDir : programDir;
    folders.settingsDir = configDir;
    folders.settingsUnusable = configDir.isEmpty() || !QDir().mkpath(configDir);
    return folders;
}

bool folderWritable(const QString &folder)
{
    // Asks the system for this user's rights, so that ownership and groups count.
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable() && info.isExecutable();
}

MeasurementFolder prepareMeasurementFolder(const QString &home, const QString &name)
{
    const QString folder = QDir(home).filePath(name);
    if (QDir().mkpath(folder) && folderWritable(folder))
        return {folder, QString()};
    return {home, folder};
}

} // namespace zkd
