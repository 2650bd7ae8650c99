#include "SignalNotifier.h"

#include <QSocketNotifier>
#include <QTimer>

#include <csignal>

#ifdef Q_OS_LINUX
#include <sys/signalfd.h>
#include <unistd.h>
#endif

namespace zkd::record {
namespace {

#ifdef Q_OS_LINUX
sigset_t terminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}
#else
constexpr int kPollMs = 100;
volatile std::sig_atomic_t g_caught = 0;

extern "C" void onTermination(int signalNumber)
{
    g_caught = signalNumber;
}
#endif

} // namespace

void SignalNotifier::blockTermination()
{
#ifdef Q_OS_LINUX
    const sigset_t set = terminationSignals();
    ::sigprocmask(SIG_BLOCK, &set, nullptr);
#endif
}

SignalNotifier::SignalNotifier(QObject *parent) : QObject(parent)
{
#ifdef Q_OS_LINUX
    const sigset_t set = terminationSignals();
    m_fd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0) {
        // Without the descriptor the signals would stay blocked for good: let
        // them end the program the default way instead.
        ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalNotifier::onActivated);
#else
    std::signal(SIGINT, onTermination);
    std::signal(SIGTERM, onTermination);
    m_poll = new QTimer(this);
    connect(m_poll, &QTimer::timeout, this, &SignalNotifier::onActivated);
    m_poll->start(kPollMs);
#endif
}

SignalNotifier::~SignalNotifier()
{
#ifdef Q_OS_LINUX
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

void SignalNotifier::onActivated()
{
#ifdef Q_OS_LINUX
    signalfd_siginfo info{};
    while (::read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        emit terminationRequested(static_cast<int>(info.ssi_signo));
#else
    if (const int caught = g_caught) {
        g_caught = 0;
        emit terminationRequested(caught);
    }
#endif
}

} // namespace zkd::record
