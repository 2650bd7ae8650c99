#include "app/Form1.h"

#include "app/AccessibleWidgets.h"
#include "app/BarMeter.h"
#include "app/CachedWidgets.h"
#include "app/Icons.h"
#include "app/InputPanel.h"
#include "app/NativeWindow.h"
#include "app/PictureButton.h"
#include "app/ScaleLabel.h"
#include "app/SingleInstance.h"
#include "app/StatusPanel.h"
#include "app/WindowPlacement.h"
#include "files/WorkFile.h"
#include "files/ui/Form2.h"
#include "graph/Graph.h"
#include "sensor/SensorIni.h"
#include "settings/ScxIni.h"
#include "settings/ui/Pathpro.h"
#include "util/Clock.h"
#include "util/Colours.h"
#include "util/Prompts.h"
#include "util/Texts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>

namespace zkd {
namespace {

void setColours(QWidget *widget, std::optional<QColor> text, std::optional<QColor> background)
{
    QPalette pal = widget->palette();
    if (text)
        pal.setColor(QPalette::Text, *text);
    if (background)
        pal.setColor(QPalette::Base, *background);
    widget->setPalette(pal);
}

} // namespace

Form1::Form1(const Deps &deps, QWidget *parent) : QMainWindow(parent), m_deps(deps)
{
    // The run is a child of the window, so its header timer is among the window's children.
    m_run.setParent(this);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(str(texts::MainWindowTitle));
    setWindowIcon(pictureIcon(Picture::Program));
    buildControls();
    buildMenus();
    buildShortcuts();
    buildStatusBar();

    Timer1 = &m_run.headerTimer();
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);

    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setInterval(kRefreshPeriod);
    m_refreshTimer->setSingleShot(true);
    connect(m_refreshTimer, &QTimer::timeout, this, &Form1::refreshDisplay);

    connect(&comm(), &MSComm1::OnComm, this, &Form1::MSComm1_OnComm);
    m_run.setWriteFailureHandler([this](const QString &error) { return retryWrite(error); });
    pipeline().setNotesHeaderSource([this] {
        return RecordPipeline::notesHeader(m_globals.language, clock().timeText(), clock().shortDate(), notesText());
    });
    // A logout or shutdown ends the program through the unload steps.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { m_sessionEnding = true; });
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    auto *central = new QWidget(this);
    setCentralWidget(central);
    auto *root = new QVBoxLayout(central);
    root->setContentsMargins(8, 4, 8, 8);
    root->setSpacing(6);

    // Picture buttons, the activity pictures and the time of the last record.
    auto *toolbar = new QHBoxLayout;
    toolbar->setSpacing(2);
    const auto makeButton = [&](PictureButton *&button, const char *name, Picture picture, const char16_t *tip) {
        button = new PictureButton(picture, central);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(str(tip));
        toolbar->addWidget(button);
    };
    makeButton(Button1, "Button1", Picture::StartStop, texts::TipButton1);
    makeButton(Button2, "Button2", Picture::Save, texts::TipButton2);
    makeButton(Button3, "Button3", Picture::Open, texts::TipButton3);
    makeButton(Button4, "Button4", Picture::Delete, texts::TipButton4);
    toolbar->addSpacing(12);
    makeButton(Button5, "Button5", Picture::Exit, texts::TipButton5);
    toolbar->addStretch(1);

    Image1 = new QLabel(central);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(drawPicture(Picture::Activity, 36, false));
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->installEventFilter(this);
    Image2 = new QLabel(central);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(drawPicture(Picture::Idle, 36, false));
    Image1->hide();
    toolbar->addWidget(Image1);
    toolbar->addWidget(Image2);
    toolbar->addSpacing(10);
    Secunden = valueBox(central, "Secunden", Qt::black, QColor(255, 255, 255), 12);
    Secunden->setFixedWidth(110);
    toolbar->addWidget(captionLabel(str(texts::TimeCaption), central, Secunden));
    toolbar->addWidget(Secunden);
    root->addLayout(toolbar);

    // The two inputs side by side, the row centred on a wide window.
    auto *inputs = new QHBoxLayout;
    inputs->addStretch(0);
    inputs->setSpacing(10);
    auto *in1 = new InputPanel(1, QColor(0, 0, 192), central);
    inputs->addWidget(in1, 1);
    auto *in2 = new InputPanel(2, QColor(192, 0, 0), central);
    inputs->addWidget(in2, 1);
    Label5 = in1->header;
    Text8 = in1->act;
    Text9 = in1->max;
    Text10 = in1->min;
    Bar1 = in1->bar;
    Label9 = in1->scale;
    Label7 = in1->overflow;
    Label6 = in2->header;
    Text11 = in2->act;
    Text12 = in2->max;
    Text13 = in2->min;
    Bar2 = in2->bar;
    Label10 = in2->scale;
    Label8 = in2->overflow;
    inputs->addStretch(0);
    root->addLayout(inputs);

    Label11 = new QLabel(central);
    Label11->setObjectName(QStringLiteral("Label11"));
    Label11->setTextFormat(Qt::PlainText);
    Label11->setStyleSheet(QStringLiteral("color: #444;"));
    root->addWidget(Label11);

    // The live table under its column header.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // The table holds plain instrument lines: laid out without text shaping,
    // which costs more than anything else in showing them.
    fixed.setStyleStrategy(QFont::PreferNoShaping);
    Label1 = new QLabel(central);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(fixed);
    Label1->setStyleSheet(QStringLiteral("QLabel { background: #202020; color: #c8ffc8; padding: 2px 4px; }"));
    root->addWidget(Label1);
    Term = new QPlainTextEdit(central);
    Term->setObjectName(QStringLiteral("Term"));
    Term->setFont(fixed);
    Term->setReadOnly(true);
    Term->setUndoRedoEnabled(false);
    Term->setLineWrapMode(QPlainTextEdit::NoWrap);
    Term->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Term->setMinimumHeight(80);
    Term->setVerticalScrollBar(new CachedScrollBar(Qt::Vertical, Term));
    setColours(Term, QColor(0, 255, 0), QColor(0, 0, 0));
    Term->viewport()->installEventFilter(this);
    // Room the window gains goes to the table and the notes, four to one; the
    // input panels keep their height.
    root->addWidget(Term, 4);

    // The notes of this measurement.
    Label2 = new QLabel(str(texts::NotesCaption), central);
    Label2->setObjectName(QStringLiteral("Label2"));
    root->addWidget(Label2);
    Text2 = new QPlainTextEdit(central);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setUndoRedoEnabled(true);
    Text2->setTabChangesFocus(true);
    Text2->setMinimumHeight(36);
    Text2->viewport()->installEventFilter(this);
    root->addWidget(Text2, 1);

    // Hidden helpers the handlers keep their values in.
    auto *hidden = new QWidget(central);
    hidden->hide();
    KopfLesen = new QPushButton(str(texts::KopfLesenCaption), hidden);
    KopfLesen->setObjectName(QStringLiteral("KopfLesen"));
    connect(KopfLesen, &QPushButton::clicked, this, &Form1::KopfLesen_Click);
    Sensorwahl = new QPushButton(str(texts::SensorButton), hidden);
    Sensorwahl->setObjectName(QStringLiteral("Sensorwahl"));
    connect(Sensorwahl, &QPushButton::clicked, this, &Form1::Sensorwahl_Click);
    txtPopStr = new QLineEdit(hidden);
    txtPopStr->setObjectName(QStringLiteral("txtPopStr"));
    // It takes every record line unseen: laid out without text shaping.
    QFont unshaped = txtPopStr->font();
    unshaped.setStyleStrategy(QFont::PreferNoShaping);
    txtPopStr->setFont(unshaped);
    lstPopStrings = new QListWidget(hidden);
    lstPopStrings->setObjectName(QStringLiteral("lstPopStrings"));
    Text1_0 = new QLineEdit(str(texts::SensorField1Built), hidden);
    Text1_0->setObjectName(QStringLiteral("Text1_0"));
    Text1_1 = new QLineEdit(str(texts::SensorField2Built), hidden);
    Text1_1->setObjectName(QStringLiteral("Text1_1"));
    Check1 = new QCheckBox(hidden);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setChecked(true);
    connect(Check1, &QCheckBox::toggled, this, [this](bool on) { pipeline().setCheck1(on); });

    connect(Button1, &QToolButton::clicked, this, &Form1::SSCommand2_Click);
    connect(Button2, &QToolButton::clicked, this, &Form1::SScommand4_Click);
    connect(Button3, &QToolButton::clicked, this, &Form1::SScommand3_Click);
    connect(Button4, &QToolButton::clicked, this, &Form1::Button4_Click);
    connect(Button5, &QToolButton::clicked, this, &Form1::SSCommand1_Click);

    resize(900, 700);
}

void Form1::buildMenus()
{
    const auto action = [this](QMenu *menu, const char *name, const char16_t *caption, void (Form1::*handler)()) {
        auto *a = menu->addAction(str(caption));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    Dateien = menuBar()->addMenu(str(texts::MenuFile));
    Dateien->setObjectName(QStringLiteral("Dateien"));
    SSCommand2 = action(Dateien, "SSCommand2", texts::MenuStartStop, &Form1::SSCommand2_Click);
    SScommand4 = action(Dateien, "SScommand4", texts::MenuSave, &Form1::SScommand4_Click);
    SScommand3 = action(Dateien, "SScommand3", texts::MenuOpen, &Form1::SScommand3_Click);
    cmdstart = action(Dateien, "cmdstart", texts::MenuExportExcel, &Form1::cmdstart_Click);
    SSCommand6 = action(Dateien, "SSCommand6", texts::MenuExportNotepad, &Form1::SSCommand6_Click);
    Dateien->addSeparator();
    MRecover = action(Dateien, "MRecover", texts::MenuRecover.en, &Form1::MRecover_Click);
    MRecover->setEnabled(false);
    connect(Dateien, &QMenu::aboutToShow, this, &Form1::updateRecoverItem);
    Dateien->addSeparator();
    SSCommand1 = action(Dateien, "SSCommand1", texts::MenuExit, &Form1::SSCommand1_Click);

    MPort = menuBar()->addMenu(str(texts::MenuSettings));
    MPort->setObjectName(QStringLiteral("MPort"));
    Path = action(MPort, "Path", texts::MenuUserSettings, &Form1::Path_Click);
    MOpen = action(MPort, "MOpen", texts::MenuPortOpen, &Form1::MOpen_Click);
    MOpen->setCheckable(true);
    MSettings = action(MPort, "MSettings", texts::MenuComSettings, &Form1::MSettings_Click);

    info = menuBar()->addAction(str(texts::MenuInfo));
    info->setObjectName(QStringLiteral("info"));
    connect(info, &QAction::triggered, this, &Form1::info_Click);
    Help = menuBar()->addAction(str(texts::MenuHelp));
    Help->setObjectName(QStringLiteral("Help"));
    connect(Help, &QAction::triggered, this, &Form1::Help_Click);

    // As built: Open and the port items hidden and off; Start / Stop greyed
    // (Button1 starts and stops); the two exports greyed until a save.
    SScommand3->setVisible(false);
    SScommand3->setEnabled(false);
    MOpen->setVisible(false);
    MOpen->setEnabled(false);
    MSettings->setVisible(false);
    MSettings->setEnabled(false);
    SSCommand2->setEnabled(false);
    cmdstart->setEnabled(false);
    SSCommand6->setEnabled(false);
}

void Form1::buildShortcuts()
{
    const auto shortcut = [this](const QKeySequence &keys, QWidget *button, void (Form1::*handler)()) {
        auto *s = new QShortcut(keys, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, [this, button, handler] {
            if (!button->isHidden())
                (this->*handler)();
        });
    };
    shortcut(QKeySequence(Qt::Key_F5), Button1, &Form1::SSCommand2_Click);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), Button2, &Form1::SScommand4_Click);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_O), Button3, &Form1::SScommand3_Click);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_D), Button4, &Form1::Button4_Click);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), Button5, &Form1::SSCommand1_Click);
}

void Form1::buildStatusBar()
{
    StatusBar = new StatusPanel(
        clock(),
        [this] {
            return StatusPanel::State{comm().portName(), comm().settings(), comm().PortOpen(), m_deps.currentDir};
        },
        this);
    setStatusBar(StatusBar);
}

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
        const QString text = pick(m_globals.language, texts::MeasurementFolderFailed)
                                 .value_or(str(texts::MeasurementFolderFailed.en))
                                 .arg(QDir::toNativeSeparators(m_deps.unusableMeasurementDir),
                                      QDir::toNativeSeparators(m_deps.currentDir));
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
        m_pendingError = pick(m_globals.language, texts::ConfigFolderFailed)
                             .value_or(str(texts::ConfigFolderFailed.en))
                             .arg(QDir::toNativeSeparators(m_deps.programDir));
        return;
    }
    const QString path = QDir(m_deps.programDir).filePath(str(texts::SettingsFileName));
    const ScxIniReadResult read = readScxIni(path, scxField::Count);
    const QStringList &f = read.fields;
    const auto field = [&f](int number) -> std::optional<QString> {
        if (f.size() < number)
            return std::nullopt;
        return f[number - 1];
    };
    if (const auto language = field(scxField::Language))
        m_globals.language = Language(*language);
    const Language &lang = m_globals.language;
    const auto problem = [&lang](const LangText &text) {
        return pick(lang, text).value_or(QString::fromUtf16(text.en));
    };
    QStringList problems;
    if (!read.error.isEmpty())
        problems.append(problem(texts::SettingsProblemRead).arg(read.error));

    const auto colour = [&](int number) -> std::optional<QColor> {
        const auto text = field(number);
        if (!text)
            return std::nullopt;
        const auto index = scxLeadingInt16(*text);
        const auto rgb = index ? colourFromIndex(*index) : std::nullopt;
        if (!rgb) {
            problems.append(problem(texts::SettingsProblemColour).arg(text->trimmed(), QString::number(number)));
            return std::nullopt;
        }
        return QColor(rgb->red, rgb->green, rgb->blue);
    };
    const auto fore = colour(scxField::ForeColour);
    const auto back = colour(scxField::BackColour);
    setColours(Term, fore, back);
    setColours(Text2, fore, back);

    if (const auto baud = field(scxField::SerialSettings)) {
        // An empty line 6 leaves the built-in 2400 baud without a word.
        if (!comm().setSettings(*baud + QStringLiteral(",n,8,1")) && !baud->trimmed().isEmpty())
            problems.append(problem(texts::SettingsProblemBaud).arg(baud->trimmed()));
    }
    // A port the link refuses (also the 0 of a line that was not read) leaves
    // the built-in port 1, and a line that asked for one is named.
    const auto portField = field(scxField::Port);
    if (const auto port = portNameFromSetting(portField.value_or(QString())))
        comm().setPortName(*port);
    else if (portField && portField->trimmed().isEmpty())
        problems.append(problem(texts::SettingsProblemPort));
    else if (portField)
        problems.append(
            problem(texts::SettingsProblemPortNumber).arg(portField->trimmed(), QString::number(kLastCommPort)));
    pipeline().setLanguage(lang);
    m_table.setLanguage(lang);
    if (!problems.isEmpty())
        m_pendingError = pick(lang, texts::SettingsReadError)
                             .value_or(str(texts::SettingsReadErrorNone))
                             .arg(QDir::toNativeSeparators(path), problems.join(QStringLiteral("\r\n")));
}

void Form1::ApplyLanguageTexts()
{
    const Language &lang = m_globals.language;
    describeInput(*Bar1, *Label9, 1, lang);
    describeInput(*Bar2, *Label10, 2, lang);
    Term->setAccessibleName(pickOrEnglish(lang, texts::AccessTableName));
    if (!lang.isValid())
        return;
    if (const auto caption = pick(lang, texts::LangForm2Caption))
        form2()->setWindowTitle(*caption);
    const auto set = [&lang](const LangText &text, auto apply) {
        if (const auto value = pick(lang, text))
            apply(*value);
    };
    set(texts::LangLabel2, [this](const QString &t) { Label2->setText(t); });
    set(texts::LangText2Tip, [this](const QString &t) { Text2->setToolTip(t); });
    set(texts::LangMenuFile, [this](const QString &t) { Dateien->setTitle(t); });
    set(texts::LangMenuSave, [this](const QString &t) { SScommand4->setText(t); });
    set(texts::LangMenuOpen, [this](const QString &t) { SScommand3->setText(t); });
    set(texts::LangMenuSettings, [this](const QString &t) { MPort->setTitle(t); });
    set(texts::LangMenuUserSettings, [this](const QString &t) { Path->setText(t); });
    set(texts::LangTipButton1, [this](const QString &t) { Button1->setToolTip(t); });
    set(texts::LangTipButton2, [this](const QString &t) { Button2->setToolTip(t); });
    set(texts::LangTipButton3, [this](const QString &t) { Button3->setToolTip(t); });
    set(texts::LangTipButton5, [this](const QString &t) { Button5->setToolTip(t); });
    set(texts::LangTipButton4, [this](const QString &t) { Button4->setToolTip(t); });
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
        prompts().ask({error, str(texts::AppTitle), PromptIcon::Warning, {PromptButton::Ok}});
    }
    const WorkFile::ResetResult result = m_run.resetWorkFile(
        workFilePath(), kind == ResetKind::Discard ? WorkFile::Leftover::Discard : WorkFile::Leftover::Keep);
    switch (result.outcome) {
    case WorkFile::ResetResult::Outcome::Opened: break;
    case WorkFile::ResetResult::Outcome::CannotDelete:
        prompts().ask({str(texts::CloseExcel),
                       str(texts::CloseExcelTitle),
                       PromptIcon::Question,
                       {PromptButton::Cancel, PromptButton::TryAgain, PromptButton::Continue}});
        break;
    case WorkFile::ResetResult::Outcome::CannotOpen:
        prompts().ask({result.errorText, str(texts::AppTitle), PromptIcon::Warning, {PromptButton::Ok}});
        break;
    case WorkFile::ResetResult::Outcome::LinkRefused: reportRefusedLink(result.refusedLink); break;
    }
    updateRecoverItem();
}

void Form1::reportRefusedLink(const QString &path)
{
    // In English where no language is selected: the user must act on it.
    const QString text = pick(m_globals.language, texts::LinkRefused)
                             .value_or(str(texts::LinkRefused.en))
                             .arg(QDir::toNativeSeparators(path));
    prompts().ask({text, str(texts::AppTitle), PromptIcon::Warning, {PromptButton::Ok}});
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
    if (m_closing) {
        event->accept();
        return;
    }
    if (!m_sessionEnding) {
        // The window has no working close: the program is left through Exit.
        event->ignore();
        return;
    }
    std::int16_t cancel = 0;
    Form_Unload(cancel);
    if (cancel != 0)
        event->ignore();
    else
        event->accept();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == Term->viewport()) {
            Term_DblClick();
            return true;
        }
        if (watched == Text2->viewport()) {
            Text2_DblClick();
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease && watched == Image1) {
        Image1_Click();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::EndProgram()
{
    m_closing = true;
    if (m_graph)
        m_graph->close();
    if (m_form2)
        m_form2->close();
    if (m_pathpro)
        m_pathpro->close();
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
    Form2 *dialog = form2();
    dialog->showDialog();
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
