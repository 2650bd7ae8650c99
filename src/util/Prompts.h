#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace zkd {

// What a message box shows and offers. Buttons are listed in the order the
// user sees them; the answer is one of them.
enum class PromptIcon { None, Information, Question, Warning, Critical };
enum class PromptButton { Ok, Cancel, Yes, No, Retry, Abort, Ignore, TryAgain, Continue };

struct PromptMessage
{
    QString text;
    QString title;
    PromptIcon icon = PromptIcon::None;
    QList<PromptButton> buttons{PromptButton::Ok};
};

struct FileDialogRequest
{
    QString title;
    QString folder;
    QString filter; // description|pattern pairs separated by "|", as the program describes them
    QString fileName;
};

// Message boxes, file dialogs and the beep: the program's only ways of asking
// the user. Production shows real dialogs; tests answer from a script.
class IPrompts
{
public:
    virtual ~IPrompts() = default;
    virtual PromptButton ask(const PromptMessage &message) = 0;
    // The chosen full path, or nothing when the user cancelled.
    virtual std::optional<QString> saveFile(const FileDialogRequest &request) = 0;
    virtual std::optional<QString> openFile(const FileDialogRequest &request) = 0;
    virtual void about(const QString &application, const QString &text) = 0;
    virtual void beep() = 0;
};

// "Filetyp Excel(*.csv)|*.csv|All Files (*.*)|*.*" in the form Qt's file
// dialogs take: "Filetyp Excel(*.csv) (*.csv);;All Files (*.*) (*)". The
// pattern "*.*" means every file, also one without a dot in its name.
QString toQtFilter(const QString &pairs);

} // namespace zkd
