#include "PublishState.h"
#include "RecordCounter.h"
#include "RecordOptions.h"
#include "StatusLine.h"

#include "serial/MSComm1.h"
#include "serial/RecordPipeline.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

using namespace zkd;
using namespace zkd::record;

namespace {

QStringList commandLine(const QString &arguments)
{
    return QStringList{QStringLiteral("zkd735-record")} + QProcess::splitCommand(arguments);
}

RecordPipeline englishPipeline()
{
    RecordPipeline pipeline;
    pipeline.setLanguage(Language(QStringLiteral("English")));
    pipeline.setFileOpen(true);
    pipeline.setHeaderPending(true);
    pipeline.setNotesHeaderSource([] { return QStringLiteral("H\r"); });
    return pipeline;
}

const QByteArray kStream = QByteArray("INP1 = bar\r\nSR1 =  5\r\nPri = 1\r\n") + "      0.0       12.5       12.5\r\n"
    + "      1.0\t      13.5       12.5\r\n" + "      2.0       -1.5       12.5\r\n";

} // namespace

Q_DECLARE_METATYPE(zkd::record::StatusFigures)

class TestRecordUnits : public QObject
{
    Q_OBJECT
private slots:
    void optionsThatRun_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("language"); // empty: from the settings file
        QTest::addColumn<QString>("notes");
        QTest::addColumn<QString>("out");
        QTest::addColumn<qint64>("durationMs"); // -1: none
        QTest::addColumn<qint64>("records");    // 0: no limit
        QTest::addColumn<bool>("quiet");
        // The defaults but for the port, the duration and the notes.
        const auto row = [](const char *name, const QString &arguments, const char *port, qint64 durationMs = -1,
                            const QString &notes = {}) {
            QTest::newRow(name) << arguments << port << "2400,n,8,1"
                                << "" << notes << "" << durationMs << qint64(0) << false;
        };
        row("defaults", "--port /dev/ttyUSB0", "/dev/ttyUSB0");
        QTest::newRow("everything")
            << "--port ttyA --baud 921600 --language Francais --notes \"Probe 7\" --out run.1 --duration 2.5 "
               "--records 40 --quiet"
            << "ttyA"
            << "921600,n,8,1"
            << "Francais"
            << "Probe 7"
            << "run.1" << qint64(2500) << qint64(40) << true;
        row("notes lines end in CR LF", "--port p --notes \"a\nb\r\nc\"", "p", -1, "a\r\nb\r\nc");
        row("tiny duration is one millisecond", "--port p --duration 0.0001", "p", 1);
    }
    void optionsThatRun()
    {
        QFETCH(QString, arguments);
        RecordOptions options;
        const RecordOptions::ParseResult result = options.parse(commandLine(arguments));
        QCOMPARE(result.outcome, RecordOptions::Outcome::Run);
        QTEST(options.port, "port");
        QTEST(options.serialSettings(), "settings");
        QTEST(options.language ? options.language->value() : QString(), "language");
        QTEST(options.notes, "notes");
        QTEST(options.out, "out");
        QTEST(options.duration ? qint64(options.duration->count()) : qint64(-1), "durationMs");
        QTEST(options.records ? qint64(*options.records) : qint64(0), "records");
        QTEST(options.quiet, "quiet");
        // The serial component takes the settings text as the window's settings file gives it.
        const auto settings = parseSerialSettings(options.serialSettings());
        QVERIFY(settings);
        QCOMPARE(settings->baudRate, options.baud);
    }

    void optionsThatAreRefused_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char *name, const char *arguments, const char *reason) {
            QTest::newRow(name) << QString::fromLatin1(arguments) << QString::fromLatin1(reason);
        };
        row("no port", "--baud 9600", "--port");
        row("port without value", "--port", "port");
        row("baud not a number", "--port p --baud fast", "--baud");
        row("baud zero", "--port p --baud 0", "--baud");
        row("baud too large", "--port p --baud 99999999999", "--baud");
        row("language in lower case", "--port p --language english", "--language");
        row("language unknown", "--port p --language Italiano", "--language");
        row("duration zero", "--port p --duration 0", "--duration");
        row("duration negative", "--port p --duration -3", "--duration");
        row("duration not a number", "--port p --duration soon", "--duration");
        row("records zero", "--port p --records 0", "--records");
        row("records negative", "--port p --records -5", "--records");
        row("empty out", "--port p --out \"\"", "--out");
        row("unknown option", "--port p --speed 3", "speed");
        row("stray argument", "--port p extra", "extra");
#ifndef ZKD_NO_MQTT
        row("malformed broker URL", "--port p --mqtt tcp://broker:1883", "--mqtt needs");
        row("broker port out of range", "--port p --mqtt mqtt://broker:70000", "--mqtt needs");
        row("password on the command line", "--port p --mqtt mqtt://h --mqtt-password x",
            "Unknown option 'mqtt-password'");
        row("device id with a dot", "--port p --mqtt mqtt://h --device a.b", "--device allows");
        row("device without broker", "--port p --device a", "--device needs --mqtt");
#endif
    }
    void optionsThatAreRefused()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, reason);
        RecordOptions options;
        const RecordOptions::ParseResult result = options.parse(commandLine(arguments));
        QCOMPARE(result.outcome, RecordOptions::Outcome::Error);
        QVERIFY2(result.text.contains(reason), qPrintable(result.text));
        QVERIFY(!result.text.contains(QLatin1Char('\n')));
    }

    void helpSaysWhetherRunsArePublished()
    {
        RecordOptions options;
        const RecordOptions::ParseResult help = options.parse(commandLine(QStringLiteral("--help")));
        QCOMPARE(help.outcome, RecordOptions::Outcome::Help);
        const RecordOptions::ParseResult publish = options.parse(
            commandLine(QStringLiteral("--port p --mqtt mqtt://localhost --records 3")));
#ifdef ZKD_NO_MQTT
        QVERIFY2(help.text.contains(QStringLiteral("This build has no MQTT")), qPrintable(help.text));
        // The options of publishing are not listed; the note names --mqtt once.
        QCOMPARE(help.text.count(QStringLiteral("--mqtt")), 1);
        QVERIFY(!help.text.contains(QStringLiteral("MQTT broker")));
        QCOMPARE(publish.outcome, RecordOptions::Outcome::Error);
        QVERIFY2(publish.text.contains(QStringLiteral("has no MQTT")), qPrintable(publish.text));
#else
        QVERIFY2(help.text.contains(QStringLiteral("--mqtt-prefix")), qPrintable(help.text));
        QVERIFY(help.text.contains(QStringLiteral("MQTT broker")));
        QCOMPARE(publish.outcome, RecordOptions::Outcome::Run);
        QVERIFY(options.publish);
#endif
    }

    void languageFromTheSettingsFile_data()
    {
        QTest::addColumn<QByteArray>("scxIni"); // empty: no file
        QTest::addColumn<QString>("language");
        QTest::newRow("German") << QByteArray("C:\\excel.exe\r\n1\r\nDeutsch\r\n11\r\n1\r\n9600\r\n") << "Deutsch";
        QTest::newRow("French") << QByteArray("\r\n1\r\nFrancais\r\n") << "Francais";
        QTest::newRow("lower case is no language") << QByteArray("\r\n1\r\ndeutsch\r\n") << "English";
        QTest::newRow("file too short") << QByteArray("\r\n1\r\n") << "English";
        QTest::newRow("no file") << QByteArray() << "English";
    }
    void languageFromTheSettingsFile()
    {
        QFETCH(QByteArray, scxIni);
        QTemporaryDir dir;
        if (!scxIni.isEmpty()) {
            QFile file(dir.filePath(QStringLiteral("scx.ini")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(scxIni);
        }
        QTEST(defaultLanguage(dir.path()).value(), "language");
    }

    void recordLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("record");
        QTest::newRow("decimal point") << "  0.0  12.5  12.5" << true;
        QTest::newRow("decimal comma") << "12,5 1,0" << true;
        QTest::newRow("signed") << "-3.0 x" << true;
        QTest::newRow("leading point") << ".5 x" << true;
        QTest::newRow("input line") << "INP1 = bar" << false;
        QTest::newRow("range line") << "SR1 =  5" << false;
        QTest::newRow("notes header") << "  Time: 14:03:22" << false;
        QTest::newRow("overflow first") << "*Ovl* 1.0" << false;
        QTest::newRow("sign alone") << "- 1.0" << false;
        QTest::newRow("empty") << "" << false;
    }
    void recordLines()
    {
        QFETCH(QString, line);
        QTEST(RecordCounter::isRecordLine(RecordLine(line)), "record");
    }

    // Handing the bytes over line by line must not change a single byte of
    // what the working file receives, however they arrive.
    void feedingLineByLineChangesNothing_data()
    {
        QTest::addColumn<int>("chunkSize");
        QTest::newRow("one byte") << 1;
        QTest::newRow("seven bytes") << 7;
        QTest::newRow("all at once") << int(kStream.size());
    }
    void feedingLineByLineChangesNothing()
    {
        QFETCH(int, chunkSize);
        RecordPipeline whole = englishPipeline();
        const QByteArray expected = whole.process(kStream).fileBytes;

        RecordPipeline pipeline = englishPipeline();
        RecordCounter counter(pipeline);
        QByteArray got;
        for (qsizetype at = 0; at < kStream.size(); at += chunkSize) {
            const RecordCounter::FeedResult fed = counter.feed(kStream.mid(at, chunkSize));
            QCOMPARE(fed.consumed, qMin<qsizetype>(chunkSize, kStream.size() - at));
            got += fed.fileBytes;
        }
        QCOMPARE(got, expected);
        QCOMPARE(counter.records(), quint64(3));
        QCOMPARE(pipeline.display().values[1], QStringLiteral("-1.5"));
    }

    void feedingStopsAtTheLastRecordWanted_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QByteArray>("fileEnd");
        QTest::newRow("first") << 1 << QByteArray("12.5       12.5\r\n");
        QTest::newRow("second, tab as ;") << 2 << QByteArray("1.0;      13.5       12.5\r\n");
    }
    void feedingStopsAtTheLastRecordWanted()
    {
        QFETCH(int, limit);
        QFETCH(QByteArray, fileEnd);
        RecordPipeline pipeline = englishPipeline();
        RecordCounter counter(pipeline, quint64(limit));
        const RecordCounter::FeedResult fed = counter.feed(kStream);
        QVERIFY(counter.limitReached());
        QCOMPARE(counter.records(), quint64(limit));
        QVERIFY2(fed.fileBytes.endsWith(fileEnd), fed.fileBytes.right(40).constData());
        QVERIFY(fed.fileBytes.startsWith("H\rINP1 = bar\r\n"));
        // Stopped right after the CR: only the LF and the later records are left.
        QCOMPARE(kStream.at(fed.consumed - 1), '\r');
        QCOMPARE(kStream.at(fed.consumed), '\n');
        // Nothing more is taken once the limit is reached.
        QCOMPARE(counter.feed(kStream.mid(fed.consumed)).consumed, qsizetype(0));
    }

    void statusText_data()
    {
        QTest::addColumn<StatusFigures>("figures");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing yet") << StatusFigures{} << "0 records | time - | ACT 1 - | ACT 2 -";
        QTest::newRow("before the header read") << StatusFigures{3, "2,0", "12,5", "", "*Ovl*", "", true, true}
                                                << "3 records | time 2,0 | ACT 1 12,5 | ACT 2 *Ovl* | Ovl INP 1 INP 2";
        QTest::newRow("with units, input 2 over")
            << StatusFigures{12, "2.4", "1.234", "bar", "45.6", QStringLiteral("\u00b0C"), false, true}
            << QStringLiteral("12 records | time 2.4 | ACT 1 1.234 bar | ACT 2 45.6 \u00b0C | Ovl INP 2");
    }
    void statusText()
    {
        QFETCH(StatusFigures, figures);
        QTEST(StatusLine::format(figures), "text");
    }

    void statusLineRewritesInPlace()
    {
        std::FILE *stream = std::tmpfile();
        QVERIFY(stream);
        StatusLine status(stream);
        status.finish();
        status.show(QStringLiteral("long text"));
        status.show(QStringLiteral("long text"));
        status.show(QStringLiteral("short"));
        status.finish();
        status.finish();
        std::rewind(stream);
        char buffer[128] = {};
        const std::size_t size = std::fread(buffer, 1, sizeof buffer, stream);
        std::fclose(stream);
        QCOMPARE(QByteArray(buffer, qsizetype(size)), QByteArray("\rlong text\rshort    \n"));
    }
    // The publishing state comes back as written; a missing one is told
    // apart from one that cannot be read, and a damaged one gives no runs.
    void publishStateSurvivesDamage()
    {
        QTemporaryDir dir;
        const QString path = PublishState::pathIn(dir.path());
        QVERIFY(PublishState::load(path).missing);
        PublishedRun first;
        first.run = QStringLiteral("20261209T101500-bench-1");
        first.preamble = QByteArray("Zeit: 10:15:00\r\xe4\r");
        first.file = dir.filePath(QStringLiteral("run.csv"));
        first.header = QByteArrayLiteral("{\"run\":\"20261209T101500-bench-1\"}");
        first.scaleMax1 = -100;
        first.scaleMax2 = 32767;
        first.seq = 4000000000ULL;
        first.offset = 123456789012LL;
        first.ended = true;
        PublishedRun second = first;
        second.run = QStringLiteral("20261209T111500-bench-1");
        second.seq = 0;
        second.offset = second.preamble.size();
        second.ended = false;
        QCOMPARE(PublishState::save(path, {first, second}), QString());
        PublishState::Loaded loaded = PublishState::load(path);
        QCOMPARE(loaded.error, QString());
        QVERIFY(loaded.runs == (std::vector<PublishedRun>{first, second}));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        file.close();
        const QByteArray offsetBelowPreamble = QByteArray(whole).replace("123456789012", "3");
        for (const QByteArray &damaged : {whole.left(whole.size() / 2), QByteArray("[]"), offsetBelowPreamble}) {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(damaged);
            file.close();
            loaded = PublishState::load(path);
            QVERIFY2(!loaded.error.isEmpty() && !loaded.missing && loaded.runs.empty(), damaged.constData());
        }
        QCOMPARE(PublishState::save(path, {}), QString());
        loaded = PublishState::load(path);
        QVERIFY(!loaded.missing && loaded.error.isEmpty() && loaded.runs.empty());
    }
};

QTEST_GUILESS_MAIN(TestRecordUnits)
#include "tst_record_units.moc"
