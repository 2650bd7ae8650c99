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
    QTest::addColumn<QString>("inp1");
    QTest::addColumn<QString>("sr1");
    QTest::addColumn<QString>("inp2");
    QTest::addColumn<QString>("sr2");
    QTest::addColumn<QString>("caption"); // null: no Pri line seen
    QTest::addColumn<QString>("bufferAfter");
    QTest::addColumn<bool>("arrived");

    const QString none;

    QTest::newRow("full header, records fill 16 lines") << true << kFullHeader + records(20) << ""
                                                        << ""
                                                        << "INP1 = bar"
                                                        << "SR1 =  5"
                                                        << "INP2 = mbar"
                                                        << "SR2 = 47"
                                                        << "Pri 1 s" << record(10) << true;
    QTest::newRow("degrees rewritten") << true << QByteArray("INP1 = degrC\r\nINP2 = degrF\r\n") + records(14) << ""
                                       << ""
                                       << "INP1 = " + kDegree + "C"
                                       << ""
                                       << "INP2 = " + kDegree + "F"
                                       << "" << none << record(13) << true;
    QTest::newRow("trailing blank not rewritten")
        << true << QByteArray("INP1 = degrC \r\nINP2 = degrFx\r\n") + records(14) << ""
        << ""
        << "INP1 = degrC "
        << ""
        << "INP2 = degrFx"
        << "" << none << record(13) << true;
    QTest::newRow("prefix tests: SR10 and Print")
        << true << QByteArray("INP1 = V\r\nSR10 = 5\r\nSR2x\r\nPrint\r\n") + records(12) << ""
        << ""
        << "INP1 = V"
        << "SR10 = 5"
        << ""
        << "SR2x"
        << "Print" << record(11) << true;
    QTest::newRow("lower case not recognised")
        << true << QByteArray("inp1 = bar\r\nsr1 =  5\r\npri\r\n") + records(13) << ""
        << ""
        << ""
        << ""
        << ""
        << "" << none << record(12) << false;
    QTest::newRow("key lines after line 16") << true << records(16) + kFullHeader << ""
                                             << ""
                                             << ""
                                             << ""
                                             << ""
                                             << "" << none << record(15) << false;
    QTest::newRow("fewer lines, last held and tested again") << true << QByteArray("INP2 = K\r\nINP1 = mV") << ""
                                                             << ""
                                                             << "INP1 = mV"
                                                             << ""
                                                             << "INP2 = K"
                                                             << "" << none << "INP1 = mV" << true;
    QTest::newRow("INP1 without INP2") << true << QByteArray("INP1 = bar\r\nSR1 =  5\r\n") << ""
                                       << ""
                                       << "INP1 = bar"
                                       << "SR1 =  5"
                                       << ""
                                       << "" << none << "SR1 =  5" << true;
    QTest::newRow("last Pri line wins") << true << kFullHeader + "Pri 2 s\r\n"
                                        << ""
                                        << ""
                                        << "INP1 = bar"
                                        << "SR1 =  5"
                                        << "INP2 = mbar"
                                        << "SR2 = 47"
                                        << "Pri 2 s"
                                        << "Pri 2 s" << true;
    QTest::newRow("notes header with bare CRs")
        << true
        << QByteArray("  Time: 12:00:00\r  Date: 01.02.2026\rNotes :  first\r\nsecond\r") + kFullHeader + records(10)
        << ""
        << ""
        << "INP1 = bar"
        << "SR1 =  5"
        << "INP2 = mbar"
        << "SR2 = 47"
        << "Pri 1 s" << record(6) << true;
    QTest::newRow("bare CRs push the header past line 16") << true << QByteArray(16, '\r') + kFullHeader << ""
                                                           << ""
                                                           << ""
                                                           << ""
                                                           << ""
                                                           << "" << none << "" << false;
    QTest::newRow("LF alone does not end a line") << true << QByteArray("INP1 = bar\nSR1 =  5\r\n") << ""
                                                  << ""
                                                  << "INP1 = bar\nSR1 =  5"
                                                  << ""
                                                  << ""
                                                  << "" << none << "INP1 = bar\nSR1 =  5" << true;
    QTest::newRow("degree sign as byte 176") << true
                                             << QByteArray("INP1 = \xB0"
                                                           "C\r\n")
                                             << ""
                                             << ""
                                             << "INP1 = " + kDegree + "C"
                                             << ""
                                             << ""
                                             << "" << none << "INP1 = " + kDegree + "C" << true;
    QTest::newRow("no work file, held line tested again") << false << QByteArray() << "INP1 = held"
                                                          << ""
                                                          << "INP1 = held"
                                                          << ""
                                                          << ""
                                                          << "" << none << "INP1 = held" << true;
    QTest::newRow("empty work file, held record changes nothing") << true << QByteArray() << record(2) << ""
                                                                  << ""
                                                                  << ""
                                                                  << ""
                                                                  << "" << none << record(2) << false;
    QTest::newRow("stop: INP1 left by the command passes") << true << records(20) << ""
                                                           << "INP1"
                                                           << "INP1"
                                                           << ""
                                                           << ""
                                                           << "" << none << record(15) << true;
}

void TestSensorHeader::scanSnapshot()
{
    QFETCH(bool, workFileExists);
    QFETCH(QByteArray, content);
    QFETCH(QString, bufferBefore);
    QFETCH(QString, inp1Before);
    QFETCH(QString, inp1);
    QFETCH(QString, sr1);
    QFETCH(QString, inp2);
    QFETCH(QString, sr2);
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
    QCOMPARE(result.lines.inp1Line, inp1);
    QCOMPARE(result.lines.sr1Line, sr1);
    QCOMPARE(result.lines.inp2Line, inp2);
    QCOMPARE(result.lines.sr2Line, sr2);
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
