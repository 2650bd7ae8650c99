#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

namespace zkd {

class MSComm1;

// When the window shows what arrived: at most ten times a second, at once
// when the last refresh is a period old, else with the next read of a busy
// line whose reads are held, or when the timer runs out. A faster table
// scrolls by more than a screenful between two looks anyway, and each
// refresh lays out and paints the table's new lines and the value boxes.
class RefreshSchedule : public QObject
{
    Q_OBJECT
public:
    RefreshSchedule(std::function<void()> refresh, QObject *parent);

    // Something arrived on `comm`'s line: refreshes now or schedules it.
    void changed(const MSComm1 &comm);
    // True, once, when a refresh is due; the next period starts now.
    bool take();
    // What was to be shown is gone.
    void cancel();

private:
    static constexpr std::chrono::milliseconds kRefreshPeriod{100};
    // A refresh this close to due runs with the bytes at hand rather than
    // waking the window again a moment later.
    static constexpr std::chrono::milliseconds kRefreshSlack{5};

    std::function<void()> m_refresh;
    QTimer *m_timer;
    QElapsedTimer m_since;
    bool m_pending = false;
};

} // namespace zkd
