#pragma once

#include <QString>
#include <memory>

class QProcess;

namespace zkd {

// Starts one outside program with one argument and tells when it has ended.
// The caller sets both texts, calls Exec once, then polls IsTerminated,
// letting the user interface run between polls.
//
// The argument text is handed over as one argument, blanks and all, so a
// measurement file in a folder with blanks reaches the program whole. An empty
// argument text passes no argument.
//
// The program is a bare name looked up on the search path, or a path to the
// program file. The instance owns the started process: its resources are
// released as soon as IsTerminated sees it has ended, and destroying the
// instance while the program still runs ends that program, unless Detach let
// go of it first.
class clsProcess
{
public:
    clsProcess();
    ~clsProcess();
    clsProcess(const clsProcess &) = delete;
    clsProcess &operator=(const clsProcess &) = delete;

    void ProgramName(const QString &szName);
    void Arguments(const QString &szArg);

    // Starts the program and returns once it is running or has failed to
    // start; startFailed() tells which.
    void Exec();

    // True unless a started program is still running: true once it has ended,
    // and at once when it could not be started (or Exec was never called), so
    // a polling loop never waits for a program that is not there. Each call
    // blocks for at most kPollMs.
    bool IsTerminated();

    // Lets a program that still runs go on by itself after this instance and
    // the recorder have ended (a spreadsheet with the user's unsaved work must
    // not die with the recorder). IsTerminated is true from then on.
    void Detach();

    bool startFailed() const { return m_startFailed; }
    // Why the start failed, in the platform's words; empty otherwise.
    const QString &errorText() const { return m_errorText; }

    // Whether `name` names a program that can be started: an executable file
    // when it contains a folder separator, otherwise a program found on the
    // search path.
    static bool programExists(const QString &name);

    static constexpr int kPollMs = 10;

private:
    static QString resolveProgram(const QString &name);
    void release();

    QString m_program;
    QString m_arguments;
    std::unique_ptr<QProcess> m_process;
    bool m_startFailed = false;
    QString m_errorText;
};

} // namespace zkd
