#include "TestFiles.h"
#include "sensor/HeaderScan.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using zkd::HeaderScan;

using zkd::test::writeFile;

namespace {

const QString kDegree = QString(QChar(0x00B0));

// Record line `index` (from 0) as the instrument sends it after its header,
// without its line end.
QByteArray recordLine(int index)
{
    return "12:00:" + QByteArray::number(10 + index) + "\t1.0\t2.0\t0.5\t3.0\t4.0\t2.5";
}

QByteArray records(int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += recordLine(i) + "\r\n";
    return out;
}

QString record(int index)
{
    return QString::fromLatin1(recordLine(index));
}

const QByteArray kFullHeader = "INP1 = bar\r\nSR1 =  5\r\nINP2 = mbar\r\nSR2 = 47\r\nPri 1 s\r\n";

} // namespace

class TestSensorHeader : public QObject
{
    Q_OBJECT

private slots:
    void scanSnapshot_data();
    void scanSnapshot();
    void graphUnit_data();
    void graphUnit();
    void snapshotReplacesEarlierOne();
    void snapshotWithoutWorkFileIsEmpty();
};

void TestSensorHeader::scanSnapshot_data()
{
    QTest::addColumn<bool>("workFileExists");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("bufferBefore");
    QTest::addColumn<QString>("inp1Before");
    QTest::addColumn<QStringList>("lines"); // INP1, SR1, INP2 and SR2 as found
    QTest::addColumn<QString>("caption");   // null: no Pri line seen
    QTest::addColumn<QString>("bufferAfter");
    QTest::addColumn<bool>("arrived");

    // A scan of a working file with nothing held from before; `before` sets
    // what was held (and no file) for the rows that need it.
    struct Before
    {
        bool workFileExists = true;
        QString buffer;
        QString inp1;
    };
    const auto row = [](const char *name, const QByteArray &content, const QStringList &lines, const QString &caption,
                        const QString &bufferAfter, bool arrived, const Before &before = {}) {
        QTest::newRow(name) << before.workFileExists << content << before.buffer << before.inp1 << lines << caption
                            << bufferAfter << arrived;
    };
    const QString none;
    const QStringList fullHeader{"INP1 = bar", "SR1 =  5", "INP2 = mbar", "SR2 = 47"};
    const QStringList nothing{"", "", "", ""};
    const QString degreeC = "INP1 = " + kDegree + "C";

    row("full header, records fill 16 lines", kFullHeader + records(20), fullHeader, "Pri 1 s", record(10), true);
    row("degrees rewritten", QByteArray("INP1 = degrC\r\nINP2 = degrF\r\n") + records(14),
        {degreeC, "", "INP2 = " + kDegree + "F", ""}, none, record(13), true);
    row("trailing blank not rewritten", QByteArray("INP1 = degrC \r\nINP2 = degrFx\r\n") + records(14),
        {"INP1 = degrC ", "", "INP2 = degrFx", ""}, none, record(13), true);
    row("prefix tests: SR10 and Print", QByteArray("INP1 = V\r\nSR10 = 5\r\nSR2x\r\nPrint\r\n") + records(12),
        {"INP1 = V", "SR10 = 5", "", "SR2x"}, "Print", record(11), true);
    row("lower case not recognised", QByteArray("inp1 = bar\r\nsr1 =  5\r\npri\r\n") + records(13), nothing, none,
        record(12), false);
    row("key lines after line 16", records(16) + kFullHeader, nothing, none, record(15), false);
    row("fewer lines, last held and tested again", "INP2 = K\r\nINP1 = mV", {"INP1 = mV", "", "INP2 = K", ""}, none,
        "INP1 = mV", true);
    row("INP1 without INP2", "INP1 = bar\r\nSR1 =  5\r\n", {"INP1 = bar", "SR1 =  5", "", ""}, none, "SR1 =  5", true);
    row("last Pri line wins", kFullHeader + "Pri 2 s\r\n", fullHeader, "Pri 2 s", "Pri 2 s", true);
    row("notes header with bare CRs",
        QByteArray("  Time: 12:00:00\r  Date: 01.02.2026\rNotes :  first\r\nsecond\r") + kFullHeader + records(10),
        fullHeader, "Pri 1 s", record(6), true);
    row("bare CRs push the header past line 16", QByteArray(16, '\r') + kFullHeader, nothing, none, "", false);
    row("LF alone does not end a line", "INP1 = bar\nSR1 =  5\r\n", {"INP1 = bar\nSR1 =  5", "", "", ""}, none,
        "INP1 = bar\nSR1 =  5", true);
    row("degree sign as byte 176",
        "INP1 = \xB0"
        "C\r\n",
        {degreeC, "", "", ""}, none, degreeC, true);
    row("no work file, held line tested again", QByteArray(), {"INP1 = held", "", "", ""}, none, "INP1 = held", true,
        {false, "INP1 = held", ""});
    row("empty work file, held record changes nothing", QByteArray(), nothing, none, record(2), false,
        {true, record(2), ""});
    row("stop: INP1 left by the command passes", records(20), {"INP1", "", "", ""}, none, record(15), true,
        {true, "", "INP1"});
}

void TestSensorHeader::scanSnapshot()
{
    QFETCH(bool, workFileExists);
    QFETCH(QByteArray, content);
    QFETCH(QString, bufferBefore);
    QFETCH(QString, inp1Before);
    QFETCH(QStringList, lines);
    QFETCH(QString, caption);
    QFETCH(QString, bufferAfter);
    QFETCH(bool, arrived);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString workFile = dir.filePath(QStringLiteral("Senso.scx"));
    if (workFileExists)
        QVERIFY(writeFile(workFile, content));

    HeaderScan::Lines before;
    before.inp1Line = inp1Before;
    const QByteArray snapshot = HeaderScan::takeSnapshot(workFile, dir.path());
    QCOMPARE(snapshot, content);

    const HeaderScan::Result result = HeaderScan::scan(snapshot, bufferBefore, before);
    QCOMPARE((QStringList{result.lines.inp1Line, result.lines.sr1Line, result.lines.inp2Line, result.lines.sr2Line}),
             lines);
    QCOMPARE(result.label11Caption.has_value(), !caption.isNull());
    if (result.label11Caption)
        QCOMPARE(*result.label11Caption, caption);
    QCOMPARE(result.lineBuffer, bufferAfter);
    QCOMPARE(result.headerArrived, arrived);
    QCOMPARE(HeaderScan::headerArrived(result.lines.inp1Line), arrived);
}

void TestSensorHeader::graphUnit_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("unit");

    QTest::newRow("bar") << "INP1 = bar"
                         << "bar";
    QTest::newRow("degree") << "INP2 = " + kDegree + "C" << kDegree + "C";
    QTest::newRow("longer than four") << "INP1 = mbar/s"
                                      << "mbar";
    QTest::newRow("eight characters") << "INP1 = V"
                                      << "V";
    QTest::newRow("seven characters") << "INP1 = "
                                      << "";
    QTest::newRow("bare INP1") << "INP1"
                               << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestSensorHeader::graphUnit()
{
    QFETCH(QString, line);
    QFETCH(QString, unit);
    QCOMPARE(HeaderScan::graphUnit(line), unit);
}

void TestSensorHeader::snapshotReplacesEarlierOne()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString workFile = dir.filePath(QStringLiteral("Senso.scx"));
    const QByteArray bytes = QByteArray("INP1 = \xB0"
                                        "F\r\n\x80\xFF\r\n");
    QVERIFY(writeFile(workFile, bytes));
    QVERIFY(writeFile(HeaderScan::snapshotPath(dir.path()), "INP1 = old\r\n"));

    QCOMPARE(HeaderScan::takeSnapshot(workFile, dir.path()), bytes);
    QFile snapshot(dir.filePath(QStringLiteral("senso.scy")));
    QVERIFY(snapshot.open(QIODevice::ReadOnly));
    QCOMPARE(snapshot.readAll(), bytes);
}

void TestSensorHeader::snapshotWithoutWorkFileIsEmpty()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString snapshot = HeaderScan::snapshotPath(dir.path());
    QVERIFY(writeFile(snapshot, "INP1 = old\r\n"));

    QCOMPARE(HeaderScan::takeSnapshot(dir.filePath(QStringLiteral("Senso.scx")), dir.path()), QByteArray());
    QVERIFY(!QFile::exists(snapshot));
}

QTEST_GUILESS_MAIN(TestSensorHeader)
#include "tst_sensor_header.moc"
