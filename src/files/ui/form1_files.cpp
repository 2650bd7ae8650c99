#include "app/Form1.h"
#include "files/EditorChoice.h"
#include "files/Recovery.h"
#include "files/WorkFile.h"
#include "files/ui/ExternalProgram.h"
#include "files/ui/FilePrompts.h"
#include "files/ui/Form2.h"
#include "settings/ScxIni.h"
#include "app/StatusPanel.h"
#include "util/Prompts.h"
#include "util/Texts.h"

#include <QAction>
#include <QDir>
#include <QMenu>

namespace zkd {

void Form1::SScommand4_Click()
{
    saveMeasurement();
}

Form1::SaveOutcome Form1::saveMeasurement()
{
    m_table.markSaved();
    const Language &lang = m_globals.language;
    const QString title = pickOrEmpty(lang, texts::SaveDialogTitle);
    const QString before = pickOrEmpty(lang, texts::OverwriteBefore);
    const QString after = pickOrEmpty(lang, texts::OverwriteAfter);

    const std::optional<QString> chosen = prompts().saveFile(
        {title, m_deps.dialogFolder(), str(texts::CsvFilter), QString()});
    if (!chosen)
        return SaveOutcome::Cancelled;
    // The save name is taken apart at the platform's own separator.
    m_savedFileName = QDir::toNativeSeparators(*chosen);

    if (!confirmReplace(prompts(), m_savedFileName, before, after))
        return saveMeasurement();

    // What the line has delivered up to now belongs to the file being saved.
    const WorkFile::SaveResult result = m_run.saveWorkFile(m_savedFileName);
    m_workFileName = str(texts::WorkFileName);
    switch (result.outcome) {
    case WorkFile::SaveResult::Outcome::Saved: break;
    case WorkFile::SaveResult::Outcome::CopyFailed:
    case WorkFile::SaveResult::Outcome::DeleteFailed:
        if (result.outcome == WorkFile::SaveResult::Outcome::DeleteFailed)
            m_savedFileName = result.savedPath;
        // The run stays in the working file and the recording goes on behind
        // it: reopened before the message, so that what arrives while the
        // user reads it is recorded too.
        ReopenWorkFile();
        prompts().ask(
            warning(ownText(lang, texts::SaveFailed).arg(result.errorText, QDir::toNativeSeparators(workFilePath()))));
        return SaveOutcome::Failed;
    case WorkFile::SaveResult::Outcome::ReopenFailed:
        m_savedFileName = result.savedPath;
        form2()->refreshList();
        prompts().ask(workFileWarning(lang, m_run.workFile(), result.errorText));
        return SaveOutcome::Failed;
    }
    m_savedFileName = result.savedPath;
    form2()->refreshList();
    m_table.clear();
    syncTerm();
    closePort();
    if (m_deviceLost) {
        // The user has been told the device is gone: if it is back the port
        // opens as after any save, if not it stays closed without a second
        // message, and the next Start opens it or says why it cannot.
        m_deviceLost = comm().setPortOpen(true).has_value();
        MOpen->setChecked(comm().PortOpen());
    } else {
        MOpen_Click();
    }
    return SaveOutcome::Saved;
}

void Form1::ReopenWorkFile()
{
    if (!m_run.workFile().isOpen()) {
        m_workFileName = str(texts::WorkFileName);
        if (!m_run.reopenWorkFile(workFilePath()))
            prompts().ask(workFileWarning(m_globals.language, m_run.workFile(), m_run.workFile().errorText()));
    }
}

void Form1::AskSaveAfterStop()
{
    m_table.markSaved();
    const QString question = pickOrEmpty(m_globals.language, texts::SaveQuestion);
    CloseWorkFile();
    if (prompts().ask(yesNoQuestion(question)) != PromptButton::Yes) {
        ResetWorkFile(ResetKind::Discard);
        return;
    }
    // A save given up in its dialog keeps the run in the working file, and
    // the next run is recorded behind it instead of being lost.
    if (saveMeasurement() == SaveOutcome::Cancelled)
        ReopenWorkFile();
}

void Form1::SSCommand1_Click()
{
    m_table.markSaved();
    const QString question = pickOrEmpty(m_globals.language, texts::SaveQuestion);
    CloseWorkFile();
    if (prompts().ask(yesNoQuestion(question)) != PromptButton::Yes) {
        EndProgram();
        return;
    }
    const SaveOutcome saved = saveMeasurement();
    std::int16_t cancel = 0;
    Form_Unload(cancel);
    // Still running, the unload refused: a save given up in its dialog keeps
    // the run in the working file and the recording goes on behind it, as
    // after a stop.
    if (!m_closing && saved == SaveOutcome::Cancelled)
        ReopenWorkFile();
}

void Form1::updateRecoverItem()
{
    MRecover->setEnabled(recovery::recoverableSince(recovery::newestBackup(workFilePath())).has_value());
}

void Form1::announceRecoverable()
{
    const QString note = recoverableNote(m_globals.language, recovery::newestBackup(workFilePath()), Dateien->title());
    if (!note.isEmpty())
        StatusBar->showMessage(note);
}

void Form1::MRecover_Click()
{
    const Language &lang = m_globals.language;
    const QString backup = recovery::newestBackup(workFilePath());
    const QString problem = recoverProblem(lang, backup);
    if (!problem.isEmpty()) {
        MRecover->setEnabled(false);
        prompts().ask(warning(problem));
        return;
    }
    const std::optional<bool> recovered = recoverAs(prompts(), lang, backup, m_deps.programDir);
    if (!recovered)
        return;
    if (*recovered)
        StatusBar->clearMessage();
    if (m_form2)
        m_form2->refreshList();
    updateRecoverItem();
}

void Form1::SScommand3_Click()
{
    if (const auto title = pick(m_globals.language, texts::OpenDialogTitle))
        m_openDialogTitle = *title;
    const std::optional<QString> chosen = prompts().openFile(
        {m_openDialogTitle, m_deps.dialogFolder(), str(texts::OpenFilter), QString()});
    if (!chosen)
        return;
    const ScxIniReadResult settings = readSpreadsheetSettings(m_deps.settingsReadFolder());
    if (!settings.fields.isEmpty())
        m_spreadsheetPath = settings.fields.first();
    if (!settings.error.isEmpty())
        return;
    if (m_spreadsheetPath.isEmpty())
        m_spreadsheetPath = str(texts::DefaultSpreadsheet);
    runExternal(m_spreadsheetPath, QDir::toNativeSeparators(*chosen));
}

void Form1::cmdstart_Click()
{
    const QString message = missingDataMessage(m_globals.language, texts::ExportMissingExcel);
    const ScxIniReadResult settings = readSpreadsheetSettings(m_deps.settingsReadFolder());
    m_spreadsheetPath = settings.fields.value(0);
    if (m_spreadsheetPath.isEmpty())
        m_spreadsheetPath = str(texts::DefaultSpreadsheet);
    exportSaved(m_spreadsheetPath, message);
}

void Form1::SSCommand6_Click()
{
    const QString message = missingDataMessage(m_globals.language, texts::ExportMissingEditor);
    exportSaved(editorForFile(m_savedFileName), message);
}

void Form1::exportSaved(const QString &program, const QString &missingMessage)
{
    if (m_savedFileName.isEmpty()) {
        prompts().ask(
            {missingMessage, str(texts::AppTitle), PromptIcon::None, {PromptButton::Ok, PromptButton::Cancel}});
        return;
    }
    // A saved file is exported once; the next export needs a new save.
    if (runExternal(program, m_savedFileName))
        m_savedFileName.clear();
}

bool Form1::runExternal(const QString &program, const QString &argument)
{
    cmdstart->setEnabled(false);
    const QString failure = runAndWait(program, argument, m_globals.language, [this] { return m_closing; });
    EnableExport();
    if (failure.isEmpty())
        return true;
    prompts().ask(warning(failure));
    return false;
}

void Form1::EnableExport()
{
    cmdstart->setEnabled(true);
}

void Form1::Help_Click()
{
    const QString failure = openManual(m_deps.manualFolder(), m_globals.language);
    if (!failure.isEmpty())
        prompts().ask(warning(failure));
}

} // namespace zkd
