#pragma once

#include "util/Clock.h"

namespace zkd::test {

// A clock the test sets: fixed time of day and date, monotonic time advanced by hand
// (or following the real one when `followReal` is set).
class FixedClock final : public IClock
{
public:
    QTime time{14, 3, 22};
    QString date = QStringLiteral("08.12.2026");
    qint64 monotonic = 0;
    bool followReal = true;

    QTime timeOfDay() const override { return time; }
    QString shortDate() const override { return date; }
    qint64 monotonicMs() const override { return followReal ? m_real.monotonicMs() + monotonic : monotonic; }

private:
    SystemClock m_real;
};

} // namespace zkd::test
