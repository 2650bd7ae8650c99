#pragma once

#include "util/Prompts.h"

#include <QFile>
#include <QQueue>

namespace zkd {

class Form1;

// What the Windows check under Wine uses to watch and drive the window, where
// no test can reach into the process. Each hook is off unless its
// environment variable is set, and the installed program never sets one:
//   ZKD735_CHECK_LOG      every message shown is appended to this file
//                         (UTF-8, one line: title, tab, text with line breaks as "|"),
//                         and what the Windows-only window steps did (note())
//   ZKD735_CHECK_ANSWERS  comma-separated answers (Ok, Cancel, Yes, No, Retry,
//                         Abort, Ignore, TryAgain, Continue) given in place of
//                         the user, one a message, until they run out
//   ZKD735_CHECK_SETTINGS after start-up, the settings dialog opens, its path
//                         field receives this text and its Save is pressed
namespace checkhooks {

// The prompts to use: `real` itself when no hook is set.
class CheckedPrompts final : public IPrompts
{
public:
    explicit CheckedPrompts(IPrompts &real);
    static bool wanted();

    PromptButton ask(const PromptMessage &message) override;
    std::optional<QString> saveFile(const FileDialogRequest &request) override { return m_real.saveFile(request); }
    std::optional<QString> openFile(const FileDialogRequest &request) override { return m_real.openFile(request); }
    void about(const QString &application, const QString &text) override { m_real.about(application, text); }
    void beep() override { m_real.beep(); }

private:
    IPrompts &m_real;
    QFile m_log;
    QQueue<PromptButton> m_answers;
};

// Appends `line` to the message log as a line of its own ("check", tab,
// the line) when the log hook is set: what a Windows-only step did.
void note(const QString &line);

// Runs the settings hook on `window` once the event loop runs.
void scheduleSettingsHook(Form1 &window);

} // namespace checkhooks
} // namespace zkd
