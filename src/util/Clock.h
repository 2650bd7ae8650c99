#pragma once

#include <QDate>
#include <QString>
#include <QTime>

namespace zkd {

// Time of day, the short date and a monotonic millisecond count, so that tests
// can fix what the notes header and the start line show.
class IClock
{
public:
    virtual ~IClock() = default;
    virtual QTime timeOfDay() const = 0;
    virtual QString shortDate() const = 0;
    virtual qint64 monotonicMs() const = 0;

    // hh:mm:ss, 24-hour, whatever the regional settings say.
    QString timeText() const { return timeOfDay().toString(QStringLiteral("HH:mm:ss")); }
};

class SystemClock final : public IClock
{
public:
    SystemClock();
    QTime timeOfDay() const override;
    QString shortDate() const override;
    qint64 monotonicMs() const override;

private:
    qint64 m_origin;
};

} // namespace zkd
