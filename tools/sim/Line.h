#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

namespace zkd::sim {

// The simulator's end of the serial line. Writes never block: a line takes
// what it can and signals writable() when it can take more.
class Line : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kUnknown = -1;

    using QObject::QObject;
    ~Line() override;

    // Opens the line; the error text when that fails.
    virtual std::optional<QString> open() = 0;
    // What to tell the user about where to connect.
    virtual QString describe() const = 0;
    // Whether the other side has the line open. While it has not, nothing
    // written could reach it, so the caller does not write.
    virtual bool readerPresent() const = 0;
    // Hands up to size bytes to the line and returns how many it took; 0 when
    // it would block, and writable() follows once it can take more.
    virtual qint64 writeSome(const char *data, qint64 size) = 0;
    // Bytes handed to the line that the other side has not read yet, or
    // kUnknown.
    virtual qint64 unreadBytes() = 0;

signals:
    void received(const QByteArray &bytes);
    // Bytes that have left for the other side, in order. A line may announce
    // bytes just before it writes them (so that a log kept from this signal
    // never lacks a byte the other side got, even when the simulator is
    // killed between the two); it then takes back what it could not write
    // with untransmitted() at once.
    void transmitted(const QByteArray &bytes);
    // The last count bytes announced by transmitted() did not leave.
    void untransmitted(qint64 count);
    void writable();
    void readerGone();
    // After readerGone(): how many of the transmitted bytes the other side
    // never read and the line threw away (kUnknown if it could not tell).
    void unreadDiscarded(qint64 count);
    void readerBack();
    // The line is unusable from now on.
    void failed(const QString &reason);
};

} // namespace zkd::sim
