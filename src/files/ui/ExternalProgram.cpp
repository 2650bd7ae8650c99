#include "files/ui/ExternalProgram.h"

#include "files/clsProcess.h"
#include "files/ui/FilePrompts.h"
#include "files/ui/Module1.h"
#include "util/Texts.h"

#include <QCoreApplication>
#include <QDir>

namespace zkd {
namespace {

// Window-show value for the manual: shown, not activated.
constexpr qint32 kShowNoActivate = 4;

} // namespace

QString runAndWait(const QString &program, const QString &argument, const Language &language,
                   const std::function<bool()> &programEnding)
{
#ifdef Q_OS_WIN
    // Windows has "WRITE" and "Notepad"; a spreadsheet path that names no
    // program is reported by the start below.
    constexpr bool desktopStandsIn = false;
#else
    constexpr bool desktopStandsIn = true;
#endif
    if (desktopStandsIn && !clsProcess::programExists(program)) {
        if (!openWithDesktop(argument))
            return ownText(language, texts::FileOpenFailed).arg(QDir::toNativeSeparators(argument), program);
        return {};
    }
    clsProcess process;
    process.ProgramName(program);
    process.Arguments(argument);
    process.Exec();
    QString failure;
    if (process.startFailed())
        failure = ownText(language, texts::ProgramStartFailed).arg(program, process.errorText());
    // The end of the program also ends the wait, so that Exit is not held up
    // by a program that is still open.
    while (!programEnding() && !process.IsTerminated())
        QCoreApplication::processEvents();
    if (programEnding())
        process.Detach();
    return failure;
}

QString openManual(const QString &folder, const Language &language)
{
    // Quoted, so that a folder with blanks still names one document.
    const QString manual = QDir::toNativeSeparators(QDir(folder).filePath(str(texts::ManualName)));
    QString command = QLatin1Char('"') + manual + QLatin1Char('"');
    qint32 show = kShowNoActivate;
    if (ShellOpen(command, show) < kShellOpenFailedBelow)
        return ownText(language, texts::ManualOpenFailed).arg(manual);
    return {};
}

} // namespace zkd
