#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

namespace zkd::sim {

class Line;

// Sends bytes over the line at the pace of the simulated baud rate: one byte
// takes ten bit times (start bit, eight data bits, stop bit), written in small
// slices. A pseudo-terminal takes any amount at once, so without this the
// recorder would never see a slow line. Baud 0 writes as fast as the line
// takes it. What the line cannot take waits here; nothing ever blocks.
class Transmitter : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kDefaultSlicePeriod{20};
    static constexpr int kBitsPerByte = 10;
    // After a stall no more than this much line time is made up in one slice.
    static constexpr double kMaxCatchUpSeconds = 0.1;

    // A paced line writes what its baud rate allows once every `slice`.
    Transmitter(Line &line, int baud, std::chrono::milliseconds slice = kDefaultSlicePeriod, QObject *parent = nullptr);

    // Queues bytes for sending; drops them while nobody has the line open, as
    // a real line would lose them.
    void send(const QByteArray &bytes);
    bool idle() const;
    // Forgets what has not been written yet.
    void discardPending();

signals:
    // Everything queued has been written (or thrown away because the other
    // side closed the line).
    void drained();

private:
    bool paced() const;
    void startSlices();
    void pump();
    void onWritable();
    void onReaderGone();

    Line &m_line;
    double m_bytesPerSecond;
    std::chrono::milliseconds m_slicePeriod;
    QByteArray m_pending;
    double m_budget = 0.0;
    QElapsedTimer m_clock;
    QTimer m_slice;
    bool m_blocked = false;
};

} // namespace zkd::sim
