#include "sensor/SensorIni.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using zkd::SensorIni;

class TestSensorIni : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
};

void TestSensorIni::read_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("valueBefore");
    QTest::addColumn<QString>("inp1Line");
    QTest::addColumn<QString>("inp2Line");
    QTest::addColumn<int>("valueAfter");

    QTest::newRow("missing file") << false << QByteArray() << 0 << "0"
                                  << "0" << 0;
    QTest::newRow("missing file keeps the variable") << false << QByteArray() << 9 << "9"
                                                     << "9" << 9;
    QTest::newRow("empty file") << true << QByteArray() << 0 << "0"
                                << "0" << 0;
    QTest::newRow("one number") << true << QByteArray("4\r\n") << 0 << "4"
                                << "4" << 4;
    QTest::newRow("two lines") << true << QByteArray("12\r\n7\r\n") << 0 << "12"
                               << "7" << 7;
    QTest::newRow("comma") << true << QByteArray("12,7") << 0 << "12"
                           << "7" << 7;
    QTest::newRow("leading blanks") << true << QByteArray("   12,  7\r\n") << 0 << "12"
                                    << "7" << 7;
    QTest::newRow("negative") << true << QByteArray("-3\r\n5\r\n") << 0 << "-3"
                              << "5" << 5;
    QTest::newRow("16-bit ends") << true << QByteArray("-32768\r\n32767\r\n") << 0 << "-32768"
                                 << "32767" << 32767;
    QTest::newRow("first out of range") << true << QByteArray("32768\r\n5\r\n") << 2 << "2"
                                        << "5" << 5;
    QTest::newRow("second out of range") << true << QByteArray("12\r\n-32769\r\n") << 0 << "12"
                                         << "12" << 12;
    QTest::newRow("first not a number") << true << QByteArray("abc,7") << 3 << "3"
                                        << "7" << 7;
    QTest::newRow("second not a number") << true << QByteArray("12,abc") << 0 << "12"
                                         << "12" << 12;
    QTest::newRow("fraction is not whole") << true << QByteArray("4.5\r\n6\r\n") << 1 << "1"
                                           << "6" << 6;
    QTest::newRow("third field ignored") << true << QByteArray("1,2,3\r\n") << 0 << "1"
                                         << "2" << 2;
}

void TestSensorIni::read()
{
    QFETCH(bool, fileExists);
    QFETCH(QByteArray, content);
    QFETCH(int, valueBefore);
    QFETCH(QString, inp1Line);
    QFETCH(QString, inp2Line);
    QFETCH(int, valueAfter);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (fileExists) {
        QFile file(dir.filePath(QStringLiteral("sensor.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    }

    const SensorIni::Result result = SensorIni::read(dir.path(), static_cast<std::int16_t>(valueBefore));
    QCOMPARE(result.inp1Line, inp1Line);
    QCOMPARE(result.inp2Line, inp2Line);
    QCOMPARE(int(result.value), valueAfter);
}

QTEST_GUILESS_MAIN(TestSensorIni)
#include "tst_sensor_ini.moc"
