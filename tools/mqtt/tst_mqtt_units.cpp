#include "MqttClient.h"
#include "MqttMessages.h"
#include "MqttPayloads.h"
#include "MqttOptions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <atomic>

// What subscribers read: URLs and ids that are taken or refused, and record
// payloads whose values and raw line survive the trip; which addresses the
// client tries and how it names the broker.

using namespace zkd::mqtt;

class TestMqttUnits : public QObject
{
    Q_OBJECT
private slots:
    void urls_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("host"); // empty: refused
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("tls");
        const auto taken = [](const char *name, const char *url, const char *host, int port, bool tls) {
            QTest::newRow(name) << QString::fromLatin1(url) << QString::fromLatin1(host) << port << tls;
        };
        const auto refused = [&taken](const char *name, const char *url) { taken(name, url, "", 0, false); };
        taken("plain, default port", "mqtt://broker.lab", "broker.lab", 1883, false);
        taken("tls, own port", "mqtts://10.0.0.5:18883", "10.0.0.5", 18883, true);
        taken("ipv6", "mqtt://[::1]:1884", "::1", 1884, false);
        refused("no scheme", "broker:1883");
        refused("other scheme", "http://broker");
        refused("port zero", "mqtt://broker:0");
        refused("port too large", "mqtt://broker:65536");
        refused("login in url", "mqtt://user:pw@broker");
        refused("path", "mqtt://broker/x");
    }
    void urls()
    {
        QFETCH(QString, url);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(bool, tls);
        const auto server = MqttOptions::parseUrl(url);
        QCOMPARE(server.has_value(), !host.isEmpty());
        if (server) {
            QCOMPARE(server->host, host);
            QCOMPARE(server->port, port);
            QCOMPARE(server->tls, tls);
        }
    }

    void idsAndPrefixes()
    {
        QVERIFY(validDeviceId(QStringLiteral("bench-7_a")));
        for (const char *bad : {"", "bench.7", "a/b", "+", "#", "..", "b\xc3\xa4nk"})
            QVERIFY2(!validDeviceId(QString::fromUtf8(bad)), bad);
        QVERIFY(validRunId(QStringLiteral("20261208T231800-bench-7"), QStringLiteral("bench-7")));
        QVERIFY(!validRunId(QStringLiteral("20261208T231800-bench-8"), QStringLiteral("bench-7")));
        QVERIFY(!validRunId(QStringLiteral("../../etc/passwd"), QStringLiteral("bench-7")));
        QVERIFY(MqttOptions::validPrefix(QStringLiteral("lab/zkd735")));
        for (const char *bad : {"", "lab/", "/lab", "lab//x", "lab/+", "#"})
            QVERIFY2(!MqttOptions::validPrefix(QString::fromLatin1(bad)), bad);
    }

    void recordPayloads_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QString>("values"); // time act1 max1 min1 act2 max2 min2 ovl1 ovl2, "n" for null
        QTest::newRow("English") << QByteArray("      1.0 12.5 13 -0.25 20.0 21.0 19.0") << true
                                 << "1.0 12.5 13.0 -0.25 20.0 21.0 19.0 false false";
        QTest::newRow("German comma, overflow") << QByteArray("      1,0 *Ovl* 12,5 12,5 100,5 21,0 19,0") << true
                                                << "1.0 n 12.5 12.5 100.5 21.0 19.0 true true";
        QTest::newRow("tabs as semicolons")
            << QByteArray("0.0;12.5;12.5;12.5;1.0;2.0;3.0") << true << "0.0 12.5 12.5 12.5 1.0 2.0 3.0 false false";
        QTest::newRow("header line, cut short") << QByteArray("INP2 = \xb0"
                                                              "C \"q\" \\")
                                                << false << "n n n n n n n false false";
    }
    void recordPayloads()
    {
        QFETCH(QByteArray, raw);
        QFETCH(bool, complete);
        QFETCH(QString, values);
        const QString run = QStringLiteral("20261208T231800-b1");
        RecordBatch batch;
        batch.add(run, 42, raw, complete, 100, 100);
        const QByteArray payload = batch.take();
        const QJsonObject object = QJsonDocument::fromJson(payload).array().first().toObject();
        QVERIFY2(!object.isEmpty(), payload.constData());
        QStringList got;
        for (const char *name : {"time", "act1", "max1", "min1", "act2", "max2", "min2"}) {
            const QJsonValue value = object.value(QLatin1String(name));
            got << (value.isNull() ? QStringLiteral("n") : QString::number(value.toDouble(), 'f', -1));
        }
        got << (object.value(QStringLiteral("ovl1")).toBool() ? "true" : "false")
            << (object.value(QStringLiteral("ovl2")).toBool() ? "true" : "false");
        QStringList expected = values.split(QLatin1Char(' '));
        for (QString &value : expected)
            if (value != QStringLiteral("n") && value != QStringLiteral("true") && value != QStringLiteral("false"))
                value = QString::number(value.toDouble(), 'f', -1);
        QCOMPARE(got, expected);
        // Numbers carry a decimal point, as the instrument wrote them.
        if (!object.value(QStringLiteral("time")).isNull())
            QVERIFY2(payload.contains("\"time\": 1.0") || payload.contains("\"time\": 0.0"), payload.constData());

        const auto parsed = parseRecords(payload);
        QVERIFY(parsed && parsed->records.size() == 1 && parsed->refused == 0);
        QCOMPARE(parsed->records[0].run, run);
        QCOMPARE(parsed->records[0].seq, quint64(42));
        QCOMPARE(parsed->records[0].raw, raw);
        QCOMPARE(parsed->records[0].complete, complete);
    }

    // The exact bytes, whichever way a line is read: numbers as the double
    // they give prints them, with a decimal point; the records of a batch in
    // one array, the next batch in an array of its own.
    void recordPayloadBytes_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QByteArray>("fields"); // after "raw"
        QTest::newRow("zeros, exponent, whole number")
            << QByteArray("     16.00    123.450   0124.0 -0.50 0.00 0.00001 100")
            << QByteArray(R"("time": 16.0, "act1": 123.45, "max1": 124.0, "min1": -0.5, "act2": 0.0, "max2": 1.0e-05, )"
                          R"("min2": 100.0, "ovl1": true, "ovl2": false)");
        QTest::newRow("other forms of numbers")
            << QByteArray("1e2;+3;.5;5.;-0;123456789012345678;0,0010")
            << QByteArray(R"("time": 100.0, "act1": 3.0, "max1": 0.5, "min1": 5.0, "act2": 0.0, )"
                          R"("max2": 1.23456789012346e+17, "min2": 0.001, "ovl1": false, "ovl2": false)");
        const QByteArray none(
            R"("time": null, "act1": null, "max1": null, "min1": null, "act2": null, "max2": null, "min2": null, )"
            R"("ovl1": false, "ovl2": false)");
        QTest::newRow("quotes and a backslash") << QByteArray(R"(INP1 = "bar" \)") << none;
        QTest::newRow("one character") << QByteArray("5") << none;
    }
    void recordPayloadBytes()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QByteArray, fields);
        QByteArray rawJson = raw;
        rawJson.replace("\\", "\\\\").replace("\"", "\\\"");
        const QString run = QStringLiteral("20261208T231800-b1");
        const auto record = [&](const char *seq) {
            return QByteArray(R"({"run": "20261208T231800-b1", "seq": )") + seq + ", \"raw\": \"" + rawJson + "\", "
                + fields + '}';
        };
        RecordBatch batch;
        batch.add(run, 3, raw, true, 100, 400);
        batch.add(run, 4, raw, true, 100, 400);
        QCOMPARE(batch.size(), std::size_t(2));
        QCOMPARE(batch.take(), '[' + record("3") + ", " + record("4") + ']');
        batch.add(run, 5, raw, true, 100, 400);
        QCOMPARE(batch.take(), '[' + record("5") + ']');
    }

    // A payload that holds no records is refused whole; otherwise each
    // element on its own: the good records are kept, in order, around a bad one.
    void foreignPayloadsAreRefused()
    {
        for (const char *payload : {"", "not json", "[]", "\"x\"", "[1"})
            QVERIFY2(!parseRecords(QByteArray(payload)), payload);
        const QByteArray first = R"({"run": "r", "seq": 1, "raw": "a"})";
        const QByteArray second = R"({"run": "r", "seq": 2, "raw": "b", "eol": false})";
        for (const char *bad :
             {"1", "[]", "{\"run\": 1, \"seq\": 1, \"raw\": \"x\"}", "{\"run\": \"r\", \"seq\": 0, \"raw\": \"x\"}",
              "{\"run\": \"r\", \"seq\": 1.5, \"raw\": \"x\"}", "{\"run\": \"r\", \"seq\": 1, \"raw\": \"a\\r\\nb\"}",
              "{\"run\": \"r\", \"seq\": 1, \"raw\": \"x\", \"eol\": 1}"}) {
            const auto mixed = parseRecords('[' + first + ", " + bad + ", " + second + ']');
            QVERIFY2(mixed && mixed->refused == 1 && mixed->records.size() == 2, bad);
            QCOMPARE(mixed->records[0].raw, QByteArray("a"));
            QCOMPARE(mixed->records[1].seq, quint64(2));
            QVERIFY(!mixed->records[1].complete);
            const auto alone = parseRecords(QByteArray(bad));
            QVERIFY2(!alone || alone->records.empty(), bad);
        }
        // One record alone, as recorders up to 2.1.0 sent it.
        const auto single = parseRecords(first);
        QVERIFY(single && single->records.size() == 1 && single->refused == 0);
        QVERIFY(!parseHeader(QByteArrayLiteral("{\"run\": \"r\"}")));
    }

    // A name whose first address refuses, as "localhost" stands for ::1 first
    // on a standard Debian while a broker listens on 127.0.0.1 only: the
    // client goes on to the next address, and its TLS handshake names the
    // broker by the name, not by the address. The name is made up (the
    // resolver is the test's own), so no hosts file or DNS can hide a fault.
    void triesEveryAddressOfTheName()
    {
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        MqttLibrary library;
        MqttClient::Setup setup;
        setup.server.host = QStringLiteral("broker.test");
        setup.server.port = listener.serverPort();
        setup.server.tls = true;
        setup.clientId = QStringLiteral("units");
        // The client asks for the addresses once a round.
        std::atomic<int> rounds{0};
        setup.resolve = [&rounds](const QString &host) {
            ++rounds;
            return host == QLatin1String("broker.test") ? QStringList{"::1", "127.0.0.1"} : QStringList();
        };
        MqttClient client(setup);
        client.start();
        // Within the first round, not on a retry.
        QVERIFY(listener.waitForNewConnection(10000));
        QCOMPARE(rounds.load(), 1);
        QTcpSocket *broker = listener.nextPendingConnection();
        QByteArray hello;
        QTRY_VERIFY_WITH_TIMEOUT((hello += broker->readAll()).contains("broker.test"), 5000);
        QVERIFY(!hello.contains("127.0.0.1"));
        client.stop();
    }
};

QTEST_GUILESS_MAIN(TestMqttUnits)
#include "tst_mqtt_units.moc"
