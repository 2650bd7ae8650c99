#pragma once

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace zkd {

class BarMeter;
class InputPanel;
class PictureButton;
class ScaleLabel;
class StatusPanel;

// The main window's controls, named as the program describes them. The
// window owns them; layOutMainWindow builds them, addStatusBar the status
// bar, and Timer1 is the run's header timer.
struct MainControls
{
    InputPanel *Input1 = nullptr;
    InputPanel *Input2 = nullptr;
    QPlainTextEdit *Term = nullptr;
    QPlainTextEdit *Text2 = nullptr;
    QLineEdit *Secunden = nullptr;
    QLineEdit *Text8 = nullptr;
    QLineEdit *Text9 = nullptr;
    QLineEdit *Text10 = nullptr;
    QLineEdit *Text11 = nullptr;
    QLineEdit *Text12 = nullptr;
    QLineEdit *Text13 = nullptr;
    QLineEdit *Text1_0 = nullptr;
    QLineEdit *Text1_1 = nullptr;
    QLineEdit *txtPopStr = nullptr;
    QListWidget *lstPopStrings = nullptr;
    QCheckBox *Check1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label8 = nullptr;
    ScaleLabel *Label9 = nullptr;
    ScaleLabel *Label10 = nullptr;
    QLabel *Label11 = nullptr;
    BarMeter *Bar1 = nullptr;
    BarMeter *Bar2 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    PictureButton *Button1 = nullptr;
    PictureButton *Button2 = nullptr;
    PictureButton *Button3 = nullptr;
    PictureButton *Button4 = nullptr;
    PictureButton *Button5 = nullptr;
    QPushButton *KopfLesen = nullptr;
    QPushButton *Sensorwahl = nullptr;
    QTimer *Timer1 = nullptr;
    StatusPanel *StatusBar = nullptr;
    QMenu *Dateien = nullptr;
    QMenu *MPort = nullptr;
    QAction *SSCommand2 = nullptr;
    QAction *SScommand4 = nullptr;
    QAction *SScommand3 = nullptr;
    QAction *cmdstart = nullptr;
    QAction *SSCommand6 = nullptr;
    QAction *SSCommand1 = nullptr;
    QAction *MRecover = nullptr;
    QAction *Path = nullptr;
    QAction *MOpen = nullptr;
    QAction *MSettings = nullptr;
    QAction *info = nullptr;
    QAction *Help = nullptr;
};

} // namespace zkd
