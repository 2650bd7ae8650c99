#pragma once

#include "util/Language.h"
#include "util/StatusFormat.h"

#include <QByteArray>
#include <QStatusBar>
#include <functional>
#include <optional>

class QLabel;
class QTimer;

namespace zkd {

class IClock;

// The main window's status bar: port and settings, the state of the line,
// the lines and bytes of the current run, its duration and the free space
// where the working file lies. It reads the window's state once a second (and
// when told to), never per received byte.
class StatusPanel : public QStatusBar
{
    Q_OBJECT
public:
    // What the window reports on each refresh.
    struct State
    {
        QString port;
        QString settings;
        bool portOpen = false;
        QString workFolder;
    };
    using StateSource = std::function<State()>;
    using FreeSpaceQuery = std::function<std::optional<qint64>(const QString &folder)>;

    StatusPanel(const IClock &clock, StateSource source, QWidget *parent = nullptr);

    void setLanguage(const Language &language);
    // Replaces the free-space look-up (tests script it).
    void setFreeSpaceQuery(FreeSpaceQuery query) { m_freeSpace = std::move(query); }

    // A run starts now: counters from zero, the clock running.
    void runStarted();
    // The run has ended: the figures stay as they are until the next start.
    void runEnded();
    // What the line delivered during the run: its bytes, and its lines as the
    // instrument ends them (CR). Outside a run the figures stay.
    void countReceived(const QByteArray &chunk)
    {
        if (!m_recording)
            return;
        m_bytes += quint64(chunk.size());
        m_lines += quint64(chunk.count('\r'));
    }
    bool recording() const { return m_recording; }

    // Reads the window's state and shows it.
    void refresh();

private:
    QLabel *addField(const char *name);

    const IClock &m_clock;
    StateSource m_source;
    FreeSpaceQuery m_freeSpace;
    Language m_language;
    status::LowSpaceWatch m_lowSpace;
    QTimer *m_timer = nullptr;
    QLabel *m_port = nullptr;
    QLabel *m_state = nullptr;
    QLabel *m_counts = nullptr;
    QLabel *m_elapsed = nullptr;
    QLabel *m_free = nullptr;
    bool m_recording = false;
    bool m_hasRun = false;
    qint64 m_startedMs = 0;
    qint64 m_endedMs = 0;
    quint64 m_lines = 0;
    quint64 m_bytes = 0;
};

} // namespace zkd
