#include "util/Clock.h"

#include <QDateTime>
#include <QLocale>

#include <chrono>

namespace zkd {
namespace {
qint64 steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

SystemClock::SystemClock() : m_origin(steadyMs()) {}

QTime SystemClock::timeOfDay() const
{
    return QTime::currentTime();
}

QString SystemClock::shortDate() const
{
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

qint64 SystemClock::monotonicMs() const
{
    return steadyMs() - m_origin;
}

} // namespace zkd
