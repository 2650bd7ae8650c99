#include "app/CheckHooks.h"

#include "app/Form1.h"
#include "app/PictureButton.h"

#include <QLineEdit>
#include <QTimer>

namespace zkd::checkhooks {
namespace {

constexpr const char *kLogVariable = "ZKD735_CHECK_LOG";
constexpr const char *kAnswersVariable = "ZKD735_CHECK_ANSWERS";
constexpr const char *kSettingsVariable = "ZKD735_CHECK_SETTINGS";

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

} // namespace

CheckedPrompts::CheckedPrompts(IPrompts &real) : m_real(real)
{
    const QString log = qEnvironmentVariable(kLogVariable);
    if (!log.isEmpty()) {
        m_log.setFileName(log);
        m_log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    }
    const QStringList answers = qEnvironmentVariable(kAnswersVariable).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &answer : answers) {
        if (const auto button = buttonNamed(answer.trimmed()))
            m_answers.enqueue(*button);
    }
}

bool CheckedPrompts::wanted()
{
    return qEnvironmentVariableIsSet(kLogVariable) || qEnvironmentVariableIsSet(kAnswersVariable);
}

PromptButton CheckedPrompts::ask(const PromptMessage &message)
{
    if (m_log.isOpen()) {
        QString text = message.text;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("|")).replace(QLatin1Char('\n'), QLatin1Char('|'));
        m_log.write((message.title + QLatin1Char('\t') + text + QLatin1Char('\n')).toUtf8());
    }
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    return m_real.ask(message);
}

void note(const QString &line)
{
    const QString log = qEnvironmentVariable(kLogVariable);
    if (log.isEmpty())
        return;
    QFile file(log);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write((QStringLiteral("check\t") + line + QLatin1Char('\n')).toUtf8());
}

void scheduleSettingsHook(Form1 &window)
{
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
