#pragma once

#include "util/Language.h"

#include <QColor>
#include <QString>

#include <optional>

namespace zkd {

class MSComm1;

// What the start-up takes from scx.ini besides the serial link's settings.
struct StartupSettings
{
    Language language;                // line 3; the language before when the line was not read
    std::optional<QColor> foreColour; // line 4, for the table and the notes
    std::optional<QColor> backColour; // line 5
    QString error;                    // every problem found, as one message; empty when none
};

// Reads scx.ini at `path` and applies its fields as they come: the line
// settings (line 6 followed by ",n,8,1") and the port (line 2) go to `comm`;
// a port the link refuses leaves the built-in one. The problems are named in
// the language the file gives (else `language`).
StartupSettings applyScxIni(const QString &path, MSComm1 &comm, const Language &language);

// The folders the start-up could not create, told in `language` (English
// where none is selected): the settings folder `programDir`, whose built-in
// values are then used; the measurement folder `unusableDir`, for which
// `currentDir` stands in.
QString settingsFolderProblem(const Language &language, const QString &programDir);
QString measurementFolderProblem(const Language &language, const QString &unusableDir, const QString &currentDir);

} // namespace zkd
