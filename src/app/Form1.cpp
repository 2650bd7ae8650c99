#include "app/Form1.h"

#include "app/Icons.h"
#include "app/InputPanel.h"
#include "app/MainCommands.h"
#include "app/MainLayout.h"
#include "app/NativeWindow.h"
#include "app/SingleInstance.h"
#include "app/StartupSettings.h"
#include "app/StatusPanel.h"
#include "app/WindowPlacement.h"
#include "files/WorkFile.h"
#include "files/ui/FilePrompts.h"
#include "files/ui/Form2.h"
#include "graph/Graph.h"
#include "sensor/SensorIni.h"
#include "settings/ui/Pathpro.h"
#include "util/Clock.h"
#include "util/Prompts.h"
#include "util/Texts.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

namespace zkd {

Form1::Form1(const Deps &deps, QWidget *parent) : QMainWindow(parent), m_deps(deps)
{
    // The run is a child of the window, so its header timer is among the window's children.
    m_run.setParent(this);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(str(texts::MainWindowTitle));
    setWindowIcon(pictureIcon(Picture::Program));
    layOutMainWindow(*this);
    buildCommands(*this);
    addStatusBar(*this);

    Timer1 = &m_run.headerTimer();
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);

    m_refresh = new RefreshSchedule([this] { refreshDisplay(); }, this);

    connect(&comm(), &MSComm1::OnComm, this, &Form1::MSComm1_OnComm);
    m_run.setWriteFailureHandler([this](const QString &error) { return retryWrite(error); });
    pipeline().setNotesHeaderSource([this] {
        return RecordPipeline::notesHeader(m_globals.language, clock().timeText(), clock().shortDate(), notesText());
    });
    // A logout or shutdown ends the program through the unload steps.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { m_sessionEnding = true; });
}

Form1::~Form1() = default;

bool Form1::startUp()
{
    if (!Form_Load())
        return false;
    fitOnScreen(*this);
    applySettingsFile();
    if (m_deps.languageRead)
        m_deps.languageRead(m_globals.language);
    if (!m_deps.unusableMeasurementDir.isEmpty()) {
        // Told together with any settings problem, in the language just read.
        const QString text = measurementFolderProblem(m_globals.language, m_deps.unusableMeasurementDir,
                                                      m_deps.currentDir);
        m_pendingError = m_pendingError.isEmpty() ? text : m_pendingError + QStringLiteral("\r\n\r\n") + text;
    }
    Label1->setText(str(texts::TableHeader));
    ApplyLanguageTexts();
    MRecover->setText(pickOrEnglish(m_globals.language, texts::MenuRecover));
    StatusBar->setLanguage(m_globals.language);
    ResetWorkFile();
    announceRecoverable();
    return true;
}

bool Form1::Form_Load()
{
    Label7->hide();
    Label8->hide();
    DisableXbutton();
    if (m_deps.instance) {
        if (!m_deps.instance->claim()) {
            // Another copy runs: bring it forward and end before reading any file.
            ActivatePrevInstance();
            return false;
        }
        connect(m_deps.instance, &SingleInstance::activationRequested, this, [this] { bringToFront(*this); });
    }
    // sensor.ini: two numbers into the input lines; nothing shows them before a Start resets them.
    const SensorIni::Result sensor = SensorIni::read(m_deps.programDir, m_sensorIniValue);
    m_sensorIniValue = sensor.value;
    m_globals.Inp1Line = sensor.inp1Line;
    m_globals.Inp2Line = sensor.inp2Line;
    return true;
}

void Form1::DisableXbutton()
{
    // closeEvent refuses every close that does not come from the program's own
    // exit paths or from the end of the user's session.
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    removeCloseFromSystemMenu(*this);
}

bool Form1::ActivatePrevInstance()
{
    return m_deps.instance && m_deps.instance->activateRunning();
}

void Form1::applySettingsFile()
{
    if (m_deps.settingsFolderUnusable) {
        // No settings folder, so no settings file: the built-in values stay,
        // and the folder is what the user is told about.
        m_pendingError = settingsFolderProblem(m_globals.language, m_deps.programDir);
        return;
    }
    const QString path = QDir(m_deps.programDir).filePath(str(texts::SettingsFileName));
    const StartupSettings settings = applyScxIni(path, comm(), m_globals.language);
    m_globals.language = settings.language;
    setTextColours(Term, settings.foreColour, settings.backColour);
    setTextColours(Text2, settings.foreColour, settings.backColour);
    pipeline().setLanguage(m_globals.language);
    m_table.setLanguage(m_globals.language);
    if (!settings.error.isEmpty())
        m_pendingError = settings.error;
}

void Form1::ApplyLanguageTexts()
{
    const Language &lang = m_globals.language;
    Input1->describe(lang);
    Input2->describe(lang);
    Term->setAccessibleName(pickOrEnglish(lang, texts::AccessTableName));
    if (!lang.isValid())
        return;
    if (const auto caption = pick(lang, texts::LangForm2Caption))
        form2()->setWindowTitle(*caption);
    setLanguageTexts(*this, lang);
}

QString Form1::workFilePath() const
{
    return QDir(m_deps.currentDir).filePath(m_workFileName.isEmpty() ? str(texts::WorkFileName) : m_workFileName);
}

std::int16_t Form1::WorkFileNumber() const
{
    return m_run.workFile().number();
}

void Form1::ResetWorkFile(ResetKind kind)
{
    m_workFileName = str(texts::WorkFileName);
    if (!m_pendingError.isEmpty()) {
        // Reported once, clearly; the working file is still prepared so that a
        // first start on a fresh machine records its first run.
        const QString error = m_pendingError;
        m_pendingError.clear();
        prompts().ask(warning(error));
    }
    const WorkFile::ResetResult result = m_run.resetWorkFile(
        workFilePath(), kind == ResetKind::Discard ? WorkFile::Leftover::Discard : WorkFile::Leftover::Keep);
    if (const auto problem = resetProblem(m_globals.language, result))
        prompts().ask(*problem);
    updateRecoverItem();
}

void Form1::CloseWorkFile()
{
    m_run.closeWorkFile();
}

bool Form1::retryWrite(const QString &error)
{
    return prompts().ask(
               {error, str(texts::AppTitle), PromptIcon::Critical, {PromptButton::Retry, PromptButton::Cancel}})
        == PromptButton::Retry;
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (!m_closing && m_sessionEnding) {
        std::int16_t cancel = 0;
        Form_Unload(cancel);
        event->setAccepted(cancel == 0);
        return;
    }
    // The window has no working close: the program is left through Exit.
    event->setAccepted(m_closing);
}

void Form1::EndProgram()
{
    m_closing = true;
    for (QWidget *window : std::initializer_list<QWidget *>{m_graph, m_form2, m_pathpro})
        if (window)
            window->close();
    close();
    emit programEnded();
    QCoreApplication::exit(0);
}

void Form1::Form_Unload(std::int16_t &cancel)
{
    if (UnsavedLength() > 0) {
        // Exit ends the program itself once its question is answered; it
        // returns only when its own unload was refused, and then the unload
        // goes on here with its own wait for the line.
        SSCommand1_Click();
        if (m_closing)
            return;
    }
    if (comm().PortOpen() && !DrainAndClosePort()) {
        cancel = -1;
        return;
    }
    if (WorkFileNumber() != 0)
        CloseWorkFile();
    EndProgram();
}

void Form1::info_Click()
{
    prompts().about(str(texts::AboutApp), str(texts::AboutText));
}

void Form1::Button4_Click()
{
    form2()->showDialog();
}

Form2 *Form1::form2()
{
    if (!m_form2)
        m_form2 = new Form2(*this);
    return m_form2;
}

Pathpro *Form1::pathpro()
{
    if (!m_pathpro)
        m_pathpro = new Pathpro(*this, this);
    return m_pathpro;
}

void Form1::Path_Click()
{
    pathpro()->showDialog();
}

QString Form1::notesText() const
{
    return Text2->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

} // namespace zkd
