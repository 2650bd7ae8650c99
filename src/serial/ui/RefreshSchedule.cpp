#include "serial/ui/RefreshSchedule.h"

#include "serial/MSComm1.h"

#include <algorithm>

namespace zkd {

RefreshSchedule::RefreshSchedule(std::function<void()> refresh, QObject *parent)
    : QObject(parent), m_refresh(std::move(refresh)), m_timer(new QTimer(this))
{
    m_timer->setInterval(kRefreshPeriod);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { m_refresh(); });
}

void RefreshSchedule::changed(const MSComm1 &comm)
{
    m_pending = true;
    const qint64 since = m_since.isValid() ? m_since.elapsed() : kRefreshPeriod.count();
    // Inside a burst the rest of it is read first.
    if (since >= (kRefreshPeriod - kRefreshSlack).count() && !comm.moreWaiting()) {
        m_refresh();
        return;
    }
    // The first change after a refresh starts the timer; later ones ride along.
    if (!m_timer->isActive())
        m_timer->start(std::max(std::chrono::milliseconds(0), kRefreshPeriod - std::chrono::milliseconds(since)));
}

bool RefreshSchedule::take()
{
    if (!m_pending)
        return false;
    m_pending = false;
    m_timer->stop();
    m_since.start();
    return true;
}

void RefreshSchedule::cancel()
{
    m_pending = false;
    m_timer->stop();
}

} // namespace zkd
