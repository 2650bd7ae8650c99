#include "app/BarMeter.h"
#include "app/Form1.h"
#include "app/InputPanel.h"
#include "app/PictureButton.h"
#include "app/ScaleLabel.h"
#include "app/StatusPanel.h"
#include "files/ui/FilePrompts.h"
#include "serial/ui/CommPrompts.h"
#include "serial/ui/PortDrain.h"
#include "util/Clock.h"
#include "util/Prompts.h"
#include "util/Texts.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>

namespace zkd {

void Form1::closePort()
{
    // Bytes the line has already delivered are processed, not dropped with the port.
    m_run.collectPending();
    comm().setPortOpen(false);
}

void Form1::MOpen_Click()
{
    m_run.collectPending();
    const auto error = comm().setPortOpen(!comm().PortOpen());
    if (error)
        prompts().ask(warning(*error));
    else if (comm().PortOpen())
        m_deviceLost = false;
    MOpen->setChecked(comm().PortOpen());
    StatusBar->refresh();
}

void Form1::MSettings_Click() {}

void Form1::appendToTerm(const QString &text)
{
    m_table.append(text);
    syncTerm();
}

void Form1::SSCommand2_Click()
{
    // What the line has delivered before this command belongs to the run it
    // came in: recorded and shown before the displays are cleared.
    m_run.collectPending();
    refreshDisplay();
    const Language &lang = m_globals.language;
    const QString timeLabel = pickOrEmpty(lang, texts::StartLineTime);
    const QString dateLabel = pickOrEmpty(lang, texts::StartLineDate);
    Image1->hide();
    Image2->show();

    unloadGraph();
    m_run.sendStopByte();
    m_globals.Inp1Line = QStringLiteral("INP1");
    m_globals.Inp2Line.clear();
    m_globals.Sr1Line.clear();
    m_globals.Sr2Line.clear();
    Label9->setText(QString());
    Label10->setText(QString());
    Label5->clear();
    Label6->clear();
    Text1_0->clear();
    Text1_1->clear();
    clearRecordDisplays();
    Text2->setReadOnly(false);
    m_run.startHeaderTimer();

    const QString date = clock().shortDate();
    MOpen_Click();
    if (!comm().PortOpen()) {
        clearLateArrivals();
        MPort->menuAction()->setVisible(true);
        Button2->show();
        StatusBar->runEnded();
        AskSaveAfterStop();
    } else {
        MPort->menuAction()->setVisible(false);
        m_run.begin();
        Button2->hide();
        Text2->setReadOnly(true);
        m_globals.Inp1Line.clear();
        Label9->setText(QString());
        Label10->setText(QString());
        StatusBar->runStarted();
        appendToTerm(timeLabel + clock().timeText() + dateLabel + date);
    }
    if (!comm().PortOpen() && WorkFileNumber() == 0)
        appendToTerm(dateLabel);
    appendToTerm(QStringLiteral("\r\n"));
}

void Form1::clearRecordDisplays()
{
    // The value boxes, the table and the meters, in the order the stop clears them.
    for (QLineEdit *box : {Text8, Text9, Text10, Text11, Text12, Text13})
        box->clear();
    m_table.clear();
    syncTerm();
    Bar1->setLevel(0);
    Bar2->setLevel(0);
    Secunden->clear();
}

void Form1::clearLateArrivals()
{
    // The few bytes that came while the stop cleared the displays and closed
    // the port are in the working file; the displays stay empty after a stop.
    if (m_table.text().isEmpty())
        return;
    m_refresh->cancel();
    clearRecordDisplays();
    Image1->hide();
    Image2->show();
}

void Form1::Timer1_Timer()
{
    KopfLesen_Click();
    Timer1->stop();
}

bool Form1::timerActive() const
{
    return Timer1->isActive();
}

void Form1::MSComm1_OnComm()
{
    const CommEventCode event = comm().CommEvent();
    if (event == CommEventCode::Receive) {
        ProcessReceived(comm().ReadAvailable());
        return;
    }
    const auto message = commEventPrompt(event, comm().portName());
    if (!message)
        return;
    prompts().beep();
    if (prompts().ask(*message) == PromptButton::Cancel)
        closePort();
    if (event == CommEventCode::DeviceLost && !comm().PortOpen())
        endRunAfterDeviceLoss();
}

void Form1::endRunAfterDeviceLoss()
{
    // Nothing more can arrive: the run ends as after a stop, so what was
    // received can be saved, and a new Start opens the device again once it is back.
    m_deviceLost = true;
    StatusBar->runEnded();
    unloadGraph();
    Timer1->stop();
    MOpen->setChecked(false);
    Image1->hide();
    Image2->show();
    MPort->menuAction()->setVisible(true);
    Button2->show();
    Text2->setReadOnly(false);
    AskSaveAfterStop();
}

void Form1::ProcessReceived(const QByteArray &chunk)
{
    pipeline().setCheck1(Check1->isChecked());
    const BatchResult result = m_run.read(chunk);
    const bool dataSeen = m_table.receive(chunk);
    StatusBar->countReceived(chunk);
    if (dataSeen && Image1->isHidden()) {
        Image1->show();
        Image2->hide();
    }
    m_run.record(result);
    if (result.beeps > 0)
        prompts().beep();
    m_refresh->changed(comm());
}

void Form1::refreshDisplay()
{
    if (!m_refresh->take())
        return;
    syncTerm();
    applyDisplay();
}

void Form1::SplitLine()
{
    // The pipeline splits each completed line once (and counts the beeps of
    // the chunks that find no line); this shows its words.
    lstPopStrings->clear();
    lstPopStrings->addItems(pipeline().words());
}

void Form1::applyDisplay()
{
    if (pipeline().linesCompleted() != m_linesShown) {
        m_linesShown = pipeline().linesCompleted();
        txtPopStr->setText(pipeline().lastLine());
        SplitLine();
    }
    const RecordDisplay &d = pipeline().display();
    if (Secunden->text() != d.value(RecordLine::Value::Time))
        Secunden->setText(d.value(RecordLine::Value::Time));
    Input1->showRecord(d);
    Input2->showRecord(d);
}

void Form1::Term_DblClick()
{
    m_table.clear();
    syncTerm();
}

void Form1::Text2_DblClick()
{
    Text2->clear();
}

bool Form1::DrainAndClosePort()
{
    if (!waitUntilSent(comm(), clock(), prompts()))
        return false;
    closePort();
    return true;
}

} // namespace zkd
