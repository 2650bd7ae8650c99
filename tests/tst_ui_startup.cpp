#include "DataRows.h"
#include "FormFixture.h"
#include "app/Form1.h"
#include "app/PictureButton.h"
#include "app/ScaleLabel.h"
#include "files/ui/Form2.h"
#include "serial/MSComm1.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace zkd;
using zkd::test::row;

namespace {

struct Fixture : test::FormFixture
{
    Form1 &start() { return startForm(); }
    static QByteArray settingsFor(const char *language, const char *fore = " 11 ", const char *back = " 1 ")
    {
        return settings("2", language, fore, back);
    }
};

QString menuTitle(Form1 &f, const char *name)
{
    return f.findChild<QMenu *>(QString::fromLatin1(name))->title();
}
QString actionText(Form1 &f, const char *name)
{
    return f.findChild<QAction *>(QString::fromLatin1(name))->text();
}
QString tip(Form1 &f, const char *name)
{
    return f.findChild<QWidget *>(QString::fromLatin1(name))->toolTip();
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void languageTexts_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QString>("label2");
        QTest::addColumn<QString>("fileMenu");
        QTest::addColumn<QString>("save");
        QTest::addColumn<QString>("settingsMenu");
        QTest::addColumn<QString>("userSettings");
        QTest::addColumn<QString>("button2Tip");
        QTest::addColumn<QString>("form2Caption");
        const QString built2 = QString::fromUtf8("Messdaten speichern");
        row("German", QByteArray("Deutsch"), "Notizen", "&Datei", "&Speichern", "&Einstellungen", "&Programm Optionen",
            built2, QString());
        row("English", QByteArray("English"), "Notes", "&File", "&Save", "&Settings", "&User settings",
            " Save the Measurement File", " Clean Measurement");
        row("French", QByteArray("Francais"), "Note", "&File", "&Sauver", "&Options", "&User Setting",
            " Enregistrer la mesure", QString::fromUtf8(" Efface données"));
        row("lower-case english", QByteArray("english"), "Notizen", "&File", "&Save", "&Settings", "&User settings",
            built2, QString());
    }
    void languageTexts()
    {
        QFETCH(QByteArray, language);
        QFETCH(QString, label2);
        QFETCH(QString, fileMenu);
        QFETCH(QString, save);
        QFETCH(QString, settingsMenu);
        QFETCH(QString, userSettings);
        QFETCH(QString, button2Tip);
        QFETCH(QString, form2Caption);
        Fixture fx;
        QVERIFY(fx.writeSettings(fx.settingsFor(language.constData())));
        Form1 &f = fx.start();
        QCOMPARE(f.windowTitle(), QStringLiteral("ZKD735  Data Recorder"));
        QCOMPARE(f.Label2->text(), label2);
        QCOMPARE(menuTitle(f, "Dateien"), fileMenu);
        QCOMPARE(actionText(f, "SScommand4"), save);
        QCOMPARE(menuTitle(f, "MPort"), settingsMenu);
        QCOMPARE(actionText(f, "Path"), userSettings);
        QCOMPARE(tip(f, "Button2"), button2Tip);
        // Texts no language touches.
        QCOMPARE(actionText(f, "SSCommand2"), QStringLiteral("&Start / Stop"));
        QCOMPARE(actionText(f, "cmdstart"), QStringLiteral("Daten Export --> Excel"));
        QCOMPARE(
            f.Label1->text(),
            QStringLiteral("     Time        ACT 1        MAX 1       MIN 1        ACT 2        MAX 2      MIN 2 "));
        // English and French create the delete dialog (hidden) with their caption.
        if (form2Caption.isEmpty()) {
            QVERIFY(!f.existingForm2());
        } else {
            QVERIFY(f.existingForm2());
            QCOMPARE(f.existingForm2()->windowTitle(), form2Caption);
            QVERIFY(!f.existingForm2()->isVisible());
        }
        QVERIFY(fx.prompts.messages.isEmpty());
        QVERIFY(f.WorkFileNumber() != 0);
    }

    void builtStateAfterStartUp()
    {
        Fixture fx;
        QVERIFY(fx.writeSettings(fx.settingsFor("English")));
        Form1 &f = fx.start();
        QVERIFY(f.Label7->isHidden());
        QVERIFY(f.Label8->isHidden());
        QCOMPARE(f.Label9->text(), QStringLiteral("*"));
        QCOMPARE(f.Label10->text(), QStringLiteral("*"));
        QVERIFY(f.findChild<QAction *>(QStringLiteral("SScommand3"))->isVisible() == false);
        QVERIFY(!f.findChild<QAction *>(QStringLiteral("cmdstart"))->isEnabled());
        QVERIFY(!f.comm().PortOpen());
        QVERIFY(!f.timerActive());
        QVERIFY(f.Check1->isChecked());
        QCOMPARE(f.Text1_0->text(), QStringLiteral("SK1"));
        // sensor.ini is missing: both lines hold 0.
        QCOMPARE(f.globals().Inp1Line, QStringLiteral("0"));
        QCOMPARE(f.globals().Inp2Line, QStringLiteral("0"));
    }

    void coloursAndSerialSettings()
    {
        Fixture fx;
        QVERIFY(fx.writeSettings("\r\n3\r\nEnglish\r\n 14 \r\n 1 \r\n9600\r\n\r\n0\r\nReady\r\n"));
        Form1 &f = fx.start();
        for (QPlainTextEdit *box : {f.Term, f.Text2}) {
            QCOMPARE(box->palette().color(QPalette::Text), QColor(255, 255, 0));
            QCOMPARE(box->palette().color(QPalette::Base), QColor(0, 0, 128));
        }
        QCOMPARE(f.comm().settings(), QStringLiteral("9600,n,8,1"));
#ifndef Q_OS_WIN
        QCOMPARE(f.comm().portName(), QStringLiteral("/dev/ttyS2"));
#endif
    }

    void portLine_data()
    {
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<QByteArray>("line2");
        QTest::addColumn<int>("port");         // the port number the link then opens
        QTest::addColumn<QString>("reported"); // empty: no start-up message
        QTest::newRow("no file") << false << QByteArray() << 1 << "the file cannot be read (the file does not exist)";
        QTest::newRow("empty line") << true << QByteArray() << 1 << "line 2: no serial port is given";
        QTest::newRow("0") << true << QByteArray("0") << 1 << "line 2: \"0\" is not a port number from 1 to 255";
        QTest::newRow("1.7") << true << QByteArray("1.7") << 2 << "";
        QTest::newRow("2.5, half to even") << true << QByteArray("2.5") << 2 << "";
        QTest::newRow("3.5, half to even") << true << QByteArray(" 3.5 ") << 4 << "";
        QTest::newRow("99999") << true << QByteArray("99999") << 1
                               << "line 2: \"99999\" is not a port number from 1 to 255";
    }
    void portLine()
    {
        QFETCH(bool, withFile);
        QFETCH(QByteArray, line2);
        QFETCH(int, port);
        QFETCH(QString, reported);
        Fixture fx;
        if (withFile)
            QVERIFY(fx.writeSettings(fx.settings(line2, "English")));
        Form1 &f = fx.start();
        QCOMPARE(f.comm().portName(), portNameFromNumber(port));
        if (reported.isEmpty()) {
            QCOMPARE(fx.prompts.texts(), QStringList());
        } else {
            QCOMPARE(fx.prompts.messages.size(), 1);
            QVERIFY2(fx.prompts.texts().first().contains(reported), qPrintable(fx.prompts.texts().first()));
        }
        QVERIFY(f.WorkFileNumber() != 0);
    }

    void emptyBaudAndBadColoursKeepWhatIsBuilt()
    {
        Fixture fx;
        QVERIFY(fx.writeSettings("\r\n/dev/ttyUSB0\r\nDeutsch\r\n 16 \r\n x \r\n\r\n\r\n0\r\nReady\r\n"));
        Form1 &f = fx.start();
        QCOMPARE(f.comm().settings(), QStringLiteral("2400,n,8,1"));
        QCOMPARE(f.comm().portName(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(f.Term->palette().color(QPalette::Text), QColor(0, 255, 0));
        QCOMPARE(f.Term->palette().color(QPalette::Base), QColor(0, 0, 0)); // "x" has no number: index 0, black
        // The colour that could not be used is named, once; the working file is still prepared.
        QCOMPARE(fx.prompts.messages.size(), 1);
        QVERIFY2(fx.prompts.messages.first().text.contains(QStringLiteral("Zeile 4: \"16\"")),
                 qPrintable(fx.prompts.messages.first().text));
        QVERIFY(f.WorkFileNumber() != 0);
    }

    void garbageSettingsFileStartsAndSaysWhatItCouldNotUse()
    {
        Fixture fx;
        QByteArray garbage("\x01\xff\r\n\r\nEnglish\r\n 99 \r\n 2 \r\nfast\r\n");
        garbage += QByteArray(200000, 'z') + QByteArray("\r\n\0\0\r\nReady\r\n", 13);
        QVERIFY(fx.writeSettings(garbage));
        Form1 &f = fx.start();
        QCOMPARE(f.Label2->text(), QStringLiteral("Notes"));
        QCOMPARE(f.Term->palette().color(QPalette::Base), QColor(0, 128, 0));
        QCOMPARE(f.comm().settings(), QStringLiteral("2400,n,8,1"));
        QCOMPARE(fx.prompts.messages.size(), 1);
        const QString text = fx.prompts.messages.first().text;
        QVERIFY2(text.contains(QStringLiteral("line 4: \"99\"")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("line 6: \"fast\"")));
        QVERIFY(text.contains(QStringLiteral("line 2: no serial port")));
        QVERIFY(f.WorkFileNumber() != 0);
    }

    void missingSettingsFileIsReportedAndTheRunStillRecords()
    {
        Fixture fx;
        Form1 &f = fx.start();
        QCOMPARE(fx.prompts.messages.size(), 1);
        const PromptMessage &m = fx.prompts.messages.first();
        QVERIFY(m.text.contains(QStringLiteral("scx.ini")));
        QVERIFY(m.text.contains(QStringLiteral("does not exist")));
        QCOMPARE(m.icon, PromptIcon::Warning);
        QCOMPARE(m.title, QStringLiteral("ZKD735_DataRecorder"));
        QVERIFY(f.WorkFileNumber() != 0);
        QVERIFY(QFileInfo::exists(fx.currentDir.filePath(QStringLiteral("Senso.scx"))));
        QCOMPARE(f.Term->palette().color(QPalette::Text), QColor(0, 255, 0));
        QCOMPARE(f.Label2->text(), QStringLiteral("Notizen"));
    }

    void unusableFoldersAreReportedOnce()
    {
        Fixture fx;
        fx.deps.programDir = fx.currentDir.filePath(QStringLiteral("blocked/ZKD735_DataRecorder"));
        fx.deps.settingsFolderUnusable = true;
        fx.deps.unusableMeasurementDir = fx.currentDir.filePath(QStringLiteral("home/ZKD735"));
        Form1 &f = fx.start();
        QCOMPARE(fx.prompts.messages.size(), 1);
        const QString text = fx.prompts.messages.first().text;
        QVERIFY2(
            text.contains(QStringLiteral("The settings folder \"%1\" could not be created").arg(fx.deps.programDir)),
            qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Measurements are kept in \"%1\"").arg(fx.currentDir.path())),
                 qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("cannot be read")));
        // The built-in values: green on black, and the working file is open.
        QCOMPARE(f.Term->palette().color(QPalette::Text), QColor(Qt::green));
        QVERIFY(f.WorkFileNumber() != 0);
    }

    void shortSettingsFileAppliesWhatItHas()
    {
        Fixture fx;
        QVERIFY(fx.writeSettings("\r\n2\r\nFrancais\r\n"));
        Form1 &f = fx.start();
        QCOMPARE(f.Label2->text(), QStringLiteral("Note"));
        QCOMPARE(fx.prompts.messages.size(), 1);
        QVERIFY(fx.prompts.messages.first().text.contains(QStringLiteral("scx.ini")));
        QVERIFY(f.WorkFileNumber() != 0);
    }

    void leftoverWorkFileIsKeptAsBackup()
    {
        Fixture fx;
        QVERIFY(fx.writeSettings(fx.settingsFor("English")));
        {
            QFile old(fx.currentDir.filePath(QStringLiteral("Senso.scx")));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("recorded before a crash\r\n");
        }
        Form1 &f = fx.start();
        QVERIFY(f.WorkFileNumber() != 0);
        QCOMPARE(QFileInfo(fx.currentDir.filePath(QStringLiteral("Senso.scx"))).size(), 0);
        QFile bak(fx.currentDir.filePath(QStringLiteral("Senso.bak")));
        QVERIFY(bak.open(QIODevice::ReadOnly));
        QCOMPARE(bak.readAll(), QByteArray("recorded before a crash\r\n"));
    }

    void undeletableLeftoverShowsTheBilingualMessage()
    {
        Fixture fx;
        QVERIFY(fx.writeSettings(fx.settingsFor("English")));
        // A folder of that name cannot be deleted as a file, whoever runs the test.
        QVERIFY(QDir(fx.currentDir.path()).mkpath(QStringLiteral("Senso.scx/held")));
        Form1 &f = fx.start();
        QCOMPARE(fx.prompts.messages.size(), 1);
        const PromptMessage &m = fx.prompts.messages.first();
        QCOMPARE(m.text, QString::fromUtf8("Please close Microsoft EXCEL ! \r\nBitte Microsoft EXCEL schließen ! "));
        QCOMPARE(m.title, QStringLiteral(" ZKD735 "));
        QCOMPARE(m.icon, PromptIcon::Question);
        QCOMPARE(m.buttons,
                 (QList<PromptButton>{PromptButton::Cancel, PromptButton::TryAgain, PromptButton::Continue}));
        QCOMPARE(f.WorkFileNumber(), std::int16_t(0));
    }

    // Links planted where the program writes (the working file, its backup,
    // the header snapshot) are not written through, and the user is told in
    // the chosen language.
    void plantedLinksAreRefusedAndReported_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("words");
        QTest::newRow("working file, Deutsch")
            << QByteArray("Deutsch") << "Senso.scx" << QStringLiteral("\" ist eine symbolische Verkn\u00fcpfung.");
        QTest::newRow("backup, English") << QByteArray("English") << "Senso.bak"
                                         << QStringLiteral("\" is a symbolic link.");
        QTest::newRow("snapshot, Francais")
            << QByteArray("Francais") << "senso.scy" << QStringLiteral("\" est un lien symbolique.");
    }

    void plantedLinksAreRefusedAndReported()
    {
        QFETCH(QByteArray, language);
        QFETCH(QString, link);
        QFETCH(QString, words);
        Fixture fx;
        QVERIFY(fx.writeSettings(fx.settingsFor(language.constData())));
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("precious"));
        {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("precious");
        }
        const bool snapshot = link == QStringLiteral("senso.scy");
        const QString linkPath = QDir(snapshot ? fx.programDir.path() : fx.currentDir.path()).filePath(link);
        QVERIFY(QFile::link(target, linkPath));
        if (link == QStringLiteral("Senso.bak")) {
            QFile old(fx.currentDir.filePath(QStringLiteral("Senso.scx")));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("recorded before a crash\r\n");
        }

        Form1 &f = fx.start();
        if (snapshot) {
            QVERIFY(f.WorkFileNumber() != 0);
            QFile work(fx.currentDir.filePath(QStringLiteral("Senso.scx")));
            QVERIFY(work.open(QIODevice::WriteOnly | QIODevice::Append));
            work.write("INP1 = bar\r\n");
            work.close();
            f.KopfLesen_Click();
            QCOMPARE(f.findChild<QLabel *>(QStringLiteral("Label5"))->text(), QStringLiteral("INP1 = bar"));
        } else {
            QCOMPARE(f.WorkFileNumber(), std::int16_t(0));
        }
        QCOMPARE(fx.prompts.messages.size(), 1);
        const PromptMessage &m = fx.prompts.messages.first();
        QVERIFY2(m.text.startsWith(QLatin1Char('"') + QDir::toNativeSeparators(linkPath) + words), qPrintable(m.text));
        QCOMPARE(m.icon, PromptIcon::Warning);
        QFile precious(target);
        QVERIFY(precious.open(QIODevice::ReadOnly));
        QCOMPARE(precious.readAll(), QByteArray("precious"));
        QVERIFY(QFileInfo(linkPath).isSymbolicLink());
    }

    void doubleClicksEmptyTableAndNotes()
    {
        Fixture fx;
        QVERIFY(fx.writeSettings(fx.settingsFor("English")));
        Form1 &f = fx.start();
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.ProcessReceived("1.0 2.0 3.0 4.0 5.0 6.0 7.0\r");
        f.ProcessReceived("x");
        const auto unsaved = f.UnsavedLength();
        QVERIFY(unsaved > 0);
        QTest::mouseDClick(f.Term->viewport(), Qt::LeftButton);
        QVERIFY(f.termText().isEmpty());
        QVERIFY(f.Term->toPlainText().isEmpty());
        // The recording and the measure of unsaved data are untouched.
        QCOMPARE(f.UnsavedLength(), unsaved);
        QFile work(fx.currentDir.filePath(QStringLiteral("Senso.scx")));
        QVERIFY(work.open(QIODevice::ReadOnly));
        QCOMPARE(work.readAll(), QByteArray("1.0 2.0 3.0 4.0 5.0 6.0 7.0\r\nx"));
        f.ProcessReceived("y");
        QCOMPARE(f.termText(), QStringLiteral("y"));

        f.Text2->setPlainText(QStringLiteral("notes of this run"));
        f.Text2->setReadOnly(true); // also during a run
        QTest::mouseDClick(f.Text2->viewport(), Qt::LeftButton);
        QVERIFY(f.Text2->toPlainText().isEmpty());
    }

    void windowRefusesToClose()
    {
        Fixture fx;
        QVERIFY(fx.writeSettings(fx.settingsFor("English")));
        Form1 &f = fx.start();
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(!f.close());
        QVERIFY(f.isVisible());
        QVERIFY(!(f.windowFlags() & Qt::WindowCloseButtonHint));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_ui_startup.moc"
