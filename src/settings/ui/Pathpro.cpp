#include "settings/ui/Pathpro.h"

#include "app/WindowPlacement.h"

#include "app/Form1.h"
#include "app/Icons.h"
#include "app/PictureButton.h"
#include "app/SingleInstance.h"
#include "settings/ScxIni.h"
#include "util/Colours.h"
#include "util/Prompts.h"
#include "util/Texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QSerialPortInfo>
#include <QVBoxLayout>

namespace zkd {
namespace {

// The dialog reads two fields more than the file holds; the last two find its end.
constexpr int kDialogFieldCount = 11;

constexpr int kColourIndexMin = 0;
constexpr int kColourIndexMax = 15;
constexpr int kForeAsBuilt = 11;
constexpr int kBackAsBuilt = 1;
constexpr int kFirstPort = 1;
constexpr int kLastPort = 9;
constexpr int kPortAsBuilt = 2;
// The extended-mode field as the check box takes it.
constexpr int kCheckClear = 0;
constexpr int kCheckTicked = 1;
constexpr int kSwatchWidth = 36;
constexpr int kScrollBarMinWidth = 240;
constexpr int kPreviewPointSize = 14;
const QColor kLightGrey(224, 224, 224);

QColor baseColour(const QWidget *widget)
{
    return widget->palette().color(QPalette::Base);
}

void setPaletteColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette pal = widget->palette();
    pal.setColor(role, colour);
    widget->setPalette(pal);
}

QLineEdit *swatch(QWidget *parent, const char *name)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setFixedWidth(kSwatchWidth);
    setPaletteColour(box, QPalette::Base, Qt::white);
    return box;
}

QScrollBar *colourBar(QWidget *parent, const char *name, int position)
{
    auto *bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(kColourIndexMin, kColourIndexMax);
    bar->setPageStep(1);
    bar->setValue(position);
    bar->setMinimumWidth(kScrollBarMinWidth);
    // Reachable from the keyboard: the arrow keys step through the colours,
    // moving the thumb the way they point (a scroll bar's own key handling
    // is reversed: Left would step up and move the thumb to the right).
    bar->setFocusPolicy(Qt::StrongFocus);
    bar->setInvertedControls(false);
    return bar;
}

// A number field applied to a control with a fixed range: anything the
// control would not take leaves it unchanged.
std::optional<int> indexInRange(const QString &field, int min, int max)
{
    const auto value = scxNumberInt16(field);
    if (!value || *value < min || *value > max)
        return std::nullopt;
    return value;
}

QString browseFilter()
{
    QString filter = str(texts::SettingsBrowseFilter);
#ifndef Q_OS_WIN
    // Programs here carry no ".exe", so the user may pick any file.
    if (!filter.endsWith(QLatin1Char('|')))
        filter += QLatin1Char('|');
    filter += str(texts::SettingsBrowseAllFiles);
#endif
    return filter;
}

} // namespace

bool startProgramCopy(const QString &executable, const QString &workingFolder)
{
    return QProcess::startDetached(executable, {}, workingFolder);
}

Pathpro::Pathpro(Form1 &form1, QWidget *parent) : QWidget(parent, Qt::Window), m_form1(form1)
{
    setObjectName(QStringLiteral("Pathpro"));
    setWindowTitle(str(texts::SettingsCaptionBuilt));
    setWindowIcon(pictureIcon(Picture::Program));
    buildControls();
    adjustSize();
}

void Pathpro::buildControls()
{
    auto *root = new QVBoxLayout(this);
    root->setSpacing(10);

    // Path of the spreadsheet program: kept but never shown; the browse button sets it.
    m_pathFrame = new QFrame(this);
    m_pathFrame->setObjectName(QStringLiteral("PathFrame"));
    m_pathFrame->setFrameShape(QFrame::StyledPanel);
    auto *pathLayout = new QVBoxLayout(m_pathFrame);
    Label2 = new QLabel(str(texts::SettingsLabel2Built), m_pathFrame);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->hide();
    Text1 = new QLineEdit(str(texts::SettingsPathBuilt), m_pathFrame);
    Text1->setObjectName(QStringLiteral("Text1"));
    setPaletteColour(Text1, QPalette::Base, kLightGrey);
    Text1->hide();
    pathLayout->addWidget(Label2);
    pathLayout->addWidget(Text1);
    m_pathFrame->hide();
    root->addWidget(m_pathFrame);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    text3 = new QComboBox(this);
    text3->setObjectName(QStringLiteral("text3"));
    text3->setEditable(true);
    // A typed device path is kept as text; it is not added to the list.
    text3->setInsertPolicy(QComboBox::NoInsert);
    text3->setToolTip(str(texts::SettingsPortTip));
    Label3->setBuddy(text3);
    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Sprache = new QComboBox(this);
    Sprache->setObjectName(QStringLiteral("Sprache"));
    Label4->setBuddy(Sprache);
    grid->addWidget(Label3, 0, 0);
    grid->addWidget(text3, 0, 1);
    grid->addWidget(Label4, 1, 0);
    grid->addWidget(Sprache, 1, 1);
    grid->setColumnStretch(1, 1);
    root->addLayout(grid);

    // The colour choice and its preview form one group.
    auto *colourFrame = new QFrame(this);
    colourFrame->setObjectName(QStringLiteral("ColourFrame"));
    colourFrame->setFrameShape(QFrame::StyledPanel);
    auto *colourLayout = new QGridLayout(colourFrame);
    colourLayout->setHorizontalSpacing(10);
    Label5 = new QLabel(colourFrame);
    Label5->setObjectName(QStringLiteral("Label5"));
    QFont captionFont = Label5->font();
    captionFont.setBold(true);
    Label5->setFont(captionFont);
    Text2 = swatch(colourFrame, "Text2");
    Fore = colourBar(colourFrame, "Fore", kForeAsBuilt);
    Text4 = swatch(colourFrame, "Text4");
    Back = colourBar(colourFrame, "Back", kBackAsBuilt);
    Text5 = new QLineEdit(colourFrame);
    Text5->setObjectName(QStringLiteral("Text5"));
    Text5->setReadOnly(true);
    Text5->setFocusPolicy(Qt::NoFocus);
    Text5->setAlignment(Qt::AlignCenter);
    QFont previewFont = Text5->font();
    previewFont.setPointSize(kPreviewPointSize);
    previewFont.setBold(true);
    Text5->setFont(previewFont);
    setPaletteColour(Text5, QPalette::Base, Qt::white);
    colourLayout->addWidget(Label5, 0, 0, 1, 2);
    colourLayout->addWidget(Text2, 1, 0);
    colourLayout->addWidget(Fore, 1, 1);
    colourLayout->addWidget(Text4, 2, 0);
    colourLayout->addWidget(Back, 2, 1);
    colourLayout->addWidget(Text5, 3, 0, 1, 2);
    colourLayout->setColumnStretch(1, 1);
    root->addWidget(colourFrame);

    // Extended mode: carried through from the file; the user cannot reach it.
    Check1 = new QCheckBox(str(texts::SettingsExtendedBuilt), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setChecked(false);
    Check1->hide();
    root->addWidget(Check1);

    auto *buttons = new QHBoxLayout;
    Button3 = new PictureButton(Picture::Browse, this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button1 = new PictureButton(Picture::Save, this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new PictureButton(Picture::Exit, this);
    Button2->setObjectName(QStringLiteral("Button2"));
    buttons->addWidget(Button3);
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    root->addLayout(buttons);

    setTabOrder(text3, Sprache);
    setTabOrder(Sprache, Fore);
    setTabOrder(Fore, Back);
    setTabOrder(Back, Button3);
    setTabOrder(Button3, Button1);
    setTabOrder(Button1, Button2);

    // valueChanged and stateChanged fire only on a real change, which is when
    // the colour and extended-mode steps are to run.
    connect(Fore, &QScrollBar::valueChanged, this, &Pathpro::Fore_Change);
    connect(Back, &QScrollBar::valueChanged, this, &Pathpro::Back_Change);
    connect(Check1, &QCheckBox::stateChanged, this, &Pathpro::Check1_Click);
    connect(Text2, &QLineEdit::textChanged, this, &Pathpro::Text2_Change);
    connect(Text4, &QLineEdit::textChanged, this, &Pathpro::Text4_Change);
    connect(Button1, &QToolButton::clicked, this, &Pathpro::Button1_Click);
    connect(Button2, &QToolButton::clicked, this, &Pathpro::Button2_Click);
    connect(Button3, &QToolButton::clicked, this, &Pathpro::Button3_Click);
}

void Pathpro::showDialog()
{
    if (!m_loaded)
        Form_Load();
    show();
    raise();
    activateWindow();
}

void Pathpro::Form_Load()
{
    m_loaded = true;
    for (const char16_t *language : texts::SettingsLanguages)
        Sprache->addItem(str(language));
    Sprache->setCurrentIndex(0);
    for (int port = kFirstPort; port <= kLastPort; ++port)
        text3->addItem(QString::number(port));
    text3->setCurrentIndex(text3->findText(QString::number(kPortAsBuilt)));
    // The serial devices of this machine follow the numbers, by their full path.
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        if (text3->findText(info.systemLocation()) < 0)
            text3->addItem(info.systemLocation());
    }

    m_extendedMode = Check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    readSettingsFile();

    Text5->setText(str(texts::SettingsPreview));
    setPaletteColour(Text5, QPalette::Text, baseColour(Text2));
    setPaletteColour(Text5, QPalette::Base, baseColour(Text4));

    m_language = Language(Sprache->currentText());
    applyLanguageTexts();

    // Centred once its texts are in, so that the size it is centred with is its final one.
    adjustSize();
    centreOnScreen(*this);
}

void Pathpro::readSettingsFile()
{
    const QString path = QDir(m_form1.deps().settingsReadFolder()).filePath(str(texts::SettingsFileName));
    // A missing or short file leaves the controls as they are; the dialog
    // reports nothing about it (the start-up already did).
    const QStringList fields = readScxIni(path, kDialogFieldCount).fields;
    const auto has = [&fields](int field) { return fields.size() >= field; };
    const auto at = [&fields](int field) { return fields[field - 1]; };

    if (has(scxField::Path))
        Text1->setText(at(scxField::Path));
    if (has(scxField::Port))
        text3->setCurrentText(at(scxField::Port));
    if (has(scxField::Language)) {
        const int index = Sprache->findText(at(scxField::Language));
        if (index >= 0)
            Sprache->setCurrentIndex(index);
    }
    if (has(scxField::ForeColour)) {
        if (const auto index = indexInRange(at(scxField::ForeColour), Fore->minimum(), Fore->maximum()))
            Fore->setValue(*index);
    }
    if (has(scxField::BackColour)) {
        if (const auto index = indexInRange(at(scxField::BackColour), Back->minimum(), Back->maximum()))
            Back->setValue(*index);
    }
    if (has(scxField::SerialSettings))
        m_form1.comm().setSettings(at(scxField::SerialSettings));
    if (has(scxField::ExtendedMode)) {
        if (const auto state = indexInRange(at(scxField::ExtendedMode), kCheckClear, kCheckTicked))
            Check1->setChecked(*state == kCheckTicked);
    }
}

void Pathpro::applyLanguageTexts()
{
    const Language &lang = m_language;
    if (!lang.isValid())
        return;
    setWindowTitle(pickOrEmpty(lang, texts::SettingsCaption));
    Label2->setText(pickOrEmpty(lang, texts::SettingsLabel2));
    Label3->setText(pickOrEmpty(lang, texts::SettingsLabel3));
    Label4->setText(pickOrEmpty(lang, texts::SettingsLabel4));
    Label5->setText(pickOrEmpty(lang, texts::SettingsLabel5));
    Text2->setToolTip(pickOrEmpty(lang, texts::SettingsForeTip));
    Text4->setToolTip(pickOrEmpty(lang, texts::SettingsBackTip));
    Check1->setText(pickOrEmpty(lang, texts::SettingsCheck1));
    Button1->setToolTip(pickOrEmpty(lang, texts::SettingsTipButton1));
    Button2->setToolTip(pickOrEmpty(lang, texts::SettingsTipButton2));
    Button3->setToolTip(pickOrEmpty(lang, texts::SettingsTipButton3));
}

void Pathpro::Fore_Change()
{
    const auto rgb = colourFromIndex(Fore->value());
    if (!rgb)
        return;
    setPaletteColour(Text2, QPalette::Base, QColor(rgb->red, rgb->green, rgb->blue));
    Text2_Change();
}

void Pathpro::Back_Change()
{
    const auto rgb = colourFromIndex(Back->value());
    if (!rgb)
        return;
    setPaletteColour(Text4, QPalette::Base, QColor(rgb->red, rgb->green, rgb->blue));
    Text4_Change();
}

void Pathpro::Text2_Change()
{
    setPaletteColour(Text5, QPalette::Text, baseColour(Text2));
}

void Pathpro::Text4_Change()
{
    setPaletteColour(Text5, QPalette::Base, baseColour(Text4));
}

void Pathpro::Check1_Click()
{
    m_extendedMode = Check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

void Pathpro::Button3_Click()
{
    const Language language(Sprache->currentText());
    if (const auto warning = pick(language, texts::BrowseWarning))
        m_form1.prompts().ask({*warning, str(texts::AppTitle), PromptIcon::Warning, {PromptButton::Ok}});
    FileDialogRequest request;
    request.title = pickOrEmpty(language, texts::BrowseTitle);
    request.folder = m_form1.deps().dialogFolder();
    request.filter = browseFilter();
    // A cancel is no error here: it leaves the path empty.
    Text1->setText(m_form1.prompts().openFile(request).value_or(QString()));
}

void Pathpro::Button1_Click()
{
    ScxIniValues values;
    values.spreadsheetPath = Text1->text();
    values.port = text3->currentText();
    values.language = Sprache->currentText();
    values.foreColour = Fore->value();
    values.backColour = Back->value();
    values.extendedMode = m_extendedMode;
    const QString path = QDir(m_form1.deps().programDir).filePath(str(texts::SettingsFileName));
    // The settings are written before the working file is closed: a failed
    // write then leaves the program exactly as it was, recording on.
    const QString error = writeScxIni(path, values);
    if (!error.isEmpty()) {
        const QString text = pick(m_language, texts::SettingsSaveError)
                                 .value_or(str(texts::SettingsSaveErrorNone))
                                 .arg(QDir::toNativeSeparators(path), error);
        m_form1.prompts().ask({text, str(texts::AppTitle), PromptIcon::Warning, {PromptButton::Ok}});
        return;
    }
    m_form1.CloseWorkFile();
    // The new copy must not find this one still holding the single-instance place.
    if (SingleInstance *instance = m_form1.deps().instance)
        instance->release();
    if (!startProgramCopy(m_form1.deps().executablePath, m_form1.deps().currentDir)) {
        // Ending now would leave the user with no program at all: this copy
        // takes its place back and records on, the new settings wait for the
        // next start.
        if (SingleInstance *instance = m_form1.deps().instance)
            instance->claim();
        m_form1.ReopenWorkFile();
        const QString text = pick(m_language, texts::RestartFailed)
                                 .value_or(str(texts::RestartFailedNone))
                                 .arg(QDir::toNativeSeparators(path),
                                      QDir::toNativeSeparators(m_form1.deps().executablePath));
        m_form1.prompts().ask({text, str(texts::AppTitle), PromptIcon::Warning, {PromptButton::Ok}});
        return;
    }
    m_form1.EndProgram();
}

void Pathpro::Button2_Click()
{
    hide();
}

} // namespace zkd
