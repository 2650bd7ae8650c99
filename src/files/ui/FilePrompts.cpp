#include "files/ui/FilePrompts.h"

#include "files/FileOps.h"
#include "files/Recovery.h"
#include "files/SaveName.h"
#include "util/StatusFormat.h"
#include "util/Texts.h"

#include <QDir>
#include <QFile>

namespace zkd {
namespace {
constexpr QLatin1StringView kLineBreak{"\r\n"};
} // namespace

QString ownText(const Language &language, const LangText &text)
{
    return pick(language, text).value_or(str(text.en));
}

QString missingDataMessage(const Language &language, const LangText &firstLine)
{
    if (!language.isValid())
        return QString();
    return pickOrEmpty(language, firstLine) + kLineBreak + pickOrEmpty(language, texts::ExportMissingLine2);
}

PromptMessage warning(const QString &text)
{
    return {text, str(texts::AppTitle), PromptIcon::Warning, {PromptButton::Ok}};
}

PromptMessage refusedLinkWarning(const Language &language, const QString &path)
{
    return warning(ownText(language, texts::LinkRefused).arg(QDir::toNativeSeparators(path)));
}

PromptMessage workFileWarning(const Language &language, const WorkFile &file, const QString &error)
{
    return file.refusedLink().isEmpty() ? warning(error) : refusedLinkWarning(language, file.refusedLink());
}

PromptMessage transmissionErrorPrompt(const Language &language)
{
    return {pickOrEmpty(language, texts::TransmissionError),
            pickOrEmpty(language, texts::TransmissionErrorTitle),
            PromptIcon::None,
            {PromptButton::Ok}};
}

std::optional<PromptMessage> resetProblem(const Language &language, const WorkFile::ResetResult &result)
{
    switch (result.outcome) {
    case WorkFile::ResetResult::Outcome::Opened: break;
    case WorkFile::ResetResult::Outcome::CannotDelete:
        return PromptMessage{str(texts::CloseExcel),
                             str(texts::CloseExcelTitle),
                             PromptIcon::Question,
                             {PromptButton::Cancel, PromptButton::TryAgain, PromptButton::Continue}};
    case WorkFile::ResetResult::Outcome::CannotOpen: return warning(result.errorText);
    case WorkFile::ResetResult::Outcome::LinkRefused: return refusedLinkWarning(language, result.refusedLink);
    }
    return std::nullopt;
}

PromptMessage yesNoQuestion(const QString &text)
{
    return {text, str(texts::AppTitle), PromptIcon::Question, {PromptButton::Yes, PromptButton::No}};
}

bool confirmReplace(IPrompts &prompts, const QString &chosen, const QString &before, const QString &after)
{
    QStringList existing;
    if (fileExists(chosen))
        existing << chosen;
    const QString target = normaliseSaveName(chosen);
    if (target != chosen && fileExists(target))
        existing << target;
    for (const QString &name : existing) {
        if (prompts.ask(yesNoQuestion(before + name + after)) == PromptButton::No)
            return false;
    }
    return true;
}

QString recoverProblem(const Language &lang, const QString &backup)
{
    const QString shownBackup = QDir::toNativeSeparators(backup);
    QString problem;
    QFile check(backup);
    if (!recovery::recoverableSince(backup))
        problem = pickOrEnglish(lang, texts::RecoverGone).arg(shownBackup);
    else if (!check.open(QIODevice::ReadOnly))
        problem = pickOrEnglish(lang, texts::RecoverUnreadable).arg(shownBackup, check.errorString());
    return problem;
}

QString recoverableNote(const Language &language, const QString &backup, const QString &menuTitle)
{
    const auto since = recovery::recoverableSince(backup);
    if (!since)
        return QString();
    QString menu = menuTitle;
    return pickOrEnglish(language, texts::RecoverAvailable)
        .arg(status::dateTime(*since, language), menu.remove(QLatin1Char('&')));
}

std::optional<bool> recoverAs(IPrompts &prompts, const Language &lang, const QString &backup, const QString &folder)
{
    // The Save command's dialog, overwrite question and name rules.
    const QString title = pickOrEmpty(lang, texts::SaveDialogTitle);
    const QString before = pickOrEmpty(lang, texts::OverwriteBefore);
    const QString after = pickOrEmpty(lang, texts::OverwriteAfter);
    QString chosen;
    do {
        const std::optional<QString> answer = prompts.saveFile({title, folder, str(texts::CsvFilter), QString()});
        if (!answer)
            return std::nullopt;
        chosen = QDir::toNativeSeparators(*answer);
    } while (!confirmReplace(prompts, chosen, before, after));

    const QString target = normaliseSaveName(chosen);
    const recovery::Result result = recovery::recover(backup, target);
    switch (result.outcome) {
    case recovery::Result::Outcome::Recovered: return true;
    case recovery::Result::Outcome::CopyFailed:
        prompts.ask(
            warning(pickOrEnglish(lang, texts::RecoverFailed).arg(result.errorText, QDir::toNativeSeparators(backup))));
        break;
    case recovery::Result::Outcome::RemoveFailed:
        prompts.ask(warning(
            pickOrEnglish(lang, texts::RecoverNotRemoved).arg(QDir::toNativeSeparators(target), result.errorText)));
        break;
    }
    return false;
}

} // namespace zkd
