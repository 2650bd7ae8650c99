#pragma once

#include "app/FormDeps.h"
#include "app/Globals.h"
#include "app/MainControls.h"
#include "files/ui/Form2.h"
#include "graph/Graph.h"
#include "settings/ui/Pathpro.h"
#include "serial/RecordingRun.h"
#include "serial/ui/LiveTable.h"
#include "serial/ui/RefreshSchedule.h"
#include "serial/ui/TermView.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <cstdint>

namespace zkd {

class IClock;
class IPrompts;

// The main window: owns the serial link, the live table, the value displays,
// the working file and the run state. Its handlers keep the names the program
// is described with; each subsystem folder defines its own handlers.
class Form1 : public QMainWindow, public MainControls
{
    Q_OBJECT
public:
    using Deps = FormDeps;

    explicit Form1(const Deps &deps, QWidget *parent = nullptr);
    ~Form1() override;

    // Runs the start-up steps up to showing. False when another copy runs
    // and this one must end without showing a window.
    bool startUp();

    // ---- start-up, window, shutdown -----------------------------------------
    // False when another copy runs (it was asked to come forward).
    bool Form_Load();
    void DisableXbutton();
    bool ActivatePrevInstance();
    void ApplyLanguageTexts();
    // A leftover recording is kept to recover at start-up; after the user
    // answered No to the save question, the run is thrown away.
    enum class ResetKind { StartUp, Discard };
    void ResetWorkFile(ResetKind kind = ResetKind::StartUp);
    void CloseWorkFile();
    // Opens the working file again for appending, keeping what it holds, when
    // it is closed; reports a failure to open it.
    void ReopenWorkFile();
    void Form_Unload(std::int16_t &cancel);
    void info_Click();
    void Help_Click();
    void Path_Click();
    void Button4_Click();
    // Ends the program at once, without unload steps.
    void EndProgram();

    // ---- serial link, run, reception, record processing ----------------------
    void MOpen_Click();
    void MSettings_Click();
    void SSCommand2_Click();
    void Timer1_Timer();
    void MSComm1_OnComm();
    void ProcessReceived(const QByteArray &chunk);
    // Shows in the live table, the value boxes, the meters and the marks what
    // the received bytes have changed, if anything. ProcessReceived runs it at
    // most ten times a second however the bytes arrive; whatever reads those
    // controls calls it first.
    void refreshDisplay();
    void SplitLine();
    void Term_DblClick();
    void Text2_DblClick();
    // Waits for the transmit buffer to empty, then closes the port. False when
    // the user chose Abort: the port stays open.
    bool DrainAndClosePort();
    // Processes what has arrived, then closes the serial port.
    void closePort();

    // ---- measurement files ----------------------------------------------------
    void SScommand4_Click();
    void SScommand3_Click();
    void cmdstart_Click();
    void SSCommand6_Click();
    void EnableExport();
    void AskSaveAfterStop();
    void SSCommand1_Click();
    // Stores the recording kept as "Senso.bak" through the Save dialog.
    void MRecover_Click();
    // MRecover on exactly while "Senso.bak" holds a recording.
    void updateRecoverItem();

    // ---- sensor configuration and graph ---------------------------------------
    void KopfLesen_Click();
    void Sensorwahl_Click();
    void Image1_Click();
    // The graph window, created (hidden, running its load steps) on first use.
    Graph *graph();
    Graph *existingGraph() const { return m_graph; }
    void unloadGraph();
    Form2 *form2();
    Form2 *existingForm2() const { return m_form2; }
    Pathpro *pathpro();

    // ---- state the handlers share -------------------------------------------------
    Globals &globals() { return m_globals; }
    const Globals &globals() const { return m_globals; }
    MSComm1 &comm() { return m_run.comm(); }
    RecordPipeline &pipeline() { return m_run.pipeline(); }
    IPrompts &prompts() const { return *m_deps.prompts; }
    IClock &clock() const { return *m_deps.clock; }
    const Deps &deps() const { return m_deps; }
    QString workFilePath() const;
    std::int16_t WorkFileNumber() const;
    std::int16_t UnsavedLength() const { return m_table.unsavedLength(); }
    const QString &SavedFileName() const { return m_savedFileName; }
    bool timerActive() const;
    // The live table's text as the program keeps it (line ends as CR LF).
    QString termText() const { return m_table.text(); }

signals:
    // Emitted when the program ends itself (Exit, restart); the application quits.
    void programEnded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Says in the status bar, once after start-up, that a kept recording can be recovered.
    void announceRecoverable();
    void applySettingsFile();
    void syncTerm() { m_termView.sync(m_table, *Term); }
    void applyDisplay();
    void clearRecordDisplays();
    // Empties the table and the value displays again when bytes came in
    // while a stop closed the port.
    void clearLateArrivals();
    void endRunAfterDeviceLoss();
    void appendToTerm(const QString &text);
    QString notesText() const;
    // Asks whether to try a failed write of the working file again.
    bool retryWrite(const QString &error);
    enum class SaveOutcome { Cancelled, Saved, Failed };
    SaveOutcome saveMeasurement();
    // Hands `argument` to `program` and waits until it has ended, with
    // cmdstart off meanwhile; false when nothing could be started or handed
    // to the desktop.
    bool runExternal(const QString &program, const QString &argument);
    // Hands the file just saved to `program`, or says `missingMessage` when
    // there is none.
    void exportSaved(const QString &program, const QString &missingMessage);

    Deps m_deps;
    Globals m_globals;
    RecordingRun m_run;
    LiveTable m_table;
    QString m_workFileName;
    QString m_savedFileName;
    QString m_pendingError;
    QString m_headerLineBuffer;
    QString m_spreadsheetPath;
    QString m_openDialogTitle;
    std::int16_t m_sensorIniValue = 0;
    bool m_closing = false;
    // The line's device went away and the port has not been opened since.
    bool m_deviceLost = false;
    bool m_sessionEnding = false;
    TermView m_termView;
    quint64 m_linesShown = 0;
    RefreshSchedule *m_refresh = nullptr;
    QPointer<Graph> m_graph;
    QPointer<Form2> m_form2;
    QPointer<Pathpro> m_pathpro;
};

} // namespace zkd
