#pragma once

#include <QString>
#include <QStringList>

namespace zkd {

// The window program's own command line. It is read before anything else
// runs, so that --help and --version need neither a display nor the
// single-instance place. Arguments it does not know are left to Qt.
struct WindowOptions
{
    enum class Outcome { Run, Help, Version };
    Outcome outcome = Outcome::Run;
    // Work in the user's measurement folder instead of the current folder.
    bool measurementFolder = false;
    // What --help or --version prints.
    QString text;
};

WindowOptions parseWindowOptions(const QStringList &arguments);

} // namespace zkd
