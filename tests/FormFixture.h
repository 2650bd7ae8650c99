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
    QString current; // the current folder the window was started in
    ScriptedPrompts prompts;
    FixedClock clock;
    std::unique_ptr<Form1> form;

    // scx.ini as the settings dialog writes it.
    static QByteArray settings(const QByteArray &port, const QByteArray &language, const QByteArray &fore = " 10 ",
                               const QByteArray &back = " 0 ")
    {
        return "\r\n" + port + "\r\n" + language + "\r\n" + fore + "\r\n" + back + "\r\n\r\n\r\n0\r\nReady\r\n";
    }

    bool writeSettings(const QByteArray &content)
    {
        return writeFile(programDir.filePath(QStringLiteral("scx.ini")), content);
    }

    // Builds the window and runs its start-up; the current folder is currentDir unless given.
    Form1 &startForm(const QString &currentFolder = {})
    {
        current = currentFolder.isEmpty() ? currentDir.path() : currentFolder;
        Form1::Deps deps;
        deps.prompts = &prompts;
        deps.clock = &clock;
        deps.programDir = programDir.path();
        deps.currentDir = current;
        form = std::make_unique<Form1>(deps);
        form->startUp();
        return *form;
    }

    QByteArray workFile() const { return readFile(QDir(current).filePath(QStringLiteral("Senso.scx"))); }
};

} // namespace zkd::test
