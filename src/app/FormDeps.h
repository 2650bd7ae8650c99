#pragma once

#include "util/Language.h"

#include <QString>

#include <functional>

namespace zkd {

class IClock;
class IPrompts;
class SingleInstance;

// What the main window is given from outside (Form1::Deps): the prompts and
// the clock, the folders it works in, and the single-instance channel. Tests
// give every window its own.
struct FormDeps
{
    IPrompts *prompts = nullptr;
    IClock *clock = nullptr;
    QString programDir;                 // scx.ini, sensor.ini, senso.scy and the manual live here
    QString currentDir;                 // the working file and the files of Open/Save/Delete
    SingleInstance *instance = nullptr; // null: no single-instance check (tests)
    QString executablePath;             // what the settings dialog restarts

    // An installed copy keeps its files apart; empty fields keep the
    // places of a portable copy.
    QString manualDir;       // the manual; empty: programDir
    QString dialogDir;       // first folder of the Save, Open and browse dialogs; empty: programDir
    QString settingsReadDir; // scx.ini as the settings dialog, Open and export read it; empty: currentDir
    // Reported once at start-up: programDir, the settings folder, could
    // not be created (the built-in settings are used); the measurement
    // folder that could not be created (currentDir is the fallback).
    bool settingsFolderUnusable = false;
    QString unusableMeasurementDir;
    // Told the language once the settings file has given it, before any
    // message or dialog can appear; the program puts Qt's own texts
    // (standard buttons, file dialogs) in it. Empty: Qt's texts stay.
    std::function<void(const Language &)> languageRead;

    QString manualFolder() const { return manualDir.isEmpty() ? programDir : manualDir; }
    QString dialogFolder() const { return dialogDir.isEmpty() ? programDir : dialogDir; }
    QString settingsReadFolder() const { return settingsReadDir.isEmpty() ? currentDir : settingsReadDir; }
};

} // namespace zkd
