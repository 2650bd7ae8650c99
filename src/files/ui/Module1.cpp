#include "files/ui/Module1.h"

#include "files/ShellOpenSplit.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include "app/CheckHooks.h"

#include <qt_windows.h>
#include <shellapi.h>
#endif

namespace zkd {
namespace {

constexpr QChar kBlank{u' '};

DesktopOpener &desktopOpener()
{
    static DesktopOpener opener;
    return opener;
}

bool hasFolder(const QString &name)
{
    return name.contains(u'/') || name.contains(QDir::separator());
}

// The program file `name` stands for: a file in `folder` (or at the path
// itself) that can be run, or a bare name found on the search path.
QString resolveProgram(const QString &name, const QString &folder)
{
    if (name.isEmpty())
        return QString();
    const QFileInfo local(QDir(folder).filePath(name));
    if (local.isFile() && local.isExecutable())
        return local.absoluteFilePath();
    return hasFolder(name) ? QString() : QStandardPaths::findExecutable(name);
}

qint32 openOrStart(const ShellOpenSplit &parts)
{
    const QFileInfo document(QDir(parts.folder).filePath(parts.program));
    if (document.isFile() && !document.isExecutable())
        return openWithDesktop(document.absoluteFilePath()) ? kShellOpenStarted : kShellOpenNoAssociation;
    const QString program = resolveProgram(parts.program, parts.folder);
    if (program.isEmpty())
        return kShellOpenFileNotFound;
    return QProcess::startDetached(program, QProcess::splitCommand(parts.parameters), parts.folder)
        ? kShellOpenStarted
        : kShellOpenFileNotFound;
}

bool startCommandLine(const QString &command)
{
    const QStringList words = QProcess::splitCommand(command);
    // As the platform's plain start does, an unquoted program path with
    // blanks is found by trying ever longer runs of leading words.
    for (qsizetype count = 1; count <= words.size(); ++count) {
        const QString program = resolveProgram(words.mid(0, count).join(kBlank), QDir::currentPath());
        if (!program.isEmpty())
            return QProcess::startDetached(program, words.mid(count), QDir::currentPath());
    }
    return false;
}

#ifdef Q_OS_WIN
std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

// The platform's plain program start: the command line as it stands, the
// show value as the window's show state.
bool startCommandLineNative(const QString &command, qint32 show)
{
    std::wstring line = wide(command);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

// The shell opens the program part with the default verb, whether it is a
// document or a program; its answer is on the scale of kShellOpenFailedBelow.
qint32 shellExecute(const ShellOpenSplit &parts, qint32 show)
{
    const std::wstring program = wide(QDir::toNativeSeparators(parts.program));
    const std::wstring parameters = wide(parts.parameters);
    const std::wstring folder = wide(QDir::toNativeSeparators(parts.folder));
    const HINSTANCE result = ::ShellExecuteW(nullptr, nullptr, program.c_str(),
                                             parameters.empty() ? nullptr : parameters.c_str(),
                                             folder.empty() ? nullptr : folder.c_str(), show);
    const auto answer = static_cast<qint32>(reinterpret_cast<INT_PTR>(result));
    checkhooks::note(QStringLiteral("shell open %1: %2").arg(QString::fromStdWString(program)).arg(answer));
    return answer;
}
#endif

} // namespace

qint32 ShellOpen(QString &command, qint32 &show, const std::optional<QString> &folder)
{
    const ShellOpenSplit parts = ShellOpenSplit::split(command, QDir::currentPath(), folder);
    command = parts.command;
#ifdef Q_OS_WIN
    // The shell itself, with the show value, unless a test watches the
    // hand-over.
    if (!desktopOpener()) {
        const qint32 shellResult = shellExecute(parts, show);
        if (shellResult >= kShellOpenFailedBelow)
            return shellResult;
        return startCommandLineNative(command, show) ? kShellOpenStarted : shellResult;
    }
#endif
    // The desktop places the window; there is no portable way to ask for
    // "shown but not activated".
    Q_UNUSED(show);
    const qint32 result = openOrStart(parts);
    if (result >= kShellOpenFailedBelow)
        return result;
    return startCommandLine(command) ? kShellOpenStarted : result;
}

bool openWithDesktop(const QString &path)
{
    const QUrl url = QUrl::fromLocalFile(path);
    if (const DesktopOpener &opener = desktopOpener())
        return opener(url);
    return QDesktopServices::openUrl(url);
}

void setDesktopOpener(DesktopOpener opener)
{
    desktopOpener() = std::move(opener);
}

} // namespace zkd
