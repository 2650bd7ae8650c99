#pragma once

#include <QString>
#include <QUrl>
#include <QtGlobal>
#include <functional>
#include <optional>

namespace zkd {

// Results of ShellOpen on the shell's own scale: below kShellOpenFailedBelow
// the command could not be opened.
inline constexpr qint32 kShellOpenFailedBelow = 32;
inline constexpr qint32 kShellOpenStarted = 33;
inline constexpr qint32 kShellOpenFileNotFound = 2;
inline constexpr qint32 kShellOpenNoAssociation = 31;

// Opens a document or starts a program named by a command text, without
// waiting. The text is taken apart by ShellOpenSplit (a quoted program part
// loses its quotes in `command`); a bare name is looked up in the start
// folder, which is `folder` when given, else the program part's own folder,
// else the current folder. An existing document that is not a program goes
// to the desktop's default application for its type; a program is started
// detached with the parameters as its arguments. When neither works, the
// whole command line is started as a plain command. Returns
// kShellOpenStarted when something was opened or started, otherwise the
// failure of the first attempt (kShellOpenFileNotFound,
// kShellOpenNoAssociation). `show` is the window-show value the callers pass;
// the desktop decides how the window comes up.
// On Windows the shell itself opens the program part (ShellExecuteW, the
// default verb, `show` as given), and the fallback starts the command line
// with `show` as its window state; the result is then the shell's own answer.
qint32 ShellOpen(QString &command, qint32 &show, const std::optional<QString> &folder = std::nullopt);

// Hands the file to the desktop's default application for its type without
// waiting; false when the desktop has none or refuses.
bool openWithDesktop(const QString &path);

// Replaces the desktop hand-over used by openWithDesktop and ShellOpen, so
// that tests can watch it instead of starting real applications. An empty
// function restores the desktop.
using DesktopOpener = std::function<bool(const QUrl &)>;
void setDesktopOpener(DesktopOpener opener);

} // namespace zkd
