#include "app/MainCommands.h"

#include "app/Form1.h"
#include "app/PictureButton.h"
#include "util/Texts.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

namespace zkd {
namespace {

// A double-click on the table or the notes, and a click on the activity
// picture, run their handlers.
class ClickHandlers : public QObject
{
public:
    explicit ClickHandlers(Form1 &form) : QObject(&form), m_form(form) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick) {
            if (watched == m_form.Term->viewport()) {
                m_form.Term_DblClick();
                return true;
            }
            if (watched == m_form.Text2->viewport()) {
                m_form.Text2_DblClick();
                return true;
            }
        }
        if (event->type() == QEvent::MouseButtonRelease && watched == m_form.Image1) {
            m_form.Image1_Click();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Form1 &m_form;
};

void buildMenus(Form1 &form)
{
    const auto action = [&form](QMenu *menu, const char *name, const char16_t *caption, void (Form1::*handler)()) {
        auto *a = menu->addAction(str(caption));
        a->setObjectName(QString::fromLatin1(name));
        QObject::connect(a, &QAction::triggered, &form, handler);
        return a;
    };
    form.Dateien = form.menuBar()->addMenu(str(texts::MenuFile));
    form.Dateien->setObjectName(QStringLiteral("Dateien"));
    form.SSCommand2 = action(form.Dateien, "SSCommand2", texts::MenuStartStop, &Form1::SSCommand2_Click);
    form.SScommand4 = action(form.Dateien, "SScommand4", texts::MenuSave, &Form1::SScommand4_Click);
    form.SScommand3 = action(form.Dateien, "SScommand3", texts::MenuOpen, &Form1::SScommand3_Click);
    form.cmdstart = action(form.Dateien, "cmdstart", texts::MenuExportExcel, &Form1::cmdstart_Click);
    form.SSCommand6 = action(form.Dateien, "SSCommand6", texts::MenuExportNotepad, &Form1::SSCommand6_Click);
    form.Dateien->addSeparator();
    form.MRecover = action(form.Dateien, "MRecover", texts::MenuRecover.en, &Form1::MRecover_Click);
    form.MRecover->setEnabled(false);
    QObject::connect(form.Dateien, &QMenu::aboutToShow, &form, &Form1::updateRecoverItem);
    form.Dateien->addSeparator();
    form.SSCommand1 = action(form.Dateien, "SSCommand1", texts::MenuExit, &Form1::SSCommand1_Click);

    form.MPort = form.menuBar()->addMenu(str(texts::MenuSettings));
    form.MPort->setObjectName(QStringLiteral("MPort"));
    form.Path = action(form.MPort, "Path", texts::MenuUserSettings, &Form1::Path_Click);
    form.MOpen = action(form.MPort, "MOpen", texts::MenuPortOpen, &Form1::MOpen_Click);
    form.MOpen->setCheckable(true);
    form.MSettings = action(form.MPort, "MSettings", texts::MenuComSettings, &Form1::MSettings_Click);

    form.info = form.menuBar()->addAction(str(texts::MenuInfo));
    form.info->setObjectName(QStringLiteral("info"));
    QObject::connect(form.info, &QAction::triggered, &form, &Form1::info_Click);
    form.Help = form.menuBar()->addAction(str(texts::MenuHelp));
    form.Help->setObjectName(QStringLiteral("Help"));
    QObject::connect(form.Help, &QAction::triggered, &form, &Form1::Help_Click);

    // As built: Open and the port items hidden and off; Start / Stop greyed
    // (form.Button1 starts and stops); the two exports greyed until a save.
    form.SScommand3->setVisible(false);
    form.SScommand3->setEnabled(false);
    form.MOpen->setVisible(false);
    form.MOpen->setEnabled(false);
    form.MSettings->setVisible(false);
    form.MSettings->setEnabled(false);
    form.SSCommand2->setEnabled(false);
    form.cmdstart->setEnabled(false);
    form.SSCommand6->setEnabled(false);
}

void buildShortcuts(Form1 &form)
{
    const auto shortcut = [&form](const QKeySequence &keys, QWidget *button, void (Form1::*handler)()) {
        auto *s = new QShortcut(keys, &form);
        s->setContext(Qt::WindowShortcut);
        QObject::connect(s, &QShortcut::activated, &form, [&form, button, handler] {
            if (!button->isHidden())
                (form.*handler)();
        });
    };
    shortcut(QKeySequence(Qt::Key_F5), form.Button1, &Form1::SSCommand2_Click);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), form.Button2, &Form1::SScommand4_Click);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_O), form.Button3, &Form1::SScommand3_Click);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_D), form.Button4, &Form1::Button4_Click);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), form.Button5, &Form1::SSCommand1_Click);
}

} // namespace

void buildCommands(Form1 &form)
{
    QObject::connect(form.KopfLesen, &QPushButton::clicked, &form, &Form1::KopfLesen_Click);
    QObject::connect(form.Sensorwahl, &QPushButton::clicked, &form, &Form1::Sensorwahl_Click);
    QObject::connect(form.Check1, &QCheckBox::toggled, &form, [&form](bool on) { form.pipeline().setCheck1(on); });
    QObject::connect(form.Button1, &QToolButton::clicked, &form, &Form1::SSCommand2_Click);
    QObject::connect(form.Button2, &QToolButton::clicked, &form, &Form1::SScommand4_Click);
    QObject::connect(form.Button3, &QToolButton::clicked, &form, &Form1::SScommand3_Click);
    QObject::connect(form.Button4, &QToolButton::clicked, &form, &Form1::Button4_Click);
    QObject::connect(form.Button5, &QToolButton::clicked, &form, &Form1::SSCommand1_Click);
    buildMenus(form);
    buildShortcuts(form);
    auto *clicks = new ClickHandlers(form);
    form.Image1->installEventFilter(clicks);
    form.Term->viewport()->installEventFilter(clicks);
    form.Text2->viewport()->installEventFilter(clicks);
}

} // namespace zkd
