#include "SerialDeviceLine.h"

#include <utility>

namespace zkd::sim {

SerialDeviceLine::SerialDeviceLine(QString path, int baud, QObject *parent)
    : Line(parent), m_path(std::move(path)), m_baud(baud)
{
    connect(&m_port, &QSerialPort::readyRead, this, [this] { emit received(m_port.readAll()); });
    connect(&m_port, &QSerialPort::bytesWritten, this, &SerialDeviceLine::onBytesWritten);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialDeviceLine::onError);
}

std::optional<QString> SerialDeviceLine::open()
{
    m_port.setPortName(m_path);
    if (!m_port.open(QIODevice::ReadWrite))
        return QStringLiteral("cannot open %1: %2").arg(m_path, m_port.errorString());
    const bool configured = (m_baud == 0 || m_port.setBaudRate(m_baud)) && m_port.setDataBits(QSerialPort::Data8)
        && m_port.setParity(QSerialPort::NoParity) && m_port.setStopBits(QSerialPort::OneStop)
        && m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        const QString error = QStringLiteral("cannot configure %1: %2").arg(m_path, m_port.errorString());
        m_port.close();
        return error;
    }
    return std::nullopt;
}

QString SerialDeviceLine::describe() const
{
    return m_path;
}

bool SerialDeviceLine::readerPresent() const
{
    return m_port.isOpen();
}

qint64 SerialDeviceLine::writeSome(const char *data, qint64 size)
{
    const qint64 room = kQueueLimit - m_port.bytesToWrite();
    const qint64 count = qMin(room, size);
    if (count <= 0)
        return 0;
    const qint64 taken = m_port.write(data, count);
    if (taken <= 0)
        return 0;
    m_inFlight.append(data, static_cast<int>(taken));
    return taken;
}

void SerialDeviceLine::onBytesWritten(qint64 count)
{
    const qint64 done = qMin(count, static_cast<qint64>(m_inFlight.size()));
    emit transmitted(m_inFlight.left(static_cast<int>(done)));
    m_inFlight.remove(0, static_cast<int>(done));
    emit writable();
}

void SerialDeviceLine::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::ResourceError)
        emit failed(QStringLiteral("%1: %2").arg(m_path, m_port.errorString()));
}

qint64 SerialDeviceLine::unreadBytes()
{
    return m_port.bytesToWrite();
}

} // namespace zkd::sim
