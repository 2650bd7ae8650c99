#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <chrono>
#include <optional>

class QSocketNotifier;

namespace zkd {

// Event codes of the serial component, as the reception handler sorts them.
enum class CommEventCode : int {
    None = 0,
    Send = 1,
    Receive = 2,
    Cts = 3,
    Dsr = 4,
    CarrierDetect = 5,
    Ring = 6,
    EndOfFile = 7,
    Break = 1001,
    CtsTimeout = 1002,
    DsrTimeout = 1003,
    Frame = 1004,
    Overrun = 1006,
    CarrierDetectTimeout = 1007,
    RxOver = 1008,
    RxParity = 1009,
    TxFull = 1010,
    Dcb = 1011,
    // The device went away (an unplugged adapter, the other end of a line closed).
    DeviceLost = 1100,
};

// The message the reception handler shows for an event, or nothing for the
// events it ignores (received characters, line changes, framing and parity).
std::optional<QString> commEventMessage(CommEventCode code);

struct SerialSettings
{
    qint32 baudRate = 2400;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// "baud,parity,data,stop" as the settings string gives it, e.g. "9600,n,8,1".
// Empty when the text has no valid baud rate or a field is not understood.
std::optional<SerialSettings> parseSerialSettings(const QString &text);

// Port numbers the serial link takes: COM1 to COM255 on Windows, /dev/ttyS0
// to /dev/ttyS254 elsewhere. It refuses every other number (0 included).
inline constexpr int kFirstCommPort = 1;
inline constexpr int kLastCommPort = 255;
// The port the link uses until it is given another.
inline constexpr int kBuiltInCommPort = 1;
bool isCommPortNumber(int number);

// Port number n is "COMn" on Windows and "/dev/ttyS(n-1)" elsewhere.
QString portNameFromNumber(int number);

// The port line of scx.ini. A line that does not begin with a digit (blanks in
// front allowed) is a device path and is used as it stands. Any other line is
// a port number, converted as every number of the file: its leading number
// rounded to a whole number, halves to even ("2.5" gives 2, an empty line 0).
// Empty when that number is one the serial link refuses.
std::optional<QString> portNameFromSetting(const QString &line2);

// How often the recorders read a busy line (see MSComm1::setReadPacing). A
// serial line holds 4 KiB unread; beyond that the system throttles it, and a
// USB adapter without flow control loses what its own small buffer cannot
// hold. So a read never waits longer than the line takes to bring half of
// that (kReadHoldBytes): a read that comes late by as long again still finds
// room. That shortens the period at the fastest line only: 921,600 baud
// brings 2 KiB in 22 ms and fills the 4 KiB in 44 ms. Do not raise either.
inline constexpr std::chrono::milliseconds kBusyLineReadPeriod{33};
inline constexpr qint64 kReadHoldBytes = 2048;

// The serial component the main window owns. Received bytes are announced by
// OnComm with CommEvent() == Receive; the handler takes them with Input() (one
// character) or ReadAvailable() (everything waiting, processed one character
// at a time by the receiver). Errors arrive as OnComm with an error code.
class MSComm1 : public QObject
{
    Q_OBJECT
public:
    explicit MSComm1(QObject *parent = nullptr);
    ~MSComm1() override;

    // Refuses a number the link cannot use and keeps the previous port.
    bool setCommPort(int number);
    void setPortName(const QString &name);
    QString portName() const { return m_portName; }

    // Refuses a text without a valid baud rate and keeps the previous settings.
    bool setSettings(const QString &text);
    QString settings() const;
    const SerialSettings &serialSettings() const { return m_settings; }

    bool PortOpen() const;
    // Opens or closes the port; the error text when that failed.
    std::optional<QString> setPortOpen(bool open);

    // Sends the text as 8-bit bytes; fails silently when the port is closed.
    bool Output(const QByteArray &bytes);

    QByteArray Input();         // one waiting character, empty when none
    QByteArray ReadAvailable(); // every waiting character
    CommEventCode CommEvent() const { return m_event; }
    // Takes up what the system has received but not yet announced; the bytes
    // are announced through OnComm before this returns.
    void collectPending();
    qint64 OutBufferCount() const;
    bool waitForBytesWritten(int msecs);

    QSerialPort *port() { return &m_port; }

    // A busy line is read at most once a `period`: once bytes arrive again
    // within a period of the last read, the next read waits until the period
    // has passed, and takes everything that came meanwhile in one piece. The
    // bytes wait in the system's buffer of the line, which holds at least twice
    // what the line brings in a period (readPeriod). A quiet line is read the
    // moment bytes arrive. 0 (the default) reads every arrival at once.
    void setReadPacing(std::chrono::milliseconds period);
    // The last read left bytes waiting in the system's buffer: more of the
    // same burst follows at once.
    bool moreWaiting() const { return m_moreWaiting; }
    // The period a busy line is read at: the pacing, shortened at a line fast
    // enough to bring more than kReadHoldBytes in it. 0 when reads are not paced.
    std::chrono::milliseconds readPeriod() const;

signals:
    void OnComm();

private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void raise(CommEventCode code);
    void paceReads(qsizetype bytes);
    QSocketNotifier *readNotifier();

    QSerialPort m_port;
    QString m_portName;
    SerialSettings m_settings;
    CommEventCode m_event = CommEventCode::None;
    bool m_deviceLostReported = false;
    std::chrono::milliseconds m_readPacing{0};
    bool m_moreWaiting = false;
    QElapsedTimer m_sinceRead;
    QElapsedTimer m_rateSpan;
    qint64 m_rateBytes = 0;
    bool m_outpaced = false;
    QTimer m_readPause;
    QPointer<QSocketNotifier> m_heldNotifier;
};

} // namespace zkd
