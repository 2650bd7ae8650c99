#include "files/ProgramFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <QTemporaryFile>
#endif

namespace zkd {

ProgramFolders chooseProgramFolders(const QString &programDir, bool programWritable, const QString &configDir)
{
#ifdef Q_OS_WIN
    // The installer puts the manual into the program folder; a share/doc
    // folder near a Windows program belongs to something else.
    const bool docFolder = false;
    const QString docDir;
#else
    const QDir program(programDir);
    const QString docDir = QDir::cleanPath(program.filePath(QString::fromUtf16(kInstalledDocFolder)));
    const bool docFolder = QFileInfo(docDir).isDir();
#endif
    ProgramFolders folders;
    folders.installed = !programWritable || docFolder;
    if (!folders.installed) {
        folders.settingsDir = programDir;
        folders.manualDir = programDir;
        return folders;
    }
    folders.manualDir = docFolder ? docDir : programDir;
    folders.settingsDir = configDir;
    folders.settingsUnusable = configDir.isEmpty() || !QDir().mkpath(configDir);
    return folders;
}

bool folderWritable(const QString &folder)
{
#ifdef Q_OS_WIN
    // File attributes say nothing about the folder's access list (Program
    // Files is closed to users by it): only creating a file tells.
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("zkd735-write-check-XXXXXX")));
    return probe.open();
#else
    // Asks the system for this user's rights, so that ownership and groups count.
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable() && info.isExecutable();
#endif
}

QString userSettingsFolder()
{
#ifdef Q_OS_WIN
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
#else
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
#endif
}

QString measurementParentFolder()
{
#ifdef Q_OS_WIN
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
#else
    return QDir::homePath();
#endif
}

MeasurementFolder prepareMeasurementFolder(const QString &home, const QString &name)
{
    const QString folder = QDir(home).filePath(name);
    if (QDir().mkpath(folder) && folderWritable(folder))
        return {folder, QString()};
    return {home, folder};
}

} // namespace zkd
