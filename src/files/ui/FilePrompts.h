#pragma once

#include "files/WorkFile.h"
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
// Tells the user that `path`, a file the program writes, is a symbolic link
// and nothing was written through it; in English where no language is
// selected, since the user must act on it.
PromptMessage refusedLinkWarning(const Language &language, const QString &path);
// What the working file `file` could not do: the link it refused, else `error`.
PromptMessage workFileWarning(const Language &language, const WorkFile &file, const QString &error);
// What a start-up or discard of the working file must tell the user; none
// when the file was opened.
std::optional<PromptMessage> resetProblem(const Language &language, const WorkFile::ResetResult &result);
// The header read found no header: the transmission error, OK only.
PromptMessage transmissionErrorPrompt(const Language &language);
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
// The status bar's note, once after start-up, that the kept recording
// `backup` can be recovered through the menu `menuTitle`; empty when there
// is none.
QString recoverableNote(const Language &language, const QString &backup, const QString &menuTitle);
// Stores `backup` under a name the user picks with the Save command's dialog
// (starting in `folder`), overwrite question and name rules, and tells the
// user of a failure. Empty when the dialog was cancelled, else whether the
// recording was recovered.
std::optional<bool> recoverAs(IPrompts &prompts, const Language &language, const QString &backup,
                              const QString &folder);

} // namespace zkd
