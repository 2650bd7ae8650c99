#include "app/Form1.h"
#include "app/SingleInstance.h"
#include "app/WidgetPrompts.h"
#include "util/Clock.h"
#include "util/Texts.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(zkd::str(zkd::texts::AppTitle));
    QApplication::setQuitOnLastWindowClosed(false);

    zkd::WidgetPrompts prompts;
    zkd::SystemClock clock;
    zkd::SingleInstance instance;

    zkd::Form1::Deps deps;
    deps.prompts = &prompts;
    deps.clock = &clock;
    deps.programDir = QCoreApplication::applicationDirPath();
    deps.currentDir = QDir::currentPath();
    deps.instance = &instance;
    deps.executablePath = QCoreApplication::applicationFilePath();

    zkd::Form1 window(deps);
    prompts.setOwner(&window);
    if (!window.startUp())
        return 0;
    window.show();
    return app.exec();
}
