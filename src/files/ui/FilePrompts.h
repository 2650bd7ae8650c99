#pragma once

#include "util/Language.h"
#include "util/Prompts.h"

#include <QString>

#include <optional>

namespace zkd {

struct LangText;

// The messages and questions of the file commands (Save, Recover, Open, the
// exports), in the program's texts.

// A fault the program reports in its own words: in English where no language is selected.
QString ownText(const Language &language, const LangText &text);
// The "nothing to export" message: empty without a language.
QString missingDataMessage(const Language &language, const LangText &firstLine);
// A warning with the application title and OK.
PromptMessage warning(const QString &text);
// A question with the application title, Yes and No.
PromptMessage yesNoQuestion(const QString &text);
// The overwrite question for the name the dialog returned and, when the name
// written differs (a name typed without ".csv"), for that one too. False as
// soon as the user answers No.
bool confirmReplace(IPrompts &prompts, const QString &chosen, const QString &before, const QString &after);

// What keeps the kept recording `backup` from being recovered (it has gone,
// or cannot be read); empty when nothing does. The file may have gone or
// changed since the menu was shown.
QString recoverProblem(const Language &language, const QString &backup);
// Stores `backup` under a name the user picks with the Save command's dialog
// (starting in `folder`), overwrite question and name rules, and tells the
// user of a failure. Empty when the dialog was cancelled, else whether the
// recording was recovered.
std::optional<bool> recoverAs(IPrompts &prompts, const Language &language, const QString &backup,
                              const QString &folder);

} // namespace zkd
