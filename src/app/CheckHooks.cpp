#include "app/CheckHooks.h"

#include "app/Form1.h"
#include "app/PictureButton.h"

#include <QFile>
#include <QLineEdit>
#include <QTimer>

#ifdef Q_OS_WIN
#include <QElapsedTimer>

#include <utility>
#endif

namespace zkd::checkhooks {
namespace {

constexpr const char *kLogVariable = "ZKD735_CHECK_LOG";
constexpr const char *kAnswersVariable = "ZKD735_CHECK_ANSWERS";
constexpr const char *kSettingsVariable = "ZKD735_CHECK_SETTINGS";
#ifdef Q_OS_WIN
constexpr const char *kSaveAsVariable = "ZKD735_CHECK_SAVE_AS";
constexpr const char *kOpenVariable = "ZKD735_CHECK_OPEN";
constexpr const char *kCommandsVariable = "ZKD735_CHECK_COMMANDS";
#endif

// Each line goes through a file opened for it: on Windows a file kept open
// for appending writes where the end was when it was opened, over the lines
// the other hooks have appended since.
void appendToLog(const QString &line)
{
    const QString log = qEnvironmentVariable(kLogVariable);
    if (log.isEmpty())
        return;
    QFile file(log);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write((line + QLatin1Char('\n')).toUtf8());
}

std::optional<PromptButton> buttonNamed(QStringView name)
{
    static const std::pair<const char *, PromptButton> kNames[] = {
        {"Ok", PromptButton::Ok},         {"Cancel", PromptButton::Cancel},     {"Yes", PromptButton::Yes},
        {"No", PromptButton::No},         {"Retry", PromptButton::Retry},       {"Abort", PromptButton::Abort},
        {"Ignore", PromptButton::Ignore}, {"TryAgain", PromptButton::TryAgain}, {"Continue", PromptButton::Continue}};
    for (const auto &[text, button] : kNames) {
        if (name == QLatin1String(text))
            return button;
    }
    return std::nullopt;
}

#ifdef Q_OS_WIN
using Handler = void (Form1::*)();

std::optional<Handler> handlerNamed(QStringView name)
{
    static const std::pair<const char *, Handler> kHandlers[] = {{"Help", &Form1::Help_Click},
                                                                 {"SScommand4", &Form1::SScommand4_Click},
                                                                 {"SScommand3", &Form1::SScommand3_Click},
                                                                 {"cmdstart", &Form1::cmdstart_Click},
                                                                 {"SSCommand6", &Form1::SSCommand6_Click}};
    for (const auto &[text, handler] : kHandlers) {
        if (name == QLatin1String(text))
            return handler;
    }
    return std::nullopt;
}

// The answer a dialog hook gives once: the variable's text, noted, and gone.
std::optional<QString> takeAnswer(QString &answer, const char *what)
{
    if (answer.isEmpty())
        return std::nullopt;
    const QString path = std::exchange(answer, QString());
    note(QStringLiteral("%1 dialog: %2").arg(QLatin1String(what), path));
    return path;
}

void scheduleCommandsHook(Form1 &window)
{
    const QStringList names = qEnvironmentVariable(kCommandsVariable).split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (names.isEmpty())
        return;
    qunsetenv(kCommandsVariable);
    QTimer::singleShot(0, &window, [&window, names] {
        for (const QString &name : names) {
            const auto handler = handlerNamed(name.trimmed());
            if (!handler) {
                note(QStringLiteral("command %1 unknown").arg(name));
                continue;
            }
            note(QStringLiteral("command %1").arg(name));
            QElapsedTimer timer;
            timer.start();
            (window.*(*handler))();
            note(QStringLiteral("command %1 returned after %2 ms").arg(name).arg(timer.elapsed()));
        }
    });
}
#endif

} // namespace

CheckedPrompts::CheckedPrompts(IPrompts &real) : m_real(real)
{
    const QStringList answers = qEnvironmentVariable(kAnswersVariable).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &answer : answers) {
        if (const auto button = buttonNamed(answer.trimmed()))
            m_answers.enqueue(*button);
    }
#ifdef Q_OS_WIN
    m_saveAs = qEnvironmentVariable(kSaveAsVariable);
    m_open = qEnvironmentVariable(kOpenVariable);
#endif
}

bool CheckedPrompts::wanted()
{
#ifdef Q_OS_WIN
    if (qEnvironmentVariableIsSet(kSaveAsVariable) || qEnvironmentVariableIsSet(kOpenVariable))
        return true;
#endif
    return qEnvironmentVariableIsSet(kLogVariable) || qEnvironmentVariableIsSet(kAnswersVariable);
}

std::optional<QString> CheckedPrompts::saveFile(const FileDialogRequest &request)
{
#ifdef Q_OS_WIN
    if (auto path = takeAnswer(m_saveAs, "save"))
        return path;
#endif
    return m_real.saveFile(request);
}

std::optional<QString> CheckedPrompts::openFile(const FileDialogRequest &request)
{
#ifdef Q_OS_WIN
    if (auto path = takeAnswer(m_open, "open"))
        return path;
#endif
    return m_real.openFile(request);
}

PromptButton CheckedPrompts::ask(const PromptMessage &message)
{
    QString text = message.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("|")).replace(QLatin1Char('\n'), QLatin1Char('|'));
    appendToLog(message.title + QLatin1Char('\t') + text);
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    return m_real.ask(message);
}

void note(const QString &line)
{
    appendToLog(QStringLiteral("check\t") + line);
}

void scheduleHooks(Form1 &window)
{
#ifdef Q_OS_WIN
    scheduleCommandsHook(window);
#endif
    const QString path = qEnvironmentVariable(kSettingsVariable);
    if (path.isEmpty())
        return;
    // The restarted program inherits the environment: it must not save again.
    qunsetenv(kSettingsVariable);
    QTimer::singleShot(0, &window, [&window, path] {
        window.Path_Click();
        Pathpro *dialog = window.pathpro();
        dialog->Text1->setText(path);
        dialog->Button1->click();
    });
}

} // namespace zkd::checkhooks
