#pragma once

#include <QString>

namespace zkd {

// Where the program keeps its own files. A portable copy (a program folder the
// user may write to, as after a build) keeps scx.ini, sensor.ini, senso.scy
// and the manual beside the program. An installed copy (a program folder the
// user may not write to, or, except on Windows, one with the installed
// documentation beside it in ../share/doc/zkd735) keeps the first three in the
// user's configuration folder and finds the manual in the installed
// documentation folder; on Windows, where the installer puts the manual into
// the program folder, beside the program.
struct ProgramFolders
{
    bool installed = false;
    QString settingsDir; // scx.ini, sensor.ini and senso.scy
    QString manualDir;   // ZKD735.pdf
    // The configuration folder could not be created: the program runs with
    // the built-in settings.
    bool settingsUnusable = false;
};

// The documentation folder of an installed copy, relative to its program folder.
inline constexpr const char16_t *kInstalledDocFolder = u"../share/doc/zkd735";

// `programWritable` tells whether the user may write into `programDir`; the
// configuration folder `configDir` is created when the copy is installed.
ProgramFolders chooseProgramFolders(const QString &programDir, bool programWritable, const QString &configDir);

// True when the user may create files in `folder`.
bool folderWritable(const QString &folder);

// The configuration folder of an installed copy: ~/.config/ZKD735_DataRecorder;
// on Windows the roaming application data, %APPDATA%\ZKD735_DataRecorder.
// Needs the application name set.
QString userSettingsFolder();

// The folder the measurement folder of a desktop start is made in: the home
// folder; on Windows the user's Documents.
QString measurementParentFolder();

// The measurement folder a desktop start works in: `name` inside `home`,
// created when missing. When it cannot be created, `home` is used and
// `unusableFolder` names the folder that failed.
struct MeasurementFolder
{
    QString path;
    QString unusableFolder;
};
MeasurementFolder prepareMeasurementFolder(const QString &home, const QString &name);

} // namespace zkd
