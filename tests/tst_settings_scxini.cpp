#include "serial/MSComm1.h"
#include "settings/ScxIni.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace zkd;

class TestScxIni : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString write(const QByteArray &content)
    {
        QString path = m_dir.filePath(QStringLiteral("scx.ini"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
        return path;
    }

private slots:
    void missingFile()
    {
        const auto r = readScxIni(m_dir.filePath(QStringLiteral("nothing.ini")), 9);
        QVERIFY(r.fields.isEmpty());
        QVERIFY(!r.error.isEmpty());
    }

    void fullFileAsTheDialogWritesIt()
    {
        const auto r = readScxIni(write("C:\\Prog\\excel.exe\r\n3\r\nEnglish\r\n 11 \r\n 1 \r\n\r\n\r\n0\r\nReady\r\n"),
                                  9);
        QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
        QCOMPARE(r.fields, (QStringList{"C:\\Prog\\excel.exe", "3", "English", "11 ", "1 ", "", "", "0", "Ready"}));
        QCOMPARE(scxLeadingInt16(r.fields[3]).value(), 11);
        QCOMPARE(scxWholeInt16(QStringLiteral(" 11 ")).value(), 11);
        // The dialog reads two more fields than the file holds.
        const auto eleven = readScxIni(write("a\r\n2\r\nDeutsch\r\n 14 \r\n 1 \r\n\r\n\r\n1\r\nReady\r\n"), 11);
        QCOMPARE(eleven.fields.size(), 9);
        QVERIFY(!eleven.error.isEmpty());
    }

    void shortFileGivesWhatItHas()
    {
        const auto r = readScxIni(write("path\r\n2\r\n"), 9);
        QCOMPARE(r.fields, (QStringList{"path", "2"}));
        QVERIFY(!r.error.isEmpty());
    }

    void fieldRules_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("comma splits") << QByteArray("a,b\r\nc\r\n") << QStringList{"a", "b", "c"};
        QTest::newRow("leading blanks skipped") << QByteArray("   x\r\n") << QStringList{"x"};
        QTest::newRow("quoted keeps comma")
            << QByteArray("\"C:\\a,b\\x.exe\"\r\n2\r\n") << QStringList{"C:\\a,b\\x.exe", "2"};
        QTest::newRow("quote runs over line end") << QByteArray("\"a\r\nb\"\r\nc\r\n") << QStringList{"a\r\nb", "c"};
        QTest::newRow("bare LF line ends") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("last line without end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("empty line is an empty field") << QByteArray("a\r\n\r\nb\r\n") << QStringList{"a", "", "b"};
        QTest::newRow("latin-1 byte") << QByteArray("Fran\xe7"
                                                    "ais\r\n")
                                      << QStringList{QString::fromUtf8("Fran\u00e7ais")};
    }
    void fieldRules()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, fields);
        const auto r = readScxIniText(content, int(fields.size()));
        QCOMPARE(r.fields, fields);
        QVERIFY(r.error.isEmpty());
    }

    void conversions()
    {
        QCOMPARE(scxLeadingInt16(QStringLiteral("3")).value(), 3);
        QCOMPARE(scxLeadingInt16(QStringLiteral("COM3")).value(), 0);
        QVERIFY(!scxLeadingInt16(QStringLiteral("99999")));
        QVERIFY(!scxWholeInt16(QStringLiteral("1x")));
        QCOMPARE(scxWholeInt16(QStringLiteral(" -3 ")).value(), -3);
        QVERIFY(!scxWholeInt16(QStringLiteral("2.5")));
        // The dialog's fields: decimals rounded halves to even, anything else no number.
        QCOMPARE(scxNumberInt16(QStringLiteral(" 2.5 ")).value(), 2);
        QCOMPARE(scxNumberInt16(QStringLiteral("3.5")).value(), 4);
        QCOMPARE(scxNumberInt16(QStringLiteral("-12.4")).value(), -12);
        for (const char *no : {"", ".", "1.2.3", "1x", "0x10", "1e1", "40000"})
            QVERIFY2(!scxNumberInt16(QString::fromLatin1(no)), no);
    }

    // Line 2: a number names the platform's classic port, anything else is
    // the device's own name and is used as written. A number the link
    // refuses gives no port (the link keeps the one it has).
    void portOfLine2_data()
    {
        QTest::addColumn<QString>("line2");
        QTest::addColumn<QString>("port"); // null: refused
        const auto row = [](const char *name, const char *line2, const QString &port) {
            QTest::newRow(name) << QString::fromLatin1(line2) << port;
        };
#ifdef Q_OS_WIN
        row("1 is COM1", "1", "COM1");
        row("two digits, blanks", " 12 ", "COM12");
#else
        row("1 is the first serial device", "1", "/dev/ttyS0");
        row("two digits, blanks", " 12 ", "/dev/ttyS11");
#endif
        row("255, the last number", "255", portNameFromNumber(255));
        row("256", "256", QString());
        row("too large for 16 bits", "99999999999", QString());
        row("port name", "COM3", "COM3");
        row("device path", "\\\\.\\COM10", "\\\\.\\COM10");
        row("unix device path", "/dev/ttyUSB0", "/dev/ttyUSB0");
    }
    void portOfLine2()
    {
        QFETCH(QString, line2);
        QFETCH(QString, port);
        QCOMPARE(portNameFromSetting(line2), port.isNull() ? std::nullopt : std::optional<QString>(port));
    }

    // The serial settings text: baud, parity, data and stop bits; the link
    // keeps its settings and its port when given ones it refuses.
    void serialSettingsText()
    {
        QVERIFY(!parseSerialSettings(QStringLiteral(",n,8,1")));
        QVERIFY(!parseSerialSettings(QStringLiteral("9600")));
        QVERIFY(!parseSerialSettings(QStringLiteral("fast,n,8,1")));
        QVERIFY(!parseSerialSettings(QString::fromUtf16(u"9600\0\0,n,8,1", 13)));
        QCOMPARE(parseSerialSettings(QStringLiteral("9600,n,8,1"))->baudRate, 9600);
        QCOMPARE(parseSerialSettings(QStringLiteral("921600,N,8,1"))->baudRate, 921600);
        MSComm1 comm;
        QVERIFY(!comm.setSettings(QStringLiteral(",n,8,1")));
        QCOMPARE(comm.settings(), QStringLiteral("2400,n,8,1"));
        QVERIFY(!comm.setCommPort(0));
        QCOMPARE(comm.portName(), portNameFromNumber(1));
    }

    void writerRoundTrip()
    {
        ScxIniValues v;
        v.spreadsheetPath = QStringLiteral("/opt/calc, new/bin/calc");
        v.port = QStringLiteral("/dev/ttyUSB0");
        v.language = QStringLiteral("Francais");
        v.foreColour = 14;
        v.backColour = 1;
        v.extendedMode = QStringLiteral("1");
        const QString path = m_dir.filePath(QStringLiteral("written.ini"));
        QCOMPARE(writeScxIni(path, v), QString());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(
            f.readAll(),
            QByteArray(
                "\"/opt/calc, new/bin/calc\"\r\n/dev/ttyUSB0\r\nFrancais\r\n 14 \r\n 1 \r\n\r\n\r\n1\r\nReady\r\n"));
        const auto r = readScxIni(path, 9);
        QVERIFY(r.error.isEmpty());
        QCOMPARE(r.fields[0], v.spreadsheetPath);
        QCOMPARE(r.fields[1], v.port);
        QCOMPARE(r.fields[2], v.language);
        QCOMPARE(scxLeadingInt16(r.fields[3]).value(), 14);
        QCOMPARE(r.fields[8], QStringLiteral("Ready"));
    }

    void writerReportsFailureAndKeepsOldFile()
    {
        // A folder in place of the file cannot be replaced, whoever runs the test.
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("blocked/scx.ini")));
        const QString path = m_dir.filePath(QStringLiteral("blocked/scx.ini"));
        QVERIFY(!writeScxIni(path, ScxIniValues{}).isEmpty());
        QVERIFY(QFileInfo(path).isDir());
    }
};

QTEST_GUILESS_MAIN(TestScxIni)
#include "tst_settings_scxini.moc"
