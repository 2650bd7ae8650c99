#include "serial/MSComm1.h"

#include "util/Numbers.h"
#include "util/Texts.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <QStringList>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#endif

namespace zkd {
namespace {
// What waits behind a read for the burst to count as going on.
constexpr int kBurstRestBytes = 1024;
// Twice what the fastest serial line brings (921,600 baud, 8N1). A line that
// delivers more (a pseudo-terminal with a backlog behind it) is read on at
// once: a serial line hands over up to 4 KiB a read, 124 KB/s at one read a
// period, so pausing never holds back a real line.
constexpr qint64 kFasterThanAnyLine = 2 * qint64{92160};
constexpr int kCloseFlushMs = 500;
} // namespace

std::optional<QString> commEventMessage(CommEventCode code)
{
    switch (code) {
    case CommEventCode::CtsTimeout: return str(texts::CtsTimeout);
    case CommEventCode::DsrTimeout: return str(texts::DsrTimeout);
    case CommEventCode::Overrun: return str(texts::OverrunError);
    case CommEventCode::None:
    case CommEventCode::Send:
    case CommEventCode::Receive:
    case CommEventCode::Cts:
    case CommEventCode::Dsr:
    case CommEventCode::CarrierDetect:
    case CommEventCode::Ring:
    case CommEventCode::EndOfFile:
    case CommEventCode::Break:
    case CommEventCode::Frame:
    case CommEventCode::RxOver:
    case CommEventCode::RxParity:
    case CommEventCode::CarrierDetectTimeout: return std::nullopt;
    case CommEventCode::TxFull:
    case CommEventCode::Dcb:
    case CommEventCode::DeviceLost: break;
    }
    return str(texts::UnknownCommError);
}

std::optional<SerialSettings> parseSerialSettings(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    SerialSettings s;
    bool ok = false;
    const QString baud = parts[0].trimmed();
    s.baudRate = baud.toInt(&ok);
    // Qt's toInt stops at an embedded NUL and calls that a number; a damaged
    // settings line must not pass for a baud rate.
    if (!ok || s.baudRate <= 0 || baud.startsWith(QLatin1Char('+')) || baud.contains(QChar(u'\0')))
        return std::nullopt;

    const QString parity = parts[1].trimmed().toLower();
    if (parity == QLatin1String("n"))
        s.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("e"))
        s.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("o"))
        s.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("m"))
        s.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("s"))
        s.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;

    const QString data = parts[2].trimmed();
    if (data == QLatin1String("5"))
        s.dataBits = QSerialPort::Data5;
    else if (data == QLatin1String("6"))
        s.dataBits = QSerialPort::Data6;
    else if (data == QLatin1String("7"))
        s.dataBits = QSerialPort::Data7;
    else if (data == QLatin1String("8"))
        s.dataBits = QSerialPort::Data8;
    else
        return std::nullopt;

    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        s.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return s;
}

bool isCommPortNumber(int number)
{
    return number >= kFirstCommPort && number <= kLastCommPort;
}

QString portNameFromNumber(int number)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

std::optional<QString> portNameFromSetting(const QString &line2)
{
    QString text = line2.trimmed();
    if (!text.isEmpty() && (text[0] < QLatin1Char('0') || text[0] > QLatin1Char('9')))
        return text;
    const auto number = roundToInt16(leadingNumber(text));
    if (!number || !isCommPortNumber(*number))
        return std::nullopt;
    return portNameFromNumber(*number);
}

MSComm1::MSComm1(QObject *parent) : QObject(parent)
{
    // Enough for several seconds at the fastest line the instrument offers.
    m_port.setReadBufferSize(0);
    connect(&m_port, &QSerialPort::readyRead, this, &MSComm1::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &MSComm1::onError);
    m_portName = portNameFromNumber(kBuiltInCommPort);
    m_readPause.setSingleShot(true);
    m_readPause.setTimerType(Qt::PreciseTimer);
    connect(&m_readPause, &QTimer::timeout, this, [this] {
        if (m_heldNotifier && m_port.isOpen())
            m_heldNotifier->setEnabled(true);
        m_heldNotifier = nullptr;
    });
}

MSComm1::~MSComm1()
{
    if (m_port.isOpen())
        m_port.close();
}

bool MSComm1::setCommPort(int number)
{
    if (!isCommPortNumber(number))
        return false;
    m_portName = portNameFromNumber(number);
    return true;
}

void MSComm1::setPortName(const QString &name)
{
    m_portName = name;
}

bool MSComm1::setSettings(const QString &text)
{
    const auto parsed = parseSerialSettings(text);
    if (!parsed)
        return false;
    m_settings = *parsed;
    if (m_port.isOpen()) {
        m_port.setBaudRate(m_settings.baudRate);
        m_port.setParity(m_settings.parity);
        m_port.setDataBits(m_settings.dataBits);
        m_port.setStopBits(m_settings.stopBits);
    }
    return true;
}

QString MSComm1::settings() const
{
    QString parity = QStringLiteral("n");
    switch (m_settings.parity) {
    case QSerialPort::EvenParity: parity = QStringLiteral("e"); break;
    case QSerialPort::OddParity: parity = QStringLiteral("o"); break;
    case QSerialPort::MarkParity: parity = QStringLiteral("m"); break;
    case QSerialPort::SpaceParity: parity = QStringLiteral("s"); break;
    default: break;
    }
    const QString stop = m_settings.stopBits == QSerialPort::TwoStop ? QStringLiteral("2")
        : m_settings.stopBits == QSerialPort::OneAndHalfStop         ? QStringLiteral("1.5")
                                                                     : QStringLiteral("1");
    return QStringLiteral("%1,%2,%3,%4").arg(m_settings.baudRate).arg(parity).arg(int(m_settings.dataBits)).arg(stop);
}

bool MSComm1::PortOpen() const
{
    return m_port.isOpen();
}

std::optional<QString> MSComm1::setPortOpen(bool open)
{
    if (open == m_port.isOpen())
        return open ? std::optional<QString>(QStringLiteral("Port already open")) : std::nullopt;
    if (!open) {
        // The stop byte may still wait in our buffer: it must leave before the close.
        if (m_port.bytesToWrite() > 0)
            m_port.waitForBytesWritten(kCloseFlushMs);
        m_readPause.stop();
        m_heldNotifier = nullptr;
        m_sinceRead.invalidate();
        m_rateSpan.invalidate();
        m_rateBytes = 0;
        m_outpaced = false;
        m_port.close();
        return std::nullopt;
    }
    m_port.setPortName(m_portName);
    m_deviceLostReported = false;
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QString reason = m_port.errorString();
        m_port.clearError();
        return QStringLiteral("%1: %2").arg(m_portName, reason);
    }
    m_port.setBaudRate(m_settings.baudRate);
    m_port.setParity(m_settings.parity);
    m_port.setDataBits(m_settings.dataBits);
    m_port.setStopBits(m_settings.stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    return std::nullopt;
}

bool MSComm1::Output(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return false;
    const bool written = m_port.write(bytes) == bytes.size();
    m_port.flush();
    return written;
}

QByteArray MSComm1::Input()
{
    if (!m_port.isOpen())
        return {};
    return m_port.read(1);
}

QByteArray MSComm1::ReadAvailable()
{
    if (!m_port.isOpen())
        return {};
    QByteArray bytes = m_port.readAll();
    // A burst goes on while more than a trickle waits behind what was read:
    // the next read comes at once.
    m_moreWaiting = false;
    if (!bytes.isEmpty()) {
#ifdef Q_OS_UNIX
        int waiting = 0;
        if (::ioctl(static_cast<int>(m_port.handle()), FIONREAD, &waiting) == 0 && waiting >= kBurstRestBytes)
            m_moreWaiting = true;
#endif
        paceReads(bytes.size());
    }
    return bytes;
}

void MSComm1::setReadPacing(std::chrono::milliseconds period)
{
    m_readPacing = period;
}

std::chrono::milliseconds MSComm1::readPeriod() const
{
    // Ten bits a character (start, eight data bits, stop) is the shortest
    // character, so the fastest the line brings bytes.
    const qint64 bytesPerSecond = std::max<qint64>(1, m_settings.baudRate / 10);
    const std::chrono::milliseconds filling{std::max<qint64>(1, kReadHoldBytes * 1000 / bytesPerSecond)};
    return std::min(m_readPacing, filling);
}

QSocketNotifier *MSComm1::readNotifier()
{
    // The port watches its descriptor with a read notifier of its own (on
    // Unix); where there is none, every arrival is read at once.
    const auto notifiers = m_port.findChildren<QSocketNotifier *>(Qt::FindDirectChildrenOnly);
    for (QSocketNotifier *notifier : notifiers) {
        if (notifier->type() == QSocketNotifier::Read)
            return notifier;
    }
    return nullptr;
}

void MSComm1::paceReads(qsizetype bytes)
{
    const std::chrono::milliseconds period = readPeriod();
    // The line's rate over spans of two periods or more.
    m_rateBytes += bytes;
    if (!m_rateSpan.isValid()) {
        m_rateSpan.start();
    } else if (m_rateSpan.elapsed() >= 2 * period.count()) {
        m_outpaced = m_rateBytes * 1000 > kFasterThanAnyLine * m_rateSpan.elapsed();
        m_rateBytes = 0;
        m_rateSpan.start();
    }
    // Reads inside one burst follow each other at once. The read that empties
    // the system's buffer counts: when the one before it was less than two
    // periods ago, the line is busy and the next read waits a period, unless
    // the line brings bytes faster than any serial line delivers them.
    if (period.count() <= 0 || m_moreWaiting)
        return;
    const bool busy = m_sinceRead.isValid() && m_sinceRead.elapsed() < 2 * period.count();
    m_sinceRead.start();
    if (!busy || m_outpaced || m_readPause.isActive())
        return;
    QSocketNotifier *notifier = readNotifier();
    if (!notifier)
        return;
    notifier->setEnabled(false);
    m_heldNotifier = notifier;
    m_readPause.start(period);
}

void MSComm1::collectPending()
{
    if (m_port.isOpen())
        m_port.waitForReadyRead(0);
    if (m_port.isOpen() && m_port.bytesAvailable() > 0)
        raise(CommEventCode::Receive);
}

qint64 MSComm1::OutBufferCount() const
{
    return m_port.isOpen() ? m_port.bytesToWrite() : 0;
}

bool MSComm1::waitForBytesWritten(int msecs)
{
    return m_port.isOpen() && m_port.waitForBytesWritten(msecs);
}

void MSComm1::onReadyRead()
{
    raise(CommEventCode::Receive);
}

void MSComm1::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
    case QSerialPort::NotOpenError:
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
        // Open failures are reported by setPortOpen; timeouts come from our own waits.
        return;
    default: break;
    }
    m_port.clearError();
    const bool gone = error == QSerialPort::ResourceError
        || (m_portName.startsWith(QLatin1Char('/')) && !QFileInfo::exists(m_portName));
    if (!gone) {
        raise(CommEventCode::TxFull);
        return;
    }
    // A vanished device keeps failing; one report per opening is enough.
    if (m_deviceLostReported)
        return;
    m_deviceLostReported = true;
    // The device is gone: keeping it open only repeats the failure.
    m_port.close();
    raise(CommEventCode::DeviceLost);
}

void MSComm1::raise(CommEventCode code)
{
    m_event = code;
    emit OnComm();
    m_event = CommEventCode::None;
}

} // namespace zkd
