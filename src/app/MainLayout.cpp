#include "app/MainLayout.h"

#include "app/CachedWidgets.h"
#include "app/Form1.h"
#include "app/Icons.h"
#include "app/InputPanel.h"
#include "app/PictureButton.h"
#include "app/StatusPanel.h"
#include "util/Texts.h"

#include <QAction>
#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zkd {

void setTextColours(QWidget *widget, std::optional<QColor> text, std::optional<QColor> background)
{
    QPalette pal = widget->palette();
    if (text)
        pal.setColor(QPalette::Text, *text);
    if (background)
        pal.setColor(QPalette::Base, *background);
    widget->setPalette(pal);
}

void layOutMainWindow(Form1 &form)
{
    auto *central = new QWidget(&form);
    form.setCentralWidget(central);
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
    makeButton(form.Button1, "Button1", Picture::StartStop, texts::TipButton1);
    makeButton(form.Button2, "Button2", Picture::Save, texts::TipButton2);
    makeButton(form.Button3, "Button3", Picture::Open, texts::TipButton3);
    makeButton(form.Button4, "Button4", Picture::Delete, texts::TipButton4);
    toolbar->addSpacing(12);
    makeButton(form.Button5, "Button5", Picture::Exit, texts::TipButton5);
    toolbar->addStretch(1);

    form.Image1 = new QLabel(central);
    form.Image1->setObjectName(QStringLiteral("Image1"));
    form.Image1->setPixmap(drawPicture(Picture::Activity, 36, false));
    form.Image1->setCursor(Qt::PointingHandCursor);
    form.Image2 = new QLabel(central);
    form.Image2->setObjectName(QStringLiteral("Image2"));
    form.Image2->setPixmap(drawPicture(Picture::Idle, 36, false));
    form.Image1->hide();
    toolbar->addWidget(form.Image1);
    toolbar->addWidget(form.Image2);
    toolbar->addSpacing(10);
    form.Secunden = valueBox(central, "Secunden", Qt::black, QColor(255, 255, 255), 12);
    form.Secunden->setFixedWidth(110);
    toolbar->addWidget(captionLabel(str(texts::TimeCaption), central, form.Secunden));
    toolbar->addWidget(form.Secunden);
    root->addLayout(toolbar);

    // The two inputs side by side, the row centred on a wide window.
    auto *inputs = new QHBoxLayout;
    inputs->addStretch(0);
    inputs->setSpacing(10);
    auto *in1 = new InputPanel(1, QColor(0, 0, 192), central);
    inputs->addWidget(in1, 1);
    auto *in2 = new InputPanel(2, QColor(192, 0, 0), central);
    inputs->addWidget(in2, 1);
    form.Input1 = in1;
    form.Input2 = in2;
    form.Label5 = in1->header;
    form.Text8 = in1->act;
    form.Text9 = in1->max;
    form.Text10 = in1->min;
    form.Bar1 = in1->bar;
    form.Label9 = in1->scale;
    form.Label7 = in1->overflow;
    form.Label6 = in2->header;
    form.Text11 = in2->act;
    form.Text12 = in2->max;
    form.Text13 = in2->min;
    form.Bar2 = in2->bar;
    form.Label10 = in2->scale;
    form.Label8 = in2->overflow;
    inputs->addStretch(0);
    root->addLayout(inputs);

    form.Label11 = new QLabel(central);
    form.Label11->setObjectName(QStringLiteral("Label11"));
    form.Label11->setTextFormat(Qt::PlainText);
    form.Label11->setStyleSheet(QStringLiteral("color: #444;"));
    root->addWidget(form.Label11);

    // The live table under its column header.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // The table holds plain instrument lines: laid out without text shaping,
    // which costs more than anything else in showing them.
    fixed.setStyleStrategy(QFont::PreferNoShaping);
    form.Label1 = new QLabel(central);
    form.Label1->setObjectName(QStringLiteral("Label1"));
    form.Label1->setFont(fixed);
    form.Label1->setStyleSheet(QStringLiteral("QLabel { background: #202020; color: #c8ffc8; padding: 2px 4px; }"));
    root->addWidget(form.Label1);
    form.Term = new QPlainTextEdit(central);
    form.Term->setObjectName(QStringLiteral("Term"));
    form.Term->setFont(fixed);
    form.Term->setReadOnly(true);
    form.Term->setUndoRedoEnabled(false);
    form.Term->setLineWrapMode(QPlainTextEdit::NoWrap);
    form.Term->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    form.Term->setMinimumHeight(80);
    form.Term->setVerticalScrollBar(new CachedScrollBar(Qt::Vertical, form.Term));
    setTextColours(form.Term, QColor(0, 255, 0), QColor(0, 0, 0));
    // Room the window gains goes to the table and the notes, four to one; the
    // input panels keep their height.
    root->addWidget(form.Term, 4);

    // The notes of this measurement.
    form.Label2 = new QLabel(str(texts::NotesCaption), central);
    form.Label2->setObjectName(QStringLiteral("Label2"));
    root->addWidget(form.Label2);
    form.Text2 = new QPlainTextEdit(central);
    form.Text2->setObjectName(QStringLiteral("Text2"));
    form.Text2->setUndoRedoEnabled(true);
    form.Text2->setTabChangesFocus(true);
    form.Text2->setMinimumHeight(36);
    root->addWidget(form.Text2, 1);

    // Hidden helpers the handlers keep their values in.
    auto *hidden = new QWidget(central);
    hidden->hide();
    form.KopfLesen = new QPushButton(str(texts::KopfLesenCaption), hidden);
    form.KopfLesen->setObjectName(QStringLiteral("KopfLesen"));
    form.Sensorwahl = new QPushButton(str(texts::SensorButton), hidden);
    form.Sensorwahl->setObjectName(QStringLiteral("Sensorwahl"));
    form.txtPopStr = new QLineEdit(hidden);
    form.txtPopStr->setObjectName(QStringLiteral("txtPopStr"));
    // It takes every record line unseen: laid out without text shaping.
    QFont unshaped = form.txtPopStr->font();
    unshaped.setStyleStrategy(QFont::PreferNoShaping);
    form.txtPopStr->setFont(unshaped);
    form.lstPopStrings = new QListWidget(hidden);
    form.lstPopStrings->setObjectName(QStringLiteral("lstPopStrings"));
    form.Text1_0 = new QLineEdit(str(texts::SensorField1Built), hidden);
    form.Text1_0->setObjectName(QStringLiteral("Text1_0"));
    form.Text1_1 = new QLineEdit(str(texts::SensorField2Built), hidden);
    form.Text1_1->setObjectName(QStringLiteral("Text1_1"));
    form.Check1 = new QCheckBox(hidden);
    form.Check1->setObjectName(QStringLiteral("Check1"));
    form.Check1->setChecked(true);

    form.resize(900, 700);
}

void setLanguageTexts(MainControls &controls, const Language &lang)
{
    const auto set = [&lang](const LangText &text, auto apply) {
        if (const auto value = pick(lang, text))
            apply(*value);
    };
    set(texts::LangLabel2, [&controls](const QString &t) { controls.Label2->setText(t); });
    set(texts::LangText2Tip, [&controls](const QString &t) { controls.Text2->setToolTip(t); });
    set(texts::LangMenuFile, [&controls](const QString &t) { controls.Dateien->setTitle(t); });
    set(texts::LangMenuSave, [&controls](const QString &t) { controls.SScommand4->setText(t); });
    set(texts::LangMenuOpen, [&controls](const QString &t) { controls.SScommand3->setText(t); });
    set(texts::LangMenuSettings, [&controls](const QString &t) { controls.MPort->setTitle(t); });
    set(texts::LangMenuUserSettings, [&controls](const QString &t) { controls.Path->setText(t); });
    set(texts::LangTipButton1, [&controls](const QString &t) { controls.Button1->setToolTip(t); });
    set(texts::LangTipButton2, [&controls](const QString &t) { controls.Button2->setToolTip(t); });
    set(texts::LangTipButton3, [&controls](const QString &t) { controls.Button3->setToolTip(t); });
    set(texts::LangTipButton5, [&controls](const QString &t) { controls.Button5->setToolTip(t); });
    set(texts::LangTipButton4, [&controls](const QString &t) { controls.Button4->setToolTip(t); });
}

void addStatusBar(Form1 &form)
{
    form.StatusBar = new StatusPanel(
        form.clock(),
        [&form] {
            MSComm1 &comm = form.comm();
            return StatusPanel::State{comm.portName(), comm.settings(), comm.PortOpen(), form.deps().currentDir};
        },
        &form);
    form.setStatusBar(form.StatusBar);
}

} // namespace zkd
