#pragma once

#include "Line.h"

#include <QSerialPort>

namespace zkd::sim {

// An existing serial device (a real port or one side of a socat pair).
class SerialDeviceLine : public Line
{
    Q_OBJECT

public:
    // Bytes handed to the port and not yet written by it; more is refused, so
    // the pacing stays with the caller.
    static constexpr qint64 kQueueLimit = 64;

    // baud 0 leaves the device's speed as it is.
    SerialDeviceLine(QString path, int baud, QObject *parent = nullptr);

    std::optional<QString> open() override;
    QString describe() const override;
    bool readerPresent() const override;
    qint64 writeSome(const char *data, qint64 size) override;
    qint64 unreadBytes() override;

private:
    void onBytesWritten(qint64 count);
    void onError(QSerialPort::SerialPortError error);

    QString m_path;
    int m_baud;
    QSerialPort m_port;
    QByteArray m_inFlight;
};

} // namespace zkd::sim
