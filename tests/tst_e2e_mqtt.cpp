#include "SimulatorProcess.h"
#include "TestFiles.h"
#include "util/Codec8.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <pwd.h>
#include <unistd.h>
#include <map>
#include <memory>
#include <utility>

// Publishing recorders, a real Mosquitto broker and the collector: what the
// collector stores must be, byte for byte, what each recorder saved, through
// a broker that goes away in the middle of the runs; and a subscriber of
// another make (mosquitto_sub) reads every record as docs/mqtt.md describes it.

using zkd::test::binary;
using zkd::test::readFile;
using zkd::test::writeFile;

namespace {

constexpr int kStartupMs = 10000;
constexpr int kRunTimeoutMs = 60000;
constexpr int kOutageMs = 60000;
constexpr int kUnpublished = 6;
constexpr int kUsage = 2;

QString tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
}

bool run(const QString &program, const QStringList &arguments, const QString &folder = QString())
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    return process.waitForFinished(kStartupMs) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

int freePort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost) ? server.serverPort() : 0;
}

// Mosquitto on 127.0.0.1 at a free port with a configuration of its own; it
// keeps retained messages and sessions over a restart.
class Broker
{
public:
    bool start(const QString &folder, const QByteArray &extra = QByteArray())
    {
        if (port == 0)
            port = freePort();
        const QString config = QDir(folder).filePath(QStringLiteral("mosquitto.conf"));
        // Started as root, the broker would become the user "mosquitto" and lose the test's files.
        const passwd *self = ::getpwuid(::geteuid());
        const QByteArray text = "listener " + QByteArray::number(port) + " 127.0.0.1\n" + "user "
            + QByteArray(self ? self->pw_name : "root") + "\n"
            + (extra.isEmpty() ? QByteArray("allow_anonymous true\n") : extra)
            + "persistence true\npersistence_location " + folder.toLocal8Bit() + "/\n";
        if (!writeFile(config, text))
            return false;
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(tool("mosquitto"), {QStringLiteral("-c"), config});
        if (!m_process.waitForStarted(kStartupMs))
            return false;
        QDeadlineTimer deadline(kStartupMs);
        while (!deadline.hasExpired()) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, quint16(port));
            if (probe.waitForConnected(200))
                return true;
            QTest::qWait(50);
        }
        return false;
    }
    // By process id, with SIGTERM: the broker saves its state and leaves.
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(kStartupMs))
            m_process.kill();
        m_process.waitForFinished();
    }
    ~Broker() { stop(); }

    QString url(const char *scheme = "mqtt", const char *host = "127.0.0.1") const
    {
        return QStringLiteral("%1://%2:%3").arg(QLatin1String(scheme), QLatin1String(host)).arg(port);
    }

    // The retained message of each topic, by topic.
    std::map<QString, QJsonObject> retained(const QStringList &topics) const
    {
        QStringList arguments{QStringLiteral("-p"), QString::number(port),
                              QStringLiteral("-v"), QStringLiteral("--retained-only"),
                              QStringLiteral("-W"), QStringLiteral("1")};
        for (const QString &topic : topics)
            arguments << QStringLiteral("-t") << topic;
        QProcess sub;
        sub.start(tool("mosquitto_sub"), arguments);
        sub.waitForFinished(kStartupMs);
        std::map<QString, QJsonObject> messages;
        for (const QByteArray &line : sub.readAllStandardOutput().split('\n')) {
            const qsizetype blank = line.indexOf(' ');
            if (blank > 0)
                messages[QString::fromUtf8(line.left(blank))] = QJsonDocument::fromJson(line.mid(blank + 1)).object();
        }
        return messages;
    }

    int port = 0;

private:
    QProcess m_process;
};

// A program of ours run in the background, its messages collected.
class Program
{
public:
    Program(const char *name, const QStringList &arguments, const QString &folder,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        m_process.setProgram(binary(name));
        m_process.setArguments(arguments);
        m_process.setWorkingDirectory(folder);
        m_process.setProcessEnvironment(environment);
        m_process.start();
        m_process.waitForStarted(kStartupMs);
    }
    ~Program()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    // The exit code, -1 after a crash or the timeout. A program that ended
    // while the test waited for something else has its code too
    // (waitForFinished() is false for it).
    int wait(int timeoutMs = kRunTimeoutMs)
    {
        if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(timeoutMs)) {
            m_process.kill();
            m_process.waitForFinished();
            return -1;
        }
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    void signal(int number) { ::kill(pid_t(m_process.processId()), number); }
    QByteArray messages()
    {
        m_messages += m_process.readAllStandardError();
        return m_messages;
    }
    int count(const QByteArray &text) { return int(messages().count(text)); }

    QProcess m_process;

private:
    QByteArray m_messages;
};

// The simulator on a pseudo-terminal linked into `folder`: a record every
// 20 ms, or `fastest` one a millisecond at 921,600 baud (about 1,000 a second).
std::unique_ptr<zkd::test::Simulator> simulator(const QString &folder, const QString &link, int seed,
                                                bool fastest = false)
{
    auto sim = std::make_unique<zkd::test::Simulator>(folder, link);
    sim->start({QStringLiteral("--interval"), fastest ? QStringLiteral("1") : QStringLiteral("20"),
                QStringLiteral("--baud"), fastest ? QStringLiteral("921600") : QStringLiteral("0"),
                QStringLiteral("--slice"), fastest ? QStringLiteral("1") : QStringLiteral("20"),
                QStringLiteral("--seed"), QString::number(seed), QStringLiteral("--overflow"), QStringLiteral("9")});
    return sim;
}

// `port` is the simulator's link by its full path: the port's lock file is
// named after the name given, and a name such as "../ttyK" would share it with
// every other run, also with a lock that a killed recorder of another user left.
QStringList recorderArguments(const QString &port, const QString &device, const QString &url, int records,
                              const char *limit = "--records")
{
    return {QStringLiteral("--port"),
            port,
            QString::fromLatin1(limit),
            QString::number(records),
            QStringLiteral("--out"),
            QStringLiteral("run"),
            QStringLiteral("--device"),
            device,
            QStringLiteral("--mqtt"),
            url,
            QStringLiteral("--quiet"),
            QStringLiteral("--notes"),
            QStringLiteral("Bench %1\nsecond line").arg(device)};
}

// The collector's file of the one run of `device`, or of its run `index` in the order they started.
QString collectedFile(const QString &dir, const QString &device, int index = -1)
{
    const QFileInfoList files =
        QDir(QDir(dir).filePath(device)).entryInfoList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name);
    if (index < 0)
        return files.size() == 1 ? files.first().filePath() : QString();
    return index < files.size() ? files.at(index).filePath() : QString();
}

bool waitForFile(const QString &dir, const QString &device, const QByteArray &expected, int index = -1)
{
    QDeadlineTimer deadline(kStartupMs);
    while (!deadline.hasExpired()) {
        if (readFile(collectedFile(dir, device, index)) == expected)
            return true;
        QTest::qWait(100);
    }
    return false;
}

// The resident size of a process in kB.
qint64 residentKb(qint64 pid)
{
    for (const QByteArray &line : readFile(QStringLiteral("/proc/%1/status").arg(pid)).split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

// The lines of `bytes`, each without its CR LF; the last one is empty when
// `bytes` ends with a line end.
QByteArrayList fileLines(const QByteArray &bytes)
{
    QByteArrayList lines;
    qsizetype from = 0;
    for (qsizetype at = bytes.indexOf("\r\n"); at >= 0; at = bytes.indexOf("\r\n", from)) {
        lines << bytes.mid(from, at - from);
        from = at + 2;
    }
    return lines << bytes.mid(from);
}

// What `mosquitto_sub -v` printed of the record topics, read as docs/mqtt.md
// describes a record message: a JSON array of records. Every record by
// device and (run, seq); `arrivals` counts repeats too. `fault` names the
// first message or record of another form, or a repeat that differs.
struct SubscribedRecords
{
    std::map<QString, std::map<std::pair<QString, qint64>, QJsonObject>> byDevice;
    int arrivals = 0;
    QString fault;
};

SubscribedRecords readRecords(const QByteArray &output)
{
    SubscribedRecords result;
    const auto fail = [&result](const QString &what, const QByteArray &line) {
        result.fault = what + QStringLiteral(": ") + QString::fromUtf8(line.left(300));
        return result;
    };
    for (const QByteArray &line : output.split('\n')) {
        const qsizetype blank = line.indexOf(' ');
        const QStringList levels = QString::fromUtf8(line.left(blank)).split(QLatin1Char('/'));
        if (blank < 0 || levels.size() != 3 || levels[2] != QStringLiteral("record"))
            continue;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line.mid(blank + 1), &error);
        if (error.error != QJsonParseError::NoError || !document.isArray() || document.array().isEmpty())
            return fail(QStringLiteral("not an array of records"), line);
        for (const QJsonValue element : document.array()) {
            const QJsonObject record = element.toObject();
            bool valid = record.value("run").isString() && record.value("seq").isDouble()
                && record.value("raw").isString() && record.value("ovl1").isBool() && record.value("ovl2").isBool()
                && (record.value("eol").isUndefined() || record.value("eol").isBool());
            for (const char *name : {"time", "act1", "max1", "min1", "act2", "max2", "min2"})
                valid = valid
                    && (record.value(QLatin1String(name)).isNull() || record.value(QLatin1String(name)).isDouble());
            // The time is the line's first word, as a number.
            const QString first = record.value("raw").toString().simplified().section(QLatin1Char(' '), 0, 0);
            bool number = false;
            const double time = QString(first).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&number);
            if (!valid || (number && record.value("time").toDouble() != time))
                return fail(QStringLiteral("a record of another form"),
                            QJsonDocument(record).toJson(QJsonDocument::Compact));
            ++result.arrivals;
            const std::pair<QString, qint64> key{record.value("run").toString(),
                                                 qint64(record.value("seq").toDouble())};
            const auto [at, fresh] = result.byDevice[levels[1]].emplace(key, record);
            if (!fresh && at->second != record)
                return fail(QStringLiteral("a seq again with another record"), line);
        }
    }
    return result;
}

QString folderIn(const QTemporaryDir &dir, const QString &name)
{
    QDir(dir.path()).mkpath(name);
    return dir.filePath(name);
}

} // namespace

class TestMqttEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const char *name : {"mosquitto", "mosquitto_sub", "mosquitto_pub", "mosquitto_passwd", "openssl"})
            if (tool(name).isEmpty())
                QSKIP(qPrintable(
                    QStringLiteral("%1 is not installed (scripts/setup.sh installs it)").arg(QLatin1String(name))));
        for (const char *name : {"zkd735-sim", "zkd735-record", "zkd735-collect"})
            QVERIFY2(QFileInfo(binary(name)).isExecutable(), name);
    }

    // The collector's command line refused: exit 2 and one line saying why
    // (the recorder's options are tst_record_units', its exit status tst_e2e_record's).
    void commandLineErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason");
        QTest::newRow("collector, malformed URL") << QStringList{"--mqtt", "mqtt://", "--dir", "d"} << "--mqtt needs";
        QTest::newRow("collector, no folder") << QStringList{"--mqtt", "mqtt://h"} << "--dir DIR is required";
    }
    void commandLineErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        Program process("zkd735-collect", arguments, dir.path());
        QCOMPARE(process.wait(), kUsage);
        const QList<QByteArray> lines = process.messages().trimmed().split('\n');
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains(reason.toUtf8()), lines.first().constData());
    }

    // Two recorders at 921,600 baud and the collector; the broker is away for
    // a minute in the middle, and one recorder is killed during the outage
    // and started again. The records the broker never had come from the
    // working files: the runs collected are the files saved, byte for byte,
    // the killed run's included (kept as Senso.bak by the new start), and
    // the recorders' memory stays flat however long the outage lasts.
    void collectorStoresWhatRecordersSaved()
    {
        QTemporaryDir dir;
        Broker broker;
        QVERIFY(broker.start(folderIn(dir, QStringLiteral("broker"))));
        const QString collected = dir.filePath(QStringLiteral("collected"));
        Program collector("zkd735-collect",
                          {QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--dir"), collected}, dir.path());
        QTRY_VERIFY_WITH_TIMEOUT(collector.count("connected to the MQTT broker") == 1, kStartupMs);

        // Foreign messages on its topics: one line per device, nothing else happens.
        for (const char *payload : {"not json", "{\"run\": \"x\", \"seq\": 1, \"raw\": \"\"}"})
            QVERIFY(run(tool("mosquitto_pub"),
                        {QStringLiteral("-p"), QString::number(broker.port), QStringLiteral("-t"),
                         QStringLiteral("zkd735/bench-1/record"), QStringLiteral("-m"), QString::fromLatin1(payload)}));
        QVERIFY(run(tool("mosquitto_pub"),
                    {QStringLiteral("-p"), QString::number(broker.port), QStringLiteral("-t"),
                     QStringLiteral("zkd735/a.b/header"), QStringLiteral("-m"), QStringLiteral("{}")}));
        QTRY_COMPARE_WITH_TIMEOUT(collector.count("warning: skipping messages on"), 2, kStartupMs);
        QCOMPARE(collector.count("zkd735/bench-1: a record that is not"), 1);

        // A consumer we did not write, for the whole run: a persistent
        // session at QoS 1, so that the broker keeps what comes while it is
        // away. Subscribed once it has the probe.
        // Line-buffered (stdbuf), so that what it printed is all there when it is ended.
        QProcess subscriber;
        subscriber.start(tool("stdbuf"),
                         {QStringLiteral("-oL"), tool("mosquitto_sub"), QStringLiteral("-p"),
                          QString::number(broker.port), QStringLiteral("-q"), QStringLiteral("1"), QStringLiteral("-c"),
                          QStringLiteral("-i"), QStringLiteral("e2e-records"), QStringLiteral("-v"),
                          QStringLiteral("-t"), QStringLiteral("zkd735/+/record"), QStringLiteral("-t"),
                          QStringLiteral("e2e/probe")});
        QByteArray subscribed;
        QDeadlineTimer probing(kStartupMs);
        while (!subscribed.contains("e2e/probe") && !probing.hasExpired()) {
            QVERIFY(run(tool("mosquitto_pub"),
                        {QStringLiteral("-p"), QString::number(broker.port), QStringLiteral("-t"),
                         QStringLiteral("e2e/probe"), QStringLiteral("-m"), QStringLiteral("probe")}));
            QTest::qWait(200);
            subscribed += subscriber.readAllStandardOutput();
        }
        QVERIFY(subscribed.contains("e2e/probe"));
        const auto keepReading = [&subscribed, &subscriber] { subscribed += subscriber.readAllStandardOutput(); };

        // bench-1 records through the whole outage; bench_2 is killed in it
        // and its second start records on until after it.
        const int outageMs = qEnvironmentVariableIntValue("ZKD_E2E_OUTAGE_MS") > 0
            ? qEnvironmentVariableIntValue("ZKD_E2E_OUTAGE_MS")
            : kOutageMs;
        constexpr int kBeforeOutageMs = 3000;
        constexpr int kAfterOutageMs = 8000;
        const QStringList devices{QStringLiteral("bench-1"), QStringLiteral("bench_2")};
        std::vector<std::unique_ptr<zkd::test::Simulator>> sims;
        std::vector<QString> links;
        for (int i = 0; i < devices.size(); ++i) {
            links.push_back(dir.filePath(QStringLiteral("tty%1").arg(i)));
            sims.push_back(simulator(dir.path(), QStringLiteral("tty%1").arg(i), 735 + i, true));
        }
        const auto recorder = [&](int i, int seconds) {
            return std::make_unique<Program>(
                "zkd735-record",
                recorderArguments(links[std::size_t(i)], devices[i], broker.url(), seconds, "--duration"),
                folderIn(dir, devices[i]));
        };
        const int wholeSeconds = (kBeforeOutageMs + outageMs + kAfterOutageMs) / 1000;
        auto steady = recorder(0, wholeSeconds);
        auto killed = recorder(1, wholeSeconds);
        QTest::qWait(kBeforeOutageMs);
        broker.stop();
        QElapsedTimer outage;
        outage.start();

        // The resident size every second, from 5 s into the outage (the
        // recorders' buffers have their size by then) to its end.
        qint64 firstKb = 0;
        qint64 peakKb = 0;
        std::unique_ptr<Program> restarted;
        while (outage.elapsed() < outageMs) {
            QTest::qWait(1000);
            keepReading();
            if (!restarted && outage.elapsed() >= outageMs / 3) {
                killed->signal(SIGKILL);
                QCOMPARE(killed->wait(), -1);
                // The bench is started again as a whole: a simulator that
                // kept sending into a line nobody read has a backlog that can
                // push its header past the header read on a loaded machine.
                sims[1].reset();
                sims[1] = simulator(dir.path(), QStringLiteral("tty1"), 737, true);
                restarted = recorder(1, (outageMs - int(outage.elapsed()) + kAfterOutageMs) / 1000);
            }
            if (outage.elapsed() < 5000)
                continue;
            const qint64 kb = residentKb(steady->m_process.processId());
            QVERIFY(kb > 0);
            firstKb = firstKb == 0 ? kb : firstKb;
            peakKb = std::max(peakKb, kb);
        }
        QVERIFY(broker.start(dir.filePath(QStringLiteral("broker"))));
        qInfo("recorder at 921,600 baud, broker away %d s: resident %lld kB 5 s into the outage, peak %lld kB",
              outageMs / 1000, firstKb, peakKb);
        // Holding the outage's records (some 1,000 a second) would grow it by
        // tens of megabytes; the messages in flight are all it holds.
        QVERIFY2(peakKb - firstKb < 4096, qPrintable(QStringLiteral("grew by %1 kB").arg(peakKb - firstKb)));

        // Each collected run is its saved file, byte for byte; the killed run
        // was kept as Senso.bak when the recorder started again.
        std::map<QString, QByteArray> savedRuns; // by run id
        for (Program *program : {steady.get(), restarted.get()}) {
            const int code = program->wait(kRunTimeoutMs * 2);
            QVERIFY2(code == 0,
                     qPrintable(QStringLiteral("%1 exit %2: %3")
                                    .arg(QLatin1String(program == steady.get() ? "bench-1" : "bench_2 again"))
                                    .arg(code)
                                    .arg(QString::fromLocal8Bit(program->messages()).replace('\n', " | "))));
            // The outage was noticed, reported once, and is over.
            QCOMPARE(program->count("warning: MQTT broker"), 1);
            QCOMPARE(program->count("warning:"), 1);
        }
        QCOMPARE(killed->count("warning: MQTT broker"), 1);
        for (int i = 0; i < devices.size(); ++i) {
            QByteArrayList saved{readFile(dir.filePath(devices[i] + QStringLiteral("/run.csv")))};
            if (i == 1)
                saved.prepend(readFile(dir.filePath(devices[i] + QStringLiteral("/Senso.bak"))));
            for (int index = 0; index < saved.size(); ++index) {
                QVERIFY2(saved[index].count("\r\n") > 1000,
                         qPrintable(QStringLiteral("%1, run %2: %3 lines")
                                        .arg(devices[i])
                                        .arg(index + 1)
                                        .arg(saved[index].count("\r\n"))));
                QVERIFY2(waitForFile(collected, devices[i], saved[index], index),
                         qPrintable(QStringLiteral("%1, run %2: %3 bytes saved, %4 collected")
                                        .arg(devices[i])
                                        .arg(index + 1)
                                        .arg(saved[index].size())
                                        .arg(readFile(collectedFile(collected, devices[i], index)).size())));
                savedRuns[QFileInfo(collectedFile(collected, devices[i], index)).baseName()] = saved[index];
            }
        }
        QCOMPARE(savedRuns.size(), std::size_t(3));
        // Equal files hold every line once; no gap was ever seen.
        QCOMPARE(collector.count("never arrived"), 0);

        const auto retained = broker.retained({QStringLiteral("zkd735/+/status"), QStringLiteral("zkd735/+/header")});
        for (const QString &device : devices) {
            const QJsonObject status = retained.at(QStringLiteral("zkd735/%1/status").arg(device));
            const QJsonObject header = retained.at(QStringLiteral("zkd735/%1/header").arg(device));
            QCOMPARE(status.value(QStringLiteral("state")).toString(), QStringLiteral("idle"));
            QCOMPARE(QFileInfo(collectedFile(collected, device, device == devices[1] ? 1 : -1)).baseName(),
                     header.value("run").toString());
            QCOMPARE(status.value(QStringLiteral("run")), header.value(QStringLiteral("run")));
            QCOMPARE(header.value(QStringLiteral("inp1")).toString(), QStringLiteral("INP1 = bar"));
            QCOMPARE(header.value(QStringLiteral("notes")).toString(),
                     QStringLiteral("Bench %1\r\nsecond line").arg(device));
        }
        collector.signal(SIGTERM);
        QCOMPARE(collector.wait(), 0);

        // The subscriber had every record at least once (repeats are allowed
        // after the outage, never with another content); after dropping
        // repeats by (run, seq), seq runs from 1 without a gap and the raw
        // lines are the saved file's after its notes header, line for line.
        // Until it has printed nothing new for 2 s.
        for (qsizetype before = -1; before != subscribed.size();) {
            before = subscribed.size();
            QTest::qWait(2000);
            keepReading();
        }
        ::kill(pid_t(subscriber.processId()), SIGTERM);
        QVERIFY(subscriber.waitForFinished(kStartupMs));
        keepReading();
        const SubscribedRecords records = readRecords(subscribed);
        QVERIFY2(records.fault.isEmpty(), qPrintable(records.fault));
        int distinct = 0;
        std::map<QString, QByteArrayList> linesByRun;
        std::map<QString, bool> lastComplete;
        for (const auto &[device, byKey] : records.byDevice) {
            qint64 seq = 0;
            QString runId;
            for (const auto &[key, record] : byKey) {
                if (key.first != runId) {
                    runId = key.first;
                    seq = 0;
                }
                QCOMPARE(key.second, ++seq);
                linesByRun[runId] << zkd::encode8(record.value(QStringLiteral("raw")).toString());
                lastComplete[runId] = record.value(QStringLiteral("eol")).toBool(true);
                ++distinct;
            }
        }
        QCOMPARE(linesByRun.size(), savedRuns.size());
        for (const auto &[runId, saved] : savedRuns) {
            QByteArrayList lines = linesByRun[runId];
            if (lastComplete[runId])
                lines << QByteArray();
            // The notes header ends with the notes and a CR.
            const qsizetype notesEnd = saved.indexOf("second line\r");
            QVERIFY(notesEnd > 0);
            const QByteArray preamble = saved.left(notesEnd + qsizetype(sizeof("second line\r")) - 1);
            const QByteArrayList expected = fileLines(saved.mid(preamble.size()));
            QVERIFY2(lines == expected,
                     qPrintable(QStringLiteral("run %1: %2 lines subscribed, %3 in the file")
                                    .arg(runId)
                                    .arg(lines.size())
                                    .arg(expected.size())));
        }
        qInfo("mosquitto_sub: %d records, %d distinct", records.arrivals, distinct);
    }

    // The last will after kill -9; exit 6 when the broker does not come
    // back in time, and the rest of that run published by the next start,
    // from the file it was saved as; a damaged publishing state is one warning.
    void willUnpublishedAndPublishedLater()
    {
        QTemporaryDir dir;
        Broker broker;
        QVERIFY(broker.start(folderIn(dir, QStringLiteral("broker"))));
        const QString collected = dir.filePath(QStringLiteral("collected"));
        Program collector("zkd735-collect",
                          {QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--dir"), collected}, dir.path());
        QTRY_VERIFY_WITH_TIMEOUT(collector.count("connected to the MQTT broker") == 1, kStartupMs);
        const QString statusTopic = QStringLiteral("zkd735/bench-k/status");
        {
            const auto sim = simulator(dir.path(), QStringLiteral("ttyK"), 1);
            Program recorder("zkd735-record",
                             recorderArguments(dir.filePath(QStringLiteral("ttyK")), "bench-k", broker.url(), 5000),
                             folderIn(dir, QStringLiteral("k")));
            QTRY_VERIFY_WITH_TIMEOUT(broker.retained({QStringLiteral("zkd735/bench-k/header")}).size() == 1,
                                     kStartupMs);
            QCOMPARE(broker.retained({statusTopic})[statusTopic].value("state").toString(),
                     QStringLiteral("recording"));
            recorder.signal(SIGKILL);
            QCOMPARE(recorder.wait(), -1);
            QTRY_COMPARE_WITH_TIMEOUT(broker.retained({statusTopic})[statusTopic].value("state").toString(),
                                      QStringLiteral("offline"), kStartupMs);
        }

        const auto sim = simulator(dir.path(), QStringLiteral("ttyG"), 2);
        Program recorder("zkd735-record",
                         recorderArguments(dir.filePath(QStringLiteral("ttyG")), "bench-g", broker.url(), 400),
                         folderIn(dir, QStringLiteral("g")));
        QTRY_VERIFY_WITH_TIMEOUT(broker.retained({QStringLiteral("zkd735/bench-g/header")}).size() == 1, kStartupMs);
        broker.stop();
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(recorder.wait() == kUnpublished, recorder.messages().constData());
        QVERIFY(clock.elapsed() >= 9000);
        QCOMPARE(recorder.count("recorded, not all published: "), 1);
        // Recording went on: the run is saved whole.
        const QByteArray saved = readFile(dir.filePath(QStringLiteral("g/run.csv")));
        QVERIFY(saved.count("\r\n") > 400);

        // The broker is back, and both recorders start again. bench-g first
        // publishes the rest of its run from the file it was saved as;
        // bench-k finds its state damaged: one warning, and the new run is
        // published as ever.
        QVERIFY(broker.start(dir.filePath(QStringLiteral("broker"))));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("k/zkd735-record.mqtt-state")), "{\"version\": 1, \"runs\": ["));
        const auto again = [&](const char *device, const char *link, const QString &folder) {
            QStringList arguments = recorderArguments(dir.filePath(QLatin1String(link)), QLatin1String(device),
                                                      broker.url(), 20);
            arguments[arguments.indexOf(QStringLiteral("--out")) + 1] = QStringLiteral("second");
            return std::make_unique<Program>("zkd735-record", arguments, folder);
        };
        // A start whose port does not open leaves the publishing state as it found it.
        Program noPort("zkd735-record",
                       recorderArguments(dir.filePath(QStringLiteral("nothing")), "bench-g", broker.url(), 20),
                       dir.filePath(QStringLiteral("g")));
        QCOMPARE(noPort.wait(), 3);
        const auto simK = simulator(dir.path(), QStringLiteral("ttyK2"), 3);
        const auto k = again("bench-k", "ttyK2", dir.filePath(QStringLiteral("k")));
        const auto g = again("bench-g", "ttyG", dir.filePath(QStringLiteral("g")));
        QCOMPARE(g->wait(), 0);
        QVERIFY2(waitForFile(collected, QStringLiteral("bench-g"), saved, 0), g->messages().constData());
        QVERIFY(waitForFile(collected, QStringLiteral("bench-g"),
                            readFile(dir.filePath(QStringLiteral("g/second.csv"))), 1));
        QCOMPARE(k->wait(), 0);
        QCOMPARE(k->count("warning: the publishing state"), 1);
        QCOMPARE(k->count("warning:"), 1);
        QVERIFY(waitForFile(collected, QStringLiteral("bench-k"),
                            readFile(dir.filePath(QStringLiteral("k/second.csv"))), 1));
    }

    // The working file cut short under a running recorder (the recorder
    // writes on behind a hole of NULs): one warning, and nothing of the hole
    // or after it is published.
    void fileCutShortWhilePublished()
    {
        QTemporaryDir dir;
        Broker broker;
        QVERIFY(broker.start(folderIn(dir, QStringLiteral("broker"))));
        const QString collected = dir.filePath(QStringLiteral("collected"));
        Program collector("zkd735-collect",
                          {QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--dir"), collected}, dir.path());
        QTRY_VERIFY_WITH_TIMEOUT(collector.count("connected to the MQTT broker") == 1, kStartupMs);
        const auto sim = simulator(dir.path(), QStringLiteral("ttyC"), 4);
        const QString folder = folderIn(dir, QStringLiteral("c"));
        Program recorder("zkd735-record",
                         recorderArguments(dir.filePath(QStringLiteral("ttyC")), "bench-c", broker.url(), 300), folder);
        QTRY_VERIFY_WITH_TIMEOUT(!collectedFile(collected, QStringLiteral("bench-c")).isEmpty(), kStartupMs);
        QTest::qWait(500);
        QFile work(QDir(folder).filePath(QStringLiteral("Senso.scx")));
        QVERIFY(work.resize(200));
        QVERIFY2(recorder.wait() == 0, recorder.messages().constData());
        QCOMPARE(recorder.count("shrank or changed while it was published"), 1);
        QTest::qWait(1000);
        const QByteArray got = readFile(collectedFile(collected, QStringLiteral("bench-c")));
        QVERIFY(got.count("\r\n") > 10);
        QVERIFY(!got.contains('\0'));
    }

    // TLS with a test authority and a login; a wrong password, an unknown
    // authority and a certificate of another name each give one warning and
    // exit 6. The certificates name hosts only, no addresses: the connection
    // goes to an address of localhost, the check is against the name.
    void tlsAndLogin()
    {
        QTemporaryDir dir;
        const QString folder = folderIn(dir, QStringLiteral("broker"));
        const QString openssl = tool("openssl");
        const auto makeCa = [&](const QString &name) {
            return run(openssl,
                       {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=Test " + name,
                        "-keyout", name + ".key", "-out", name + ".pem"},
                       folder);
        };
        QVERIFY(makeCa(QStringLiteral("ca")));
        QVERIFY(makeCa(QStringLiteral("stranger")));
        QVERIFY(run(openssl,
                    {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost", "-keyout", "server.key", "-out",
                     "server.csr"},
                    folder));
        // The broker's request signed for localhost, and for another name
        // only (a second listener).
        const auto sign = [&](const QString &name, const QByteArray &host) {
            return writeFile(QDir(folder).filePath(name + ".ext"), "subjectAltName=DNS:" + host + "\n")
                && run(openssl,
                       {"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
                        "-days", "2", "-extfile", name + ".ext", "-out", name + ".pem"},
                       folder);
        };
        QVERIFY(sign(QStringLiteral("server"), "localhost"));
        QVERIFY(sign(QStringLiteral("other"), "other.invalid"));
        QVERIFY(run(tool("mosquitto_passwd"), {"-b", "-c", "passwords", "lab", "right"}, folder));
        QVERIFY(writeFile(QDir(folder).filePath(QStringLiteral("password")), "right\n"));

        const int otherPort = freePort();
        Broker broker;
        QVERIFY(broker.start(folder,
                             "cafile " + folder.toLocal8Bit() + "/ca.pem\ncertfile " + folder.toLocal8Bit()
                                 + "/server.pem\nkeyfile " + folder.toLocal8Bit() + "/server.key\n"
                                 + "allow_anonymous false\npassword_file " + folder.toLocal8Bit() + "/passwords\n"
                                 + "listener " + QByteArray::number(otherPort) + " 127.0.0.1\ncertfile "
                                 + folder.toLocal8Bit() + "/other.pem\nkeyfile " + folder.toLocal8Bit()
                                 + "/server.key\n"));
        const QString url = broker.url("mqtts", "localhost");
        const QString collected = dir.filePath(QStringLiteral("collected"));
        Program collector("zkd735-collect",
                          {"--mqtt", url, "--dir", collected, "--mqtt-ca", folder + "/ca.pem", "--mqtt-user", "lab",
                           "--mqtt-password-file", folder + "/password"},
                          dir.path());
        QTRY_VERIFY_WITH_TIMEOUT(collector.count("connected to the MQTT broker") == 1, kStartupMs);

        const auto withPassword = [](const char *password) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("ZKD735_MQTT_PASSWORD"), QString::fromLatin1(password));
            return environment;
        };
        std::vector<std::unique_ptr<zkd::test::Simulator>> sims;
        const auto recorder = [&](const QString &device, const QString &ca, const char *password, const QString &at) {
            sims.push_back(simulator(dir.path(), QStringLiteral("tty") + device, int(sims.size())));
            return std::make_unique<Program>(
                "zkd735-record",
                recorderArguments(dir.filePath(QStringLiteral("tty") + device), device, at, 60)
                    + QStringList{"--mqtt-ca", folder + "/" + ca, "--mqtt-user", "lab"},
                folderIn(dir, device), withPassword(password));
        };
        const auto good = recorder(QStringLiteral("good"), QStringLiteral("ca.pem"), "right", url);
        const auto refused = recorder(QStringLiteral("refused"), QStringLiteral("ca.pem"), "wrong", url);
        const auto untrusted = recorder(QStringLiteral("untrusted"), QStringLiteral("stranger.pem"), "right", url);
        const auto misnamed = recorder(QStringLiteral("misnamed"), QStringLiteral("ca.pem"), "right",
                                       QStringLiteral("mqtts://localhost:%1").arg(otherPort));

        QCOMPARE(good->wait(), 0);
        QVERIFY(waitForFile(collected, QStringLiteral("good"), readFile(dir.filePath("good/run.csv"))));
        QCOMPARE(refused->wait(), kUnpublished);
        QCOMPARE(refused->count("warning: MQTT broker"), 1);
        QVERIFY2(refused->count("not authorised") == 1, refused->messages().constData());
        QCOMPARE(untrusted->wait(), kUnpublished);
        QCOMPARE(untrusted->count("warning: MQTT broker"), 1);
        QVERIFY2(untrusted->count("TLS") == 1, untrusted->messages().constData());
        QCOMPARE(misnamed->wait(), kUnpublished);
        QVERIFY2(misnamed->count("TLS") == 1, misnamed->messages().constData());
    }
};

QTEST_GUILESS_MAIN(TestMqttEndToEnd)
#include "tst_e2e_mqtt.moc"
