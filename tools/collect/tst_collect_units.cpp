#include "Collector.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

// What the collector makes of the messages a broker hands it, without a
// broker: the file of a run, and the lines its log reports.

using zkd::collect::Collector;

namespace {

const QByteArray kRun = "20261208T231800-b1";
const QByteArray kPreamble = "notes\r\n";

QByteArray header(const QByteArray &run = kRun)
{
    return "b1/header {\"run\": \"" + run + "\", \"preamble\": \"notes\\r\\n\"}";
}

// A record element of line `raw` (its line end missing when `eol` is false).
QByteArray record(int seq, const char *raw, bool eol = true, const QByteArray &run = kRun)
{
    return "{\"run\": \"" + run + "\", \"seq\": " + QByteArray::number(seq) + ", \"raw\": \"" + raw + '"'
        + (eol ? "" : ", \"eol\": false") + '}';
}

QByteArray records(std::initializer_list<QByteArray> elements)
{
    QByteArrayList list(elements);
    return "b1/record [" + list.join(", ") + ']';
}

} // namespace

class TestCollectUnits : public QObject
{
    Q_OBJECT
private slots:
    void collects_data()
    {
        QTest::addColumn<QByteArrayList>("messages"); // "DEVICE/KIND PAYLOAD"
        QTest::addColumn<QByteArray>("lines");        // the run's file after the notes header
        QTest::addColumn<int>("gaps");                // "never arrived" lines in the log
        QTest::addColumn<int>("foreign");             // "skipping messages" lines in the log

        QTest::newRow("batches in order")
            << QByteArrayList{header(), records({record(1, "a"), record(2, "b")}), records({record(3, "c")})}
            << QByteArray("a\r\nb\r\nc\r\n") << 0 << 0;
        QTest::newRow("a batch sent again after an outage, repeats dropped")
            << QByteArrayList{header(), records({record(1, "a"), record(2, "b")}),
                              records({record(2, "b"), record(3, "c")}), records({record(1, "a")})}
            << QByteArray("a\r\nb\r\nc\r\n") << 0 << 0;
        QTest::newRow("gaps, reported once per run")
            << QByteArrayList{header(),
                              records({record(1, "a")}),
                              records({record(3, "c")}),
                              records({record(5, "e")}),
                              header("20261208T231900-b1"),
                              records({record(2, "x", true, "20261208T231900-b1")})}
            << QByteArray("a\r\nc\r\ne\r\n") << 2 << 0;
        QTest::newRow("lines before their header wait for it")
            << QByteArrayList{records({record(2, "b")}), records({record(1, "a")}), header()}
            << QByteArray("a\r\nb\r\n") << 0 << 0;
        QTest::newRow("good and bad elements in one message")
            << QByteArrayList{header(),
                              records({record(1, "a"), "5", "{\"run\": \"" + kRun + "\", \"seq\": 0, \"raw\": \"z\"}",
                                       record(2, "b")}),
                              records({record(3, "c", true, "20261208T231800-b2"), record(3, "c")})}
            << QByteArray("a\r\nb\r\nc\r\n") << 0 << 1;
        QTest::newRow("foreign messages, reported once per device")
            << QByteArrayList{"b1/record not json",
                              "b1/header {}",
                              header(),
                              "b1/record []",
                              records({record(1, "a", true, "20261208T231800-b2")}),
                              records({record(1, "a")}),
                              "a.b/record " + records({record(1, "a")}).mid(10)}
            << QByteArray("a\r\n") << 0 << 2;
        QTest::newRow("one record a message, as recorders up to 2.1.0 send")
            << QByteArrayList{header(), "b1/record " + record(1, "a"), "b1/record " + record(2, "b", false)}
            << QByteArray("a\r\nb") << 0 << 0;
    }
    void collects()
    {
        QFETCH(QByteArrayList, messages);
        QFETCH(QByteArray, lines);
        QFETCH(int, gaps);
        QFETCH(int, foreign);
        QTemporaryDir dir;
        std::FILE *log = std::tmpfile();
        QVERIFY(log);
        {
            Collector collector({{}, QStringLiteral("zkd735"), dir.path(), true}, log);
            for (const QByteArray &message : messages) {
                const qsizetype blank = message.indexOf(' ');
                collector.take(QStringLiteral("zkd735/") + QString::fromUtf8(message.left(blank)),
                               message.mid(blank + 1));
            }
        }
        QByteArray text(4096, '\0');
        std::rewind(log);
        text.resize(qsizetype(std::fread(text.data(), 1, std::size_t(text.size()), log)));
        std::fclose(log);
        QFile file(QDir(dir.path()).filePath(QStringLiteral("b1/") + QString::fromLatin1(kRun) + ".csv"));
        QVERIFY2(file.open(QIODevice::ReadOnly), text.constData());
        QCOMPARE(file.readAll(), kPreamble + lines);
        QCOMPARE(int(text.count("never arrived")), gaps);
        QCOMPARE(int(text.count("warning: skipping messages on")), foreign);
    }
};

QTEST_GUILESS_MAIN(TestCollectUnits)
#include "tst_collect_units.moc"
