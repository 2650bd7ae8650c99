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

    // `content` null: no sensor.ini.
    const auto row = [](const char *name, const char *content, int before, const char *inp1, const char *inp2,
                        int after) {
        QTest::newRow(name) << (content != nullptr) << QByteArray(content) << before << QString::fromLatin1(inp1)
                            << QString::fromLatin1(inp2) << after;
    };
    row("missing file", nullptr, 0, "0", "0", 0);
    row("missing file keeps the variable", nullptr, 9, "9", "9", 9);
    row("empty file", "", 0, "0", "0", 0);
    row("one number", "4\r\n", 0, "4", "4", 4);
    row("two lines", "12\r\n7\r\n", 0, "12", "7", 7);
    row("comma", "12,7", 0, "12", "7", 7);
    row("leading blanks", "   12,  7\r\n", 0, "12", "7", 7);
    row("negative", "-3\r\n5\r\n", 0, "-3", "5", 5);
    row("16-bit ends", "-32768\r\n32767\r\n", 0, "-32768", "32767", 32767);
    row("first out of range", "32768\r\n5\r\n", 2, "2", "5", 5);
    row("second out of range", "12\r\n-32769\r\n", 0, "12", "12", 12);
    row("first not a number", "abc,7", 3, "3", "7", 7);
    row("second not a number", "12,abc", 0, "12", "12", 12);
    row("fraction is not whole", "4.5\r\n6\r\n", 1, "1", "6", 6);
    row("third field ignored", "1,2,3\r\n", 0, "1", "2", 2);
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
