#pragma once

#include "util/Language.h"

#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QScrollBar;

namespace zkd {

class Form1;
class PictureButton;

// Starts a new copy of the program in `workingFolder` and does not wait for
// it. False when it could not be started.
bool startProgramCopy(const QString &executable, const QString &workingFolder);

// The user settings dialog: spreadsheet program, serial port, language and
// the colours of the data windows. Its save writes scx.ini and restarts.
//
// The values are read from scx.ini in the current folder at the first
// showing only; leaving hides the dialog, so a later showing presents the
// values as the user left them.
class Pathpro : public QWidget
{
    Q_OBJECT
public:
    explicit Pathpro(Form1 &form1, QWidget *parent = nullptr);

    void showDialog();
    bool isLoaded() const { return m_loaded; }
    // "1" while Check1 is ticked, else "0": what line 8 of scx.ini receives.
    const QString &ExtendedMode() const { return m_extendedMode; }

    void Form_Load();
    void Button1_Click();
    void Button2_Click();
    void Button3_Click();
    void Fore_Change();
    void Back_Change();
    void Check1_Click();
    void Text2_Change();
    void Text4_Change();

    QLineEdit *Text1 = nullptr;
    PictureButton *Button3 = nullptr;
    QCheckBox *Check1 = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *text3 = nullptr;
    QLabel *Label3 = nullptr;
    QComboBox *Sprache = nullptr;
    QLabel *Label4 = nullptr;
    QScrollBar *Fore = nullptr;
    QScrollBar *Back = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text4 = nullptr;
    QLineEdit *Text5 = nullptr;
    QLabel *Label5 = nullptr;
    PictureButton *Button1 = nullptr;
    PictureButton *Button2 = nullptr;

private:
    void buildControls();
    void readSettingsFile();
    void applyLanguageTexts();

    Form1 &m_form1;
    bool m_loaded = false;
    QString m_extendedMode = QStringLiteral("0");
    // The language of the dialog's own texts, fixed at the first showing.
    Language m_language;
    QFrame *m_pathFrame = nullptr;
};

} // namespace zkd
