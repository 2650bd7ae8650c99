#pragma once

#include <QObject>

class QSocketNotifier;
class QTimer;

namespace zkd::record {

// Turns SIGINT and SIGTERM into a Qt signal on the event loop, so that a run
// ends through its normal steps (stop byte, port closed, file saved). Nothing
// but the kernel's bookkeeping happens when the signal arrives: on Linux the
// signals are blocked and read from a signalfd; elsewhere the handler only
// sets a flag that a timer looks at.
class SignalNotifier : public QObject
{
    Q_OBJECT

public:
    // Call first in main, before any thread exists: every thread must block
    // the signals so that none is delivered past the signalfd.
    static void blockTermination();

    explicit SignalNotifier(QObject *parent = nullptr);
    ~SignalNotifier() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void onActivated();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_poll = nullptr;
};

} // namespace zkd::record
