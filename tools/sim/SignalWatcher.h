#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

namespace zkd::sim {

// Turns the given POSIX signals into a Qt signal on the event loop, so that
// the program can leave through its normal clean-up (the link is removed).
// One instance per program.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~SignalWatcher() override;

signals:
    void caught(int signalNumber);

private:
    void onReadable();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace zkd::sim
