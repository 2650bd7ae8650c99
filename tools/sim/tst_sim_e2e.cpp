#include <QtTest>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <memory>

#include <unistd.h>

// Runs the built simulator on its own pseudo-terminal and talks to it through
// the link, the way the recorder does.

namespace {

constexpr char kStart = 2;
constexpr char kStop = 3;
constexpr int kStartupMs = 10000;
const QByteArray kCrLf = "\r\n";

QList<QByteArray> fieldsOf(const QByteArray &line)
{
    QList<QByteArray> fields = line.trimmed().split(' ');
    fields.removeAll(QByteArray());
    return fields;
}

QByteArray fileContent(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// CPU time (user + system) of a process in seconds, from /proc.
double cpuSeconds(qint64 pid)
{
    const QByteArray stat = fileContent(QStringLiteral("/proc/%1/stat").arg(pid));
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    // After the command name: state is field 3, utime field 14, stime field 15.
    constexpr int kUtime = 14 - 3;
    constexpr int kStime = 15 - 3;
    if (fields.size() <= kStime)
        return -1.0;
    return (fields.at(kUtime).toDouble() + fields.at(kStime).toDouble()) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

class Sim
{
public:
    explicit Sim(const QTemporaryDir &dir, const QString &name = QStringLiteral("ttySim"))
        : m_link(dir.filePath(name)), m_sentLog(dir.filePath(name + QStringLiteral(".sent"))),
          m_receivedLog(dir.filePath(name + QStringLiteral(".received")))
    {}

    ~Sim()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    // Starts the simulator and waits for its first line and the link.
    bool start(const QStringList &options)
    {
        m_process.setProgram(QStringLiteral(ZKD_SIM_EXECUTABLE));
        m_process.setArguments(options
                               + QStringList{QStringLiteral("--link"), m_link, QStringLiteral("--log-sent"), m_sentLog,
                                             QStringLiteral("--log-received"), m_receivedLog,
                                             QStringLiteral("--quiet")});
        m_process.start();
        if (!m_process.waitForStarted(kStartupMs))
            return false;
        QDeadlineTimer deadline(kStartupMs);
        while (!m_process.canReadLine() && !deadline.hasExpired())
            m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        m_firstLine = m_process.readLine().trimmed();
        return QFileInfo(m_link).isSymLink();
    }

    QProcess &process() { return m_process; }
    QString link() const { return m_link; }
    QByteArray firstLine() const { return m_firstLine; }
    QByteArray sent() const { return fileContent(m_sentLog); }
    QByteArray received() const { return fileContent(m_receivedLog); }

private:
    QString m_link;
    QString m_sentLog;
    QString m_receivedLog;
    QProcess m_process;
    QByteArray m_firstLine;
};

// The recorder's side of the line.
class Port
{
public:
    bool open(const QString &path)
    {
        m_port.setPortName(path);
        return m_port.open(QIODevice::ReadWrite);
    }

    void send(char byte)
    {
        m_port.write(&byte, 1);
        m_port.waitForBytesWritten(1000);
    }

    // Everything that arrives within the time.
    QByteArray readFor(int ms)
    {
        QByteArray data;
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            m_port.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
            data += m_port.readAll();
        }
        return data;
    }

    // Reads until the data holds the given number of CR LF line ends.
    QByteArray readLines(int lines, int timeoutMs)
    {
        QByteArray data;
        QDeadlineTimer deadline(timeoutMs);
        while (data.count(kCrLf) < lines && !deadline.hasExpired()) {
            m_port.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
            data += m_port.readAll();
        }
        return data;
    }

    // Takes what the port has already read and closes it.
    QByteArray close()
    {
        const QByteArray rest = m_port.readAll();
        m_port.close();
        return rest;
    }

private:
    QSerialPort m_port;
};

} // namespace

class TestSimEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void headerRecordsStopAndRestart();
    void pacingFollowsBaud();
    void recordsLimitThenExit();
    void noHeaderStartsWithRecord();
    void silentSendsNothingAndSigintRemovesLink();
    void replaySendsFileAsItStands();
    void garbageIsReproducible();
    void readerLeavingAndComingBack_data();
    void readerLeavingAndComingBack();
    void stalledReaderDoesNotBlock();
};

void TestSimEndToEnd::headerRecordsStopAndRestart()
{
    QTemporaryDir dir;
    Sim sim(dir);
    QVERIFY(sim.start({"--interval", "50", "--baud", "19200", "--overflow", "2"}));
    QVERIFY2(QRegularExpression(QStringLiteral("^zkd735-sim: /dev/\\S+ -> "))
                 .match(QString::fromLatin1(sim.firstLine()))
                 .hasMatch(),
             sim.firstLine().constData());
    QVERIFY(sim.firstLine().endsWith(sim.link().toLocal8Bit()));

    Port port;
    QVERIFY(port.open(sim.link()));
    port.send('A');
    port.send(kStop);
    QVERIFY2(port.readFor(200).isEmpty(), "the instrument talks before the start byte");
    port.send(kStart);
    QByteArray all = port.readLines(8, 5000);
    const QList<QByteArray> lines = all.split('\n');
    QVERIFY2(lines.size() >= 8, all.constData());
    QCOMPARE(lines.mid(0, 5),
             (QList<QByteArray>{"INP1 = bar\r", "SR1 =  5\r", "INP2 = degrC\r", "SR2 =  0\r", "Pri = 1\r"}));
    double previousTime = -1.0;
    for (int i = 5; i < 8; ++i) {
        const QList<QByteArray> fields = fieldsOf(lines.at(i));
        QCOMPARE(fields.size(), 7);
        QVERIFY(lines.at(i).endsWith('\r'));
        QVERIFY(fields.at(0).toDouble() >= previousTime);
        previousTime = fields.at(0).toDouble();
    }
    QCOMPARE(fieldsOf(lines.at(5)).at(0), QByteArray("0.0"));
    QCOMPARE(fieldsOf(lines.at(6)).at(1), QByteArray("*Ovl*"));

    port.send(kStop);
    all += port.readFor(300);
    QVERIFY2(port.readFor(600).isEmpty(), "data after the stop byte");
    QCOMPARE(sim.sent(), all);
    QCOMPARE(sim.received(), QByteArray("A\x03\x02\x03"));

    port.send(kStart);
    const QByteArray again = port.readLines(6, 5000);
    QVERIFY2(again.startsWith("INP1 = bar\r\nSR1 =  5\r\n"), again.constData());
    QCOMPARE(fieldsOf(again.split('\n').at(5)).value(0), QByteArray("0.0"));

    sim.process().terminate();
    QVERIFY(sim.process().waitForFinished(5000));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo(sim.link()).isSymLink());
}

void TestSimEndToEnd::pacingFollowsBaud()
{
    QTemporaryDir dir;
    Sim slow(dir, QStringLiteral("ttySlow"));
    Sim fast(dir, QStringLiteral("ttyFast"));
    QVERIFY(slow.start({"--interval", "0", "--baud", "2400", "--no-header"}));
    QVERIFY(fast.start({"--interval", "0", "--baud", "0", "--no-header"}));
    Port slowPort;
    Port fastPort;
    QVERIFY(slowPort.open(slow.link()));
    QVERIFY(fastPort.open(fast.link()));

    QElapsedTimer clock;
    clock.start();
    slowPort.send(kStart);
    const QByteArray slowData = slowPort.readFor(1500);
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    // 2400 baud carries 240 bytes a second; a slice may run ahead by up to 24.
    QVERIFY2(slowData.size() <= 240.0 * seconds + 24.0, qPrintable(QString::number(slowData.size())));
    QVERIFY2(slowData.size() >= 120, qPrintable(QString::number(slowData.size())));

    fastPort.send(kStart);
    const QByteArray fastData = fastPort.readFor(1000);
    QVERIFY2(fastData.size() > 10 * slowData.size(), qPrintable(QString::number(fastData.size())));
    QVERIFY(fastData.contains(kCrLf));
}

void TestSimEndToEnd::recordsLimitThenExit()
{
    QTemporaryDir dir;
    Sim sim(dir);
    QVERIFY(sim.start({"--interval", "20", "--baud", "9600", "--records", "3", "--exit-after-stop", "--code1", "47",
                       "--unit2", "degrF"}));
    Port port;
    QVERIFY(port.open(sim.link()));
    port.send(kStart);
    QByteArray data = port.readLines(8, 5000);
    QVERIFY(sim.process().waitForFinished(5000));
    data += port.close();
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo(sim.link()).isSymLink());

    QCOMPARE(data.count(kCrLf), 5 + 3);
    QVERIFY(data.endsWith(kCrLf));
    QVERIFY(data.startsWith("INP1 = bar\r\nSR1 = 47\r\nINP2 = degrF\r\n"));
    QCOMPARE(sim.sent(), data);
}

void TestSimEndToEnd::noHeaderStartsWithRecord()
{
    QTemporaryDir dir;
    Sim sim(dir);
    QVERIFY(sim.start({"--interval", "20", "--baud", "0", "--no-header", "--wave", "square"}));
    Port port;
    QVERIFY(port.open(sim.link()));
    port.send(kStart);
    const QList<QByteArray> lines = port.readLines(2, 5000).split('\n');
    QVERIFY(lines.size() >= 2);
    QCOMPARE(fieldsOf(lines.at(0)).size(), 7);
    QCOMPARE(fieldsOf(lines.at(0)).at(0), QByteArray("0.0"));
}

void TestSimEndToEnd::silentSendsNothingAndSigintRemovesLink()
{
    QTemporaryDir dir;
    Sim sim(dir);
    QVERIFY(sim.start({"--interval", "20", "--baud", "0", "--silent"}));
    Port port;
    QVERIFY(port.open(sim.link()));
    port.send(kStart);
    QVERIFY(port.readFor(500).isEmpty());
    QCOMPARE(sim.received(), QByteArray("\x02"));

    ::kill(static_cast<pid_t>(sim.process().processId()), SIGINT);
    QVERIFY(sim.process().waitForFinished(5000));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo(sim.link()).isSymLink());
}

void TestSimEndToEnd::replaySendsFileAsItStands()
{
    QTemporaryDir dir;
    QByteArray content("INP1 = bar\r\nPri\r\n 1.0 *Ovl*\x08\t;\r");
    for (int byte = 0; byte < 256; ++byte)
        content.append(static_cast<char>(byte));
    const QString replay = dir.filePath(QStringLiteral("replay.bin"));
    QFile file(replay);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    Sim sim(dir);
    QVERIFY(sim.start({"--replay", replay, "--baud", "38400", "--exit-after-stop"}));
    Port port;
    QVERIFY(port.open(sim.link()));
    port.send(kStart);
    QByteArray data;
    QDeadlineTimer deadline(5000);
    while (data.size() < content.size() && !deadline.hasExpired())
        data += port.readFor(50);
    QVERIFY(sim.process().waitForFinished(5000));
    data += port.close();
    QCOMPARE(data, content);
    QCOMPARE(sim.sent(), content);
}

void TestSimEndToEnd::garbageIsReproducible()
{
    QTemporaryDir dir;
    int runs = 0;
    const auto run = [&dir, &runs](const QString &seed, QByteArray &data) {
        Sim sim(dir, QStringLiteral("ttyGarbage%1").arg(++runs));
        QVERIFY(sim.start(
            {"--garbage", "--seed", seed, "--records", "20", "--interval", "0", "--baud", "0", "--exit-after-stop"}));
        Port port;
        QVERIFY(port.open(sim.link()));
        port.send(kStart);
        QDeadlineTimer deadline(5000);
        bool finished = false;
        while (!finished && !deadline.hasExpired()) {
            data += port.readFor(20);
            finished = sim.process().waitForFinished(20);
        }
        QVERIFY(finished);
        data += port.close();
        QCOMPARE(sim.sent(), data);
    };
    QByteArray first;
    QByteArray second;
    QByteArray other;
    run(QStringLiteral("5"), first);
    run(QStringLiteral("5"), second);
    run(QStringLiteral("6"), other);
    QVERIFY(first.size() >= 20);
    QCOMPARE(second, first);
    QVERIFY(other != first);
    QVERIFY(first.contains('\0') || first.contains('\b') || first.contains('\t') || first.contains('\r'));
}

void TestSimEndToEnd::readerLeavingAndComingBack_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("paced") << QStringList{"--interval", "20", "--baud", "19200"};
    QTest::newRow("unpaced, no interval") << QStringList{"--interval", "0", "--baud", "0"};
}

void TestSimEndToEnd::readerLeavingAndComingBack()
{
    QFETCH(QStringList, options);
    QTemporaryDir dir;
    Sim sim(dir);
    QVERIFY(sim.start(options));
    const qint64 pid = sim.process().processId();

    auto port = std::make_unique<Port>();
    QVERIFY(port->open(sim.link()));
    port->send(kStart);
    QByteArray seen = port->readLines(8, 5000);
    // Stop reading for a while, so the port closes with bytes still in the line.
    QThread::msleep(300);
    seen += port->close();
    port.reset();

    // Nobody has the line open now: the simulator keeps running but must idle.
    QTest::qWait(300);
    const double cpuBefore = cpuSeconds(pid);
    QTest::qWait(1000);
    const double cpuUsed = cpuSeconds(pid) - cpuBefore;
    QVERIFY2(cpuBefore >= 0.0 && cpuUsed < 0.15, qPrintable(QString::number(cpuUsed)));
    // What the closed port never read is not counted as sent.
    QCOMPARE(sim.sent(), seen);

    port = std::make_unique<Port>();
    QVERIFY(port->open(sim.link()));
    const QByteArray later = port->readLines(3, 5000);
    const QList<QByteArray> lines = later.split('\n');
    QVERIFY2(lines.size() >= 3, later.constData());
    // Nothing left over from before: the first line is a whole record, later in time.
    const QList<QByteArray> first = fieldsOf(lines.at(0));
    QCOMPARE(first.size(), 7);
    const QList<QByteArray> seenLines = seen.split('\n');
    const double lastSeenTime = fieldsOf(seenLines.at(seenLines.size() - 2)).at(0).toDouble();
    QVERIFY(first.at(0).toDouble() > lastSeenTime + 0.5);
    port->send(kStop);
    const QByteArray rest = later + port->readFor(300);
    QCOMPARE(sim.sent(), seen + rest);
    QCOMPARE(sim.received(), QByteArray("\x02\x03"));
}

void TestSimEndToEnd::stalledReaderDoesNotBlock()
{
    QTemporaryDir dir;
    Sim sim(dir);
    QVERIFY(sim.start({"--interval", "0", "--baud", "0"}));
    Port port;
    QVERIFY(port.open(sim.link()));
    port.send(kStart);
    // The line fills up while nobody reads; the simulator must still hear the stop.
    QThread::msleep(700);
    port.send(kStop);
    QTest::qWait(300);
    const QByteArray data = port.readFor(1000);
    QVERIFY(data.size() > 1000);
    QVERIFY2(port.readFor(300).isEmpty(), "data after the stop byte");
    QCOMPARE(sim.sent(), data);

    QElapsedTimer clock;
    clock.start();
    sim.process().terminate();
    QVERIFY(sim.process().waitForFinished(5000));
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(sim.process().exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestSimEndToEnd)
#include "tst_sim_e2e.moc"
