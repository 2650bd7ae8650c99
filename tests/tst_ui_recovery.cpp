#include "FormFixture.h"
#include "app/StatusPanel.h"
#include "files/WorkFile.h"
#include "app/WindowPlacement.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QtTest>

// Recovering the recording kept as Senso.bak, the status bar's own rules and
// where the main window is placed.

using namespace zkd;

using zkd::test::readFile;
using zkd::test::writeFile;

namespace {

constexpr qint64 kMB = 1024 * 1024;

struct Fixture : test::FormFixture
{
    QString bak() const { return QDir(current).filePath(QStringLiteral("Senso.bak")); }
    QString file(const char *name) const { return QDir(current).filePath(QString::fromLatin1(name)); }
    // A window started over a working file that a crash left behind.
    Form1 &startAfterCrash(const QByteArray &language, const QByteArray &leftover)
    {
        writeSettings(settings("1", language));
        writeFile(currentDir.filePath(QStringLiteral("Senso.scx")), leftover);
        return startForm();
    }
    bool recoverEnabled()
    {
        emit form->Dateien->aboutToShow();
        return form->MRecover->isEnabled();
    }
    QString field(const char *name) const { return form->findChild<QLabel *>(QString::fromLatin1(name))->text(); }
};

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT
private slots:
    void cancelKeepsAndTheItemFollowsTheFile()
    {
        Fixture fx;
        Form1 &form = fx.startAfterCrash("English", "kept\r\n");
        QCOMPARE(form.MRecover->text(), QStringLiteral("Recover last unsaved measurement\u2026"));
        QVERIFY(form.MRecover->isEnabled());
        QVERIFY(form.StatusBar->currentMessage().endsWith(QStringLiteral("can be recovered from the File menu.")));

        form.MRecover->trigger(); // no file queued: the dialog is cancelled
        QCOMPARE(fx.prompts.fileRequests.size(), 1);
        QVERIFY(fx.prompts.fileRequests[0].save);
        QCOMPARE(fx.prompts.fileRequests[0].request.title, QStringLiteral("Do you want to save the measurement ?"));
        QCOMPARE(fx.prompts.fileRequests[0].request.filter, QStringLiteral("Filetyp Excel(*.csv)|*.csv"));
        QCOMPARE(readFile(fx.bak()), QByteArray("kept\r\n"));
        QVERIFY(fx.recoverEnabled());
        QVERIFY(fx.prompts.messages.isEmpty());

        QVERIFY(writeFile(fx.bak(), QByteArray()));
        QVERIFY(!fx.recoverEnabled());
        QVERIFY(writeFile(fx.bak(), "again"));
        QVERIFY(fx.recoverEnabled());
        QVERIFY(QFile::remove(fx.bak()));
        QVERIFY(!fx.recoverEnabled());

        // A run the user throws away at its stop is deleted; the recording
        // still waiting to be recovered stays as it is.
        QVERIFY(writeFile(fx.bak(), "waiting\r\n"));
        form.ProcessReceived("discarded run\r\n");
        QVERIFY(!fx.workFile().isEmpty());
        fx.prompts.answers << PromptButton::No;
        form.AskSaveAfterStop();
        QCOMPARE(fx.workFile(), QByteArray());
        QCOMPARE(WorkFile::backupsFor(fx.file("Senso.scx")), QStringList{fx.bak()});
        QCOMPARE(readFile(fx.bak()), QByteArray("waiting\r\n"));
        QVERIFY(form.MRecover->isEnabled());
    }

    // A crash while an earlier crash's run still waits keeps both; the item
    // offers the newest first, then the older one.
    void leftoversWaitSideBySide()
    {
        Fixture fx;
        fx.startAfterCrash("English", "first\r\n");
        fx.form.reset();
        QVERIFY(writeFile(fx.file("Senso.scx"), "second\r\n"));
        Form1 &form = fx.startForm();
        const QString second = fx.file("Senso.2.bak");
        QCOMPARE(WorkFile::backupsFor(fx.file("Senso.scx")), (QStringList{second, fx.bak()}));
        QCOMPARE(readFile(fx.bak()), QByteArray("first\r\n"));

        fx.prompts.files << fx.file("newer.csv") << fx.file("older.csv");
        form.MRecover->trigger();
        QCOMPARE(readFile(fx.file("newer.csv")), QByteArray("second\r\n"));
        QVERIFY(!QFile::exists(second));
        QVERIFY(form.MRecover->isEnabled());
        form.MRecover->trigger();
        QCOMPARE(readFile(fx.file("older.csv")), QByteArray("first\r\n"));
        QVERIFY(!form.MRecover->isEnabled());

        // A third crash, after both were recovered, starts again at Senso.bak.
        fx.form.reset();
        QVERIFY(writeFile(fx.file("Senso.scx"), "third\r\n"));
        fx.startForm();
        QCOMPARE(WorkFile::backupsFor(fx.file("Senso.scx")), QStringList{fx.bak()});
    }

    void goneBeforeTheClick_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("removed") << "removed";
        QTest::newRow("emptied") << "emptied";
        QTest::newRow("replaced by a folder") << "folder";
    }
    void goneBeforeTheClick()
    {
        QFETCH(QString, change);
        Fixture fx;
        Form1 &form = fx.startAfterCrash("English", "kept\r\n");
        QVERIFY(form.MRecover->isEnabled());
        QVERIFY(QFile::remove(fx.bak()));
        if (change == QLatin1String("emptied"))
            QVERIFY(writeFile(fx.bak(), QByteArray()));
        else if (change == QLatin1String("folder"))
            QVERIFY(QDir(fx.current).mkdir(QStringLiteral("Senso.bak")));
        const QByteArray work = fx.workFile();

        form.MRecover->trigger();
        QVERIFY(!form.MRecover->isEnabled());
        QCOMPARE(fx.prompts.fileRequests.size(), 0);
        QCOMPARE(fx.prompts.messages.size(), 1);
        QCOMPARE(fx.prompts.messages[0].icon, PromptIcon::Warning);
        QCOMPARE(fx.prompts.messages[0].text,
                 QStringLiteral("The unsaved measurement \"%1\" is no longer there or is empty. There is nothing to "
                                "recover.")
                     .arg(QDir::toNativeSeparators(fx.bak())));
        QCOMPARE(fx.workFile(), work);
        QCOMPARE(QDir(fx.current).entryList({QStringLiteral("*.csv")}, QDir::Files), QStringList());
    }

    void savedUnderTheSaveRulesInGerman()
    {
        Fixture fx;
        const QByteArray kept("  Uhrzeit: 14:03:22\r  Datum: 08.12.2026\rNotes :  \rINP1 = bar\r\n  1,0 2,5\r\n");
        Form1 &form = fx.startAfterCrash("Deutsch", kept);
        QCOMPARE(form.MRecover->text(), QStringLiteral("Letzte ungesicherte Messung wiederherstellen\u2026"));
        QVERIFY(form.StatusBar->currentMessage().startsWith(QStringLiteral("Eine ungesicherte Messung vom ")));
        QVERIFY(form.StatusBar->currentMessage().contains(QStringLiteral("\u201eDatei\u201c")));
        QVERIFY(writeFile(fx.file("alt.csv"), "older"));

        // An existing name answered No brings the dialog back; dots leave the name.
        fx.prompts.files << fx.file("alt.csv") << fx.file("probe.7");
        fx.prompts.answers << PromptButton::No;
        form.MRecover->trigger();
        QCOMPARE(fx.prompts.fileRequests.size(), 2);
        QCOMPARE(fx.prompts.texts(),
                 QStringList{QStringLiteral("Soll die Datei  %1 \u00fcberschreiben ?? ")
                                 .arg(QDir::toNativeSeparators(fx.file("alt.csv")))});
        QCOMPARE(readFile(fx.file("probe7.csv")), kept);
        QCOMPARE(readFile(fx.file("alt.csv")), QByteArray("older"));
        QVERIFY(!QFile::exists(fx.bak()));
        QVERIFY(!form.MRecover->isEnabled());
        QCOMPARE(form.StatusBar->currentMessage(), QString());
        // The working file and the Save command's state are not touched.
        QCOMPARE(fx.workFile(), QByteArray());
        QCOMPARE(form.SavedFileName(), QString());
    }

    void statusFieldsAndLowSpace()
    {
        Fixture fx;
        fx.clock.followReal = false;
        std::optional<qint64> free = 250 * kMB;
        fx.writeSettings("\r\n/dev/ttyZKD\r\nFrancais\r\n 10 \r\n 0 \r\n9600\r\n\r\n0\r\nReady\r\n");
        Form1 &form = fx.startForm();
        form.StatusBar->setFreeSpaceQuery([&free](const QString &) { return free; });
        form.StatusBar->refresh();
        QCOMPARE(fx.field("StatusPort"), QStringLiteral("/dev/ttyZKD \u00b7 9600,n,8,1"));
        QCOMPARE(fx.field("StatusState"), QStringLiteral("Ferm\u00e9"));
        QCOMPARE(fx.field("StatusCounts"), QStringLiteral("0 lignes \u00b7 0 octets"));
        QCOMPARE(fx.field("StatusElapsed"), QStringLiteral("\u2013"));
        QCOMPARE(fx.field("StatusFree"), QStringLiteral("250,0 Mo libres"));
        QCOMPARE(form.StatusBar->currentMessage(), QString());

        free = 99 * kMB;
        form.StatusBar->refresh();
        QCOMPARE(fx.field("StatusFree"), QStringLiteral("99,0 Mo libres"));
        QVERIFY(
            form.findChild<QLabel *>(QStringLiteral("StatusFree"))->styleSheet().contains(QStringLiteral("#c00000")));
        QCOMPARE(form.StatusBar->currentMessage(),
                 QStringLiteral("Espace disque faible : plus que 99,0 Mo libres dans \"%1\".")
                     .arg(QDir::toNativeSeparators(fx.current)));
        form.StatusBar->clearMessage();
        form.StatusBar->refresh();
        QCOMPARE(form.StatusBar->currentMessage(), QString()); // warned once

        free = std::nullopt;
        form.StatusBar->refresh();
        QCOMPARE(fx.field("StatusFree"), QStringLiteral("\u2013"));
        QCOMPARE(form.StatusBar->currentMessage(), QString());
        QCOMPARE(fx.prompts.messages.size(), 0);
    }

    void placedInsideTheArea_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("fits, centred") << QSize(900, 700) << QRect(0, 0, 1280, 1024) << QPoint(190, 162);
        QTest::newRow("fits, odd remainder dropped") << QSize(901, 701) << QRect(0, 0, 1280, 1024) << QPoint(189, 161);
        QTest::newRow("wider than the area") << QSize(1300, 700) << QRect(0, 0, 1280, 1024) << QPoint(0, 162);
        QTest::newRow("taller, area below a top panel")
            << QSize(800, 700) << QRect(0, 30, 1093, 584) << QPoint(146, 30);
        QTest::newRow("second screen on the left")
            << QSize(900, 700) << QRect(-1366, 0, 1366, 768) << QPoint(-1133, 34);
    }
    void placedInsideTheArea()
    {
        QFETCH(QSize, size);
        QFETCH(QRect, area);
        QFETCH(QPoint, topLeft);
        QCOMPARE(placeInArea(size, area).topLeft(), topLeft);
    }

    void mainWindowFitsTheScreenAndGrows()
    {
        Fixture fx;
        fx.writeSettings(test::FormFixture::settings("1", "English"));
        Form1 &form = fx.startForm();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(area.contains(form.frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(form.frameGeometry().x())
                                .arg(form.frameGeometry().y())
                                .arg(form.frameGeometry().width())
                                .arg(form.frameGeometry().height())));
        const QSize table = form.Term->size();
        const QSize notes = form.Text2->size();
        const QSize act = form.Text8->size();
        form.resize(form.width() + 200, form.height() + 300);
        QTRY_VERIFY(form.Term->height() > table.height() + 100);
        QVERIFY(form.Term->width() > table.width() + 150);
        QVERIFY(form.Text2->height() > notes.height());
        QCOMPARE(form.Text8->height(), act.height());
    }
};

QTEST_MAIN(TestRecovery)
#include "tst_ui_recovery.moc"
