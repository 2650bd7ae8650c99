#pragma once

#include "FixedClock.h"
#include "ScriptedPrompts.h"
#include "TestFiles.h"
#include "app/Form1.h"

#include <QDir>
#include <QTemporaryDir>
#include <memory>

namespace zkd::test {

// A main window in temporary program and current folders, answering its
// questions from a script and reading a fixed clock.
struct FormFixture
{
    QTemporaryDir programDir;
    QTemporaryDir currentDir;
    ScriptedPrompts prompts;
    FixedClock clock;
    // What the window is built with: the prompts, clock and folders above. A
    // test changes what it needs (other folders, the program a restart starts,
    // an instance place) before building the window.
    Form1::Deps deps = defaultDeps();
    QString current; // the current folder the window was built with
    std::unique_ptr<Form1> form;

    Form1::Deps defaultDeps()
    {
        Form1::Deps d;
        d.prompts = &prompts;
        d.clock = &clock;
        d.programDir = programDir.path();
        d.currentDir = currentDir.path();
        return d;
    }

    // scx.ini as the settings dialog writes it.
    static QByteArray settings(const QByteArray &port, const QByteArray &language, const QByteArray &fore = " 10 ",
                               const QByteArray &back = " 0 ")
    {
        return "\r\n" + port + "\r\n" + language + "\r\n" + fore + "\r\n" + back + "\r\n\r\n\r\n0\r\nReady\r\n";
    }

    // scx.ini in the program folder the window is built with.
    bool writeSettings(const QByteArray &content)
    {
        return writeFile(QDir(deps.programDir).filePath(QStringLiteral("scx.ini")), content);
    }

    // Builds the window from `deps` without its start-up; a window built
    // before is gone first.
    Form1 &buildForm()
    {
        form.reset();
        current = deps.currentDir;
        form = std::make_unique<Form1>(deps);
        return *form;
    }

    // Builds the window and runs its start-up, in `currentFolder` when one is given.
    Form1 &startForm(const QString &currentFolder = {})
    {
        if (!currentFolder.isEmpty())
            deps.currentDir = currentFolder;
        buildForm().startUp();
        return *form;
    }

    QByteArray workFile() const { return readFile(QDir(current).filePath(QStringLiteral("Senso.scx"))); }
};

} // namespace zkd::test
