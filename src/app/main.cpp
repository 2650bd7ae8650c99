#include "app/CheckHooks.h"
#include "app/Form1.h"
#include "app/QtTranslations.h"
#include "app/SingleInstance.h"
#include "app/WidgetPrompts.h"
#include "files/ProgramFolders.h"
#include "util/Clock.h"
#include "util/Texts.h"
#include "util/WindowOptions.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTranslator>

#include <cstdio>

int main(int argc, char *argv[])
{
    // --help and --version are answered first: no display, no window, no
    // single-instance place.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const zkd::WindowOptions options = zkd::parseWindowOptions(arguments);
    if (options.outcome != zkd::WindowOptions::Outcome::Run) {
        std::fputs(options.text.toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(zkd::str(zkd::texts::AppTitle));
    QApplication::setQuitOnLastWindowClosed(false);

    zkd::WidgetPrompts prompts;
    zkd::SystemClock clock;
    zkd::SingleInstance instance;

    // The Windows check under Wine watches and answers the messages through
    // hooks of its own; off unless it sets them.
    zkd::checkhooks::CheckedPrompts checkedPrompts(prompts);

    zkd::Form1::Deps deps;
    deps.prompts = zkd::checkhooks::CheckedPrompts::wanted() ? static_cast<zkd::IPrompts *>(&checkedPrompts) : &prompts;
    deps.clock = &clock;
    deps.instance = &instance;
    deps.executablePath = QCoreApplication::applicationFilePath();
    // The language comes from the settings file, which a second copy never
    // reads: Qt's own texts follow it from there, before any dialog.
    std::unique_ptr<QTranslator> qtTexts;
    deps.languageRead = [&qtTexts](const zkd::Language &language) { qtTexts = zkd::installQtTranslations(language); };

    const QString programDir = QCoreApplication::applicationDirPath();
    bool programWritable = zkd::folderWritable(programDir);
#ifdef Q_OS_WIN
    // The installer leaves its uninstaller beside the program: that copy is
    // an installed one also where the folder lets this user write to it.
    programWritable = programWritable && !QFileInfo::exists(QDir(programDir).filePath(QStringLiteral("uninstall.exe")));
#endif
    const zkd::ProgramFolders folders = zkd::chooseProgramFolders(programDir, programWritable,
                                                                  zkd::userSettingsFolder());

    bool inMeasurementFolder = options.measurementFolder;
#ifdef Q_OS_WIN
    // An installed copy starts in its program folder, which the user may not
    // write to: it always works in Documents\ZKD735.
    inMeasurementFolder = inMeasurementFolder || folders.installed;
#endif
    if (inMeasurementFolder) {
        const zkd::MeasurementFolder folder = zkd::prepareMeasurementFolder(
            zkd::measurementParentFolder(), zkd::str(zkd::texts::MeasurementFolderName));
        QDir::setCurrent(folder.path);
        deps.unusableMeasurementDir = folder.unusableFolder;
    }
    deps.currentDir = QDir::currentPath();

    deps.programDir = folders.settingsDir;
    if (folders.installed) {
        deps.manualDir = folders.manualDir;
        deps.dialogDir = deps.currentDir;
        deps.settingsReadDir = folders.settingsDir;
        deps.settingsFolderUnusable = folders.settingsUnusable;
    }

    zkd::Form1 window(deps);
    prompts.setOwner(&window);
    if (!window.startUp())
        return 0;
    window.show();
    zkd::checkhooks::scheduleHooks(window);
    return app.exec();
}
