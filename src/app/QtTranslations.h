#pragma once

#include <QStringList>
#include <memory>

class QTranslator;

namespace zkd {

class Language;

// Where Qt's own translations are looked for: a "translations" folder beside
// the program (a copy for Windows carries them there), then Qt's own folder.
QStringList qtTranslationFolders();

// Installs Qt's own texts (the standard buttons of message boxes, the labels
// of file dialogs) in the program's language: German for "Deutsch", French
// for "Francais"; any other language keeps Qt's English. The translation stays
// installed as long as the returned object lives; null when there is nothing
// to install or no folder holds the file.
std::unique_ptr<QTranslator> installQtTranslations(const Language &language,
                                                   const QStringList &folders = qtTranslationFolders());

} // namespace zkd
