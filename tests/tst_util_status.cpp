#include "DataRows.h"
#include "TestFiles.h"
#include "files/Recovery.h"
#include "util/StatusFormat.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The rules behind the status bar and the recovery of a kept recording.

using namespace zkd;

using zkd::test::readFile;
using zkd::test::row;
using zkd::test::writeFile;

namespace {

constexpr qint64 kMB = qint64(1024) * 1024;

} // namespace

class TestStatusAndRecovery : public QObject
{
    Q_OBJECT
private slots:
    void figuresInTheLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("megabytes");
        QTest::addColumn<QString>("gigabytes");
        // 1234567 lines; 87.5 MB; 1.25 GB rounds to one decimal.
        row("German", "Deutsch", "1.234.567", "87,5 MB", "1,3 GB");
        row("English", "English", "1,234,567", "87.5 MB", "1.3 GB");
        row("French", "Francais", "1\u202f234\u202f567", "87,5 Mo", "1,3 Go");
        row("no language", "", "1,234,567", "87.5 MB", "1.3 GB");
    }
    void figuresInTheLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, count);
        QFETCH(QString, megabytes);
        QFETCH(QString, gigabytes);
        const Language lang(language);
        QCOMPARE(status::count(1234567, lang), count);
        QCOMPARE(status::size(87 * kMB + kMB / 2, lang), megabytes);
        QCOMPARE(status::size(qint64(1.26 * 1024 * kMB), lang), gigabytes);
    }

    void durationsAndPort()
    {
        QCOMPARE(status::elapsed(0), QStringLiteral("0:00:00"));
        QCOMPARE(status::elapsed(7999), QStringLiteral("0:00:07"));
        QCOMPARE(status::elapsed((27 * 3600 + 13 * 60 + 5) * 1000LL), QStringLiteral("27:13:05"));
        QCOMPARE(status::elapsed(-5), QStringLiteral("0:00:00"));
        // Paths are shown in the platform's own separators.
        const QString ttyUSB0 = QDir::toNativeSeparators(QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(status::portSummary(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("9600,n,8,1")),
                 ttyUSB0 + QStringLiteral(" \u00b7 9600,n,8,1"));
        QCOMPARE(status::portSummary(QString(), QStringLiteral("9600,n,8,1")), QStringLiteral("\u2013"));
        // Short of room the device's name stands for the path, whole however long.
        const QString settings = QStringLiteral("9600,n,8,1");
        QCOMPARE(status::portField(QStringLiteral("/dev/ttyUSB0"), settings, 32),
                 ttyUSB0 + QStringLiteral(" \u00b7 9600,n,8,1"));
        QCOMPARE(status::portField(QStringLiteral("/home/anna/zkd735/build/bin/ttyZKD735"), settings, 32),
                 QStringLiteral("ttyZKD735 \u00b7 9600,n,8,1"));
        const QString byId = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
        QCOMPARE(status::portField(byId, settings, 32),
                 QStringLiteral("usb-FTDI_FT232R_A50285BI-if00-port0 \u00b7 9600,n,8,1"));
    }

    void lowSpaceWarnsOncePerFall()
    {
        status::LowSpaceWatch watch;
        const std::optional<qint64> plenty = status::kLowSpaceBytes;
        const std::optional<qint64> low = status::kLowSpaceBytes - 1;
        QCOMPARE(watch.update(plenty), false);
        QCOMPARE(watch.update(low), true);
        QVERIFY(watch.low());
        QCOMPARE(watch.update(low), false);
        QCOMPARE(watch.update(std::nullopt), false); // unknown: stays low, no new warning
        QVERIFY(watch.low());
        QCOMPARE(watch.update(low), false);
        QCOMPARE(watch.update(plenty), false);
        QVERIFY(!watch.low());
        QCOMPARE(watch.update(low), true);
    }

    void freeSpaceOfAFolder()
    {
        QTemporaryDir dir;
        const auto free = status::freeBytes(dir.path());
        QVERIFY(free.has_value());
        QVERIFY(*free > 0);
        QCOMPARE(status::freeBytes(dir.filePath(QStringLiteral("missing/deeper"))), std::nullopt);
    }

    void recoverableOnlyWithContent()
    {
        QTemporaryDir dir;
        const QString bak = dir.filePath(QStringLiteral("Senso.bak"));
        QVERIFY(!recovery::recoverableSince(bak));
        QVERIFY(writeFile(bak, QByteArray()));
        QVERIFY(!recovery::recoverableSince(bak));
        QVERIFY(writeFile(bak, "x"));
        const auto since = recovery::recoverableSince(bak);
        QVERIFY(since.has_value());
        QVERIFY(qAbs(since->secsTo(QDateTime::currentDateTime())) < 60);
        QVERIFY(QFile::remove(bak));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Senso.bak")));
        QVERIFY(!recovery::recoverableSince(bak));
    }

    void recoverCopiesThenRemoves()
    {
        QTemporaryDir dir;
        const QString bak = dir.filePath(QStringLiteral("Senso.bak"));
        QByteArray bytes("  Time: 14:03:22\r  Date: 08.12.2026\rNotes :  \r");
        for (int i = 0; i < 256; ++i)
            bytes.append(char(i));
        QVERIFY(writeFile(bak, bytes));
        const QString target = dir.filePath(QStringLiteral("run.csv"));
        QVERIFY(writeFile(target, "older content that is replaced"));

        const recovery::Result done = recovery::recover(bak, target);
        QCOMPARE(int(done.outcome), int(recovery::Result::Outcome::Recovered));
        QCOMPARE(readFile(target), bytes);
        QVERIFY(!QFile::exists(bak));

        // Into a folder that cannot be written: nothing half-written, the backup kept.
        QVERIFY(writeFile(bak, bytes));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("plain")), "x"));
        const recovery::Result failed = recovery::recover(bak, dir.filePath(QStringLiteral("plain/run.csv")));
        QCOMPARE(int(failed.outcome), int(recovery::Result::Outcome::CopyFailed));
        QVERIFY(failed.errorText.contains(QStringLiteral("run.csv")));
        QCOMPARE(readFile(bak), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3); // Senso.bak, plain, run.csv
    }
};

QTEST_MAIN(TestStatusAndRecovery)
#include "tst_util_status.moc"
