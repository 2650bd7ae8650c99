#pragma once

#include "util/Prompts.h"

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
// and in the Windows build only:
//   ZKD735_CHECK_SAVE_AS  the next Save dialog answers with this path
//   ZKD735_CHECK_OPEN     the next Open dialog answers with this path
//   ZKD735_CHECK_COMMANDS after start-up, the handlers of these menu items
//                         (comma-separated: Help, SScommand4, SScommand3,
//                         cmdstart, SSCommand6) run one after the other, each
//                         noted before it runs and when it returns; an export's
//                         handler returns when the program it started has ended
namespace checkhooks {

// The prompts to use: `real` itself when no hook is set.
class CheckedPrompts final : public IPrompts
{
public:
    explicit CheckedPrompts(IPrompts &real);
    static bool wanted();

    PromptButton ask(const PromptMessage &message) override;
    std::optional<QString> saveFile(const FileDialogRequest &request) override;
    std::optional<QString> openFile(const FileDialogRequest &request) override;
    void about(const QString &application, const QString &text) override { m_real.about(application, text); }
    void beep() override { m_real.beep(); }

private:
    IPrompts &m_real;
    QQueue<PromptButton> m_answers;
#ifdef Q_OS_WIN
    QString m_saveAs;
    QString m_open;
#endif
};

// Appends `line` to the message log as a line of its own ("check", tab,
// the line) when the log hook is set: what a Windows-only step did.
void note(const QString &line);

// Runs the settings hook and the commands hook on `window` once the event
// loop runs.
void scheduleHooks(Form1 &window);

} // namespace checkhooks
} // namespace zkd
