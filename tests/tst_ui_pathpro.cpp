#include "DataRows.h"
#include "FormFixture.h"
#include "app/Form1.h"
#include "app/PictureButton.h"
#include "app/SingleInstance.h"
#include "settings/ui/Pathpro.h"
#include "util/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSaveFile>
#include <QScrollBar>
#include <QSerialPortInfo>
#include <QStandardPaths>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace zkd;

using zkd::test::readFile;
using zkd::test::row;
using zkd::test::writeFile;

namespace {

// A main window over two temporary folders, not started; the dialog under
// test hangs off it.
struct Rig : test::FormFixture
{
    explicit Rig(const QString &programFolder = {})
    {
        if (!programFolder.isEmpty())
            deps.programDir = programFolder;
        // Saving restarts the program: here a program that does nothing.
        deps.executablePath = QStandardPaths::findExecutable(QStringLiteral("true"));
        buildForm();
    }
    ~Rig() { delete form->pathpro(); }

    QString currentIni() const { return currentDir.filePath(QStringLiteral("scx.ini")); }
    QString programIni() const { return programDir.filePath(QStringLiteral("scx.ini")); }

    Pathpro *open()
    {
        form->Path_Click();
        return form->pathpro();
    }
};

QColor base(const QWidget *w)
{
    return w->palette().color(QPalette::Base);
}

QColor textColour(const QWidget *w)
{
    return w->palette().color(QPalette::Text);
}

// A tiny program that notes the folder it was started in.
QString writeMarkerProgram(const QString &folder)
{
    const QString path = QDir(folder).filePath(QStringLiteral("restart-probe.sh"));
    const bool written = writeFile(path, "#!/bin/sh\npwd > restarted.txt\n")
        && QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return written ? path : QString();
}

} // namespace

class TestPathpro : public QObject
{
    Q_OBJECT

private slots:
    void firstShowingAppliesFile_data();
    void firstShowingAppliesFile();
    void dialogTextsFollowLanguageShown_data();
    void dialogTextsFollowLanguageShown();
    void serialSettingsFieldGoesToPortAsItStands_data();
    void serialSettingsFieldGoesToPortAsItStands();
    void movingScrollBarsRecolours();
    void serialDevicesAreOffered();
    void leaveKeepsValuesAndWritesNothing();
    void browse_data();
    void browse();
    void saveWritesNineLines_data();
    void saveWritesNineLines();
    void commaInPathRoundTrips();
    void saveRestartsInCurrentFolderAndEnds();
    void installedCopyReadsAndSavesInTheConfigFolder();
    void failedSaveReportsAndKeepsRunning_data();
    void failedSaveReportsAndKeepsRunning();
    void startProgramCopyReportsMissingProgram();
    void failedRestartKeepsRecording_data();
    void failedRestartKeepsRecording();
};

void TestPathpro::firstShowingAppliesFile_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no scx.ini in the current folder
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("fore");
    QTest::addColumn<int>("back");
    QTest::addColumn<QColor>("foreSwatch");
    QTest::addColumn<QColor>("backSwatch");
    QTest::addColumn<QString>("extended");

    const auto row = [](const char *name, const QByteArray &file, const char *path, const char *port,
                        const char *language, int fore, int back, const QColor &foreSwatch, const QColor &backSwatch,
                        const char *extended) {
        QTest::newRow(name) << file << path << port << language << fore << back << foreSwatch << backSwatch << extended;
    };
    const QColor white(Qt::white);
    row("no file, values as built", QByteArray(), "MS Excel ??", "2", "Deutsch", 11, 1, white, white, "0");
    row("full file", "C:\\Office\\EXCEL.EXE\r\n4\r\nEnglish\r\n 14 \r\n 4 \r\n\r\n\r\n1\r\nReady\r\n",
        "C:\\Office\\EXCEL.EXE", "4", "English", 14, 4, QColor(255, 255, 0), QColor(128, 0, 0), "1");
    row("built positions 11 and 1 change nothing", "x\r\n2\r\nFrancais\r\n 11 \r\n 1 \r\n\r\n\r\n0\r\nReady\r\n", "x",
        "2", "Francais", 11, 1, white, white, "0");
    row("colour indexes out of range", "x\r\n2\r\nDeutsch\r\n16\r\n-1\r\n\r\n\r\n0\r\nReady\r\n", "x", "2", "Deutsch",
        11, 1, white, white, "0");
    row("fields that are no numbers", "x\r\n2\r\nDeutsch\r\n3a\r\n2.5.1\r\n\r\n\r\nja\r\nReady\r\n", "x", "2",
        "Deutsch", 11, 1, white, white, "0");
    row("decimals round halves to even", "x\r\n2\r\nDeutsch\r\n2.5\r\n 12.4 \r\n\r\n\r\n1.4\r\nReady\r\n", "x", "2",
        "Deutsch", 2, 12, QColor(0, 128, 0), QColor(255, 0, 0), "1");
    row("language outside the list, device path as port",
        "\r\n/dev/ttyUSB0\r\nenglish\r\n0\r\n15\r\n\r\n\r\n2\r\nReady\r\n", "", "/dev/ttyUSB0", "Deutsch", 0, 15,
        QColor(0, 0, 0), QColor(255, 255, 255), "0");
    row("short file applies what it has", "x\r\n7\r\nEnglish\r\n 12 \r\n", "x", "7", "English", 12, 1,
        QColor(255, 0, 0), white, "0");
}

void TestPathpro::firstShowingAppliesFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, path);
    QFETCH(QString, port);
    QFETCH(QString, language);
    QFETCH(int, fore);
    QFETCH(int, back);
    QFETCH(QColor, foreSwatch);
    QFETCH(QColor, backSwatch);
    QFETCH(QString, extended);

    Rig rig;
    if (!file.isEmpty())
        QVERIFY(writeFile(rig.currentIni(), file));
    // The program folder's file is the start-up's; the dialog must not read it.
    QVERIFY(writeFile(rig.programIni(), "wrong\r\n9\r\nFrancais\r\n 3 \r\n 3 \r\n\r\n\r\n1\r\nReady\r\n"));

    Pathpro *dialog = rig.open();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->Text1->text(), path);
    QCOMPARE(dialog->text3->currentText(), port);
    QCOMPARE(dialog->Sprache->currentText(), language);
    QCOMPARE(dialog->Fore->value(), fore);
    QCOMPARE(dialog->Back->value(), back);
    QCOMPARE(base(dialog->Text2), foreSwatch);
    QCOMPARE(base(dialog->Text4), backSwatch);
    QCOMPARE(dialog->Text5->text(), QStringLiteral(" ZKD735 "));
    QCOMPARE(textColour(dialog->Text5), foreSwatch);
    QCOMPARE(base(dialog->Text5), backSwatch);
    QCOMPARE(dialog->ExtendedMode(), extended);
    QCOMPARE(dialog->Check1->isChecked(), extended == QLatin1String("1"));
    QVERIFY(dialog->Text1->isHidden());
    QVERIFY(dialog->Check1->isHidden());
    QVERIFY(dialog->Label2->isHidden());
    QVERIFY(rig.prompts.messages.isEmpty());
}

// Caption, Label3, Label4, Label5, tooltips of Text2 and Text4, Check1, tooltips of Button1 to Button3.
QStringList dialogTexts(const Pathpro *d)
{
    return {d->windowTitle(),      d->Label3->text(),    d->Label4->text(), d->Label5->text(),
            d->Text2->toolTip(),   d->Text4->toolTip(),  d->Check1->text(), d->Button1->toolTip(),
            d->Button2->toolTip(), d->Button3->toolTip()};
}

void TestPathpro::dialogTextsFollowLanguageShown_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("Deutsch") << "Deutsch"
                             << QStringList{" Einstellungen ",
                                            "RS 232 Port",
                                            "Sprache",
                                            "Farben des Datensicht-Fensters",
                                            " Vordergrund Farbe",
                                            "Hintergrund Farbe",
                                            "Erweiterter Modus",
                                            QStringLiteral("\u00c4nderungen abspeichern"),
                                            "Verlassen ohne speichern",
                                            QStringLiteral("Pfadangabe f\u00fcr EXCEL")};
    QTest::newRow("English") << "English" << QStringList{" User Settings", "RS 232 Port",
                                                         "Language",       "Colours of data windows",
                                                         "ForeColor",      "BackColor",
                                                         "Extended Mod",   "Save",
                                                         "Exit",           "Save the EXCEL Path "};
    QTest::newRow("Francais") << "Francais"
                              << QStringList{QStringLiteral(" Pr\u00e9f\u00e9rences"),
                                             "Port RS232",
                                             "Langage",
                                             QStringLiteral("Couleurs de fen\u00eatres de donne\u00e9s"),
                                             "Premier plan",
                                             "Fond ",
                                             "Extended Mod",
                                             "Sauver",
                                             "Fin",
                                             "Sauver EXCEL repertoire  "};
}

void TestPathpro::dialogTextsFollowLanguageShown()
{
    QFETCH(QString, language);
    QFETCH(QStringList, texts);
    Rig rig;
    QVERIFY(
        writeFile(rig.currentIni(), "x\r\n2\r\n" + language.toLatin1() + "\r\n 11 \r\n 1 \r\n\r\n\r\n0\r\nReady\r\n"));
    Pathpro *dialog = rig.open();
    QCOMPARE(dialogTexts(dialog), texts);
    QCOMPARE(dialog->text3->toolTip(), QStringLiteral("RS 232 Port"));

    // The texts were set at the first showing; picking another language and
    // showing the dialog again changes none of them.
    dialog->Sprache->setCurrentIndex((dialog->Sprache->currentIndex() + 1) % dialog->Sprache->count());
    dialog->Button2_Click();
    rig.open();
    QCOMPARE(dialogTexts(dialog), texts);
}

void TestPathpro::serialSettingsFieldGoesToPortAsItStands_data()
{
    QTest::addColumn<QByteArray>("line6");
    QTest::addColumn<QString>("settings");

    QTest::newRow("empty line: refused") << QByteArray("") << "2400,n,8,1";
    QTest::newRow("bare baud rate: refused") << QByteArray("9600") << "2400,n,8,1";
    QTest::newRow("quoted complete string: taken") << QByteArray("\"4800,e,7,2\"") << "4800,e,7,2";
}

void TestPathpro::serialSettingsFieldGoesToPortAsItStands()
{
    QFETCH(QByteArray, line6);
    QFETCH(QString, settings);
    Rig rig;
    QCOMPARE(rig.form->comm().settings(), QStringLiteral("2400,n,8,1"));
    QVERIFY(writeFile(rig.currentIni(), "x\r\n2\r\nEnglish\r\n 11 \r\n 1 \r\n" + line6 + "\r\n\r\n0\r\nReady\r\n"));
    rig.open();
    QCOMPARE(rig.form->comm().settings(), settings);
}

void TestPathpro::movingScrollBarsRecolours()
{
    Rig rig;
    QVERIFY(writeFile(rig.currentIni(), "x\r\n2\r\nEnglish\r\n 11 \r\n 1 \r\n\r\n\r\n0\r\nReady\r\n"));
    Pathpro *dialog = rig.open();
    QCOMPARE(base(dialog->Text2), QColor(Qt::white));

    dialog->Fore->setValue(14);
    QCOMPARE(base(dialog->Text2), QColor(255, 255, 0));
    QCOMPARE(textColour(dialog->Text5), QColor(255, 255, 0));
    QCOMPARE(base(dialog->Text4), QColor(Qt::white));

    // Back already stands at 1: only a real move away and back recolours it.
    dialog->Back->setValue(1);
    QCOMPARE(base(dialog->Text4), QColor(Qt::white));
    dialog->Back->setValue(0);
    dialog->Back->setValue(1);
    QCOMPARE(base(dialog->Text4), QColor(0, 0, 128));
    QCOMPARE(base(dialog->Text5), QColor(0, 0, 128));
    QCOMPARE(textColour(dialog->Text5), QColor(255, 255, 0));

    // The arrow keys move the thumb the way they point.
    QTest::keyClick(dialog->Back, Qt::Key_Right);
    QCOMPARE(dialog->Back->value(), 2);
    QCOMPARE(base(dialog->Text4), QColor(0, 128, 0));
    QTest::keyClick(dialog->Back, Qt::Key_Left);
    QTest::keyClick(dialog->Back, Qt::Key_Left);
    QCOMPARE(dialog->Back->value(), 0);
    QCOMPARE(base(dialog->Text4), QColor(0, 0, 0));
}

void TestPathpro::serialDevicesAreOffered()
{
    Rig rig;
    Pathpro *dialog = rig.open();
    QStringList expected{"1", "2", "3", "4", "5", "6", "7", "8", "9"};
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (!expected.contains(info.systemLocation()))
            expected << info.systemLocation();
    }
    QStringList entries;
    for (int i = 0; i < dialog->text3->count(); ++i)
        entries << dialog->text3->itemText(i);
    QCOMPARE(entries, expected);
    QVERIFY(dialog->text3->isEditable());
}

void TestPathpro::leaveKeepsValuesAndWritesNothing()
{
    Rig rig;
    const QByteArray original("x\r\n3\r\nEnglish\r\n 11 \r\n 1 \r\n\r\n\r\n0\r\nReady\r\n");
    QVERIFY(writeFile(rig.currentIni(), original));
    const QDateTime modified = QFileInfo(rig.currentIni()).lastModified();

    Pathpro *dialog = rig.open();
    dialog->Fore->setValue(5);
    dialog->text3->setCurrentText(QStringLiteral("/dev/ttyACM0"));
    dialog->Sprache->setCurrentIndex(dialog->Sprache->findText(QStringLiteral("Francais")));
    dialog->Button2->click();
    QVERIFY(dialog->isHidden());
    QVERIFY(!QFile::exists(rig.programIni()));
    QCOMPARE(readFile(rig.currentIni()), original);
    QCOMPARE(QFileInfo(rig.currentIni()).lastModified(), modified);

    // A file changed in between shows that the second showing does not read it.
    QVERIFY(writeFile(rig.currentIni(), "y\r\n9\r\nDeutsch\r\n 2 \r\n 2 \r\n\r\n\r\n1\r\nReady\r\n"));
    rig.open();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->Fore->value(), 5);
    QCOMPARE(base(dialog->Text2), QColor(128, 0, 128));
    QCOMPARE(dialog->text3->currentText(), QStringLiteral("/dev/ttyACM0"));
    QCOMPARE(dialog->Sprache->currentText(), QStringLiteral("Francais"));
    QCOMPARE(dialog->Text1->text(), QStringLiteral("x"));
    QCOMPARE(dialog->ExtendedMode(), QStringLiteral("0"));
    QCOMPARE(dialog->Label4->text(), QStringLiteral("Language"));
    QCOMPARE(dialog->Sprache->count(), 3);
    QVERIFY(!QFile::exists(rig.programIni()));
    QVERIFY(rig.prompts.fileRequests.isEmpty());
}

void TestPathpro::browse_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("title");
    QTest::addColumn<std::optional<QString>>("choice");
    QTest::addColumn<QString>("path");

    QTest::newRow("German, cancelled")
        << "Deutsch"
        << QStringLiteral("Wenn auf Ihrem Rechner kein Excel installiert ist, Bitte Abbrechen w\u00e4hlen !\r\n"
                          "Es wird dann automatisch Notepad /Write /Wordpad angew\u00e4hlt !")
        << "Wo befindet sich Excel ->( Pfadangabe )" << std::optional<QString>() << "";
    QTest::newRow("English, chosen") << "English"
                                     << "If Excel isn't installed on this PC, chose Cancel, \r\n Notepad /Write / "
                                        "Wordpad will be chosen automatically"
                                     << "Where is MS-Excel->( Path input )"
                                     << std::optional<QString>(QStringLiteral("/opt/office/soffice"))
                                     << "/opt/office/soffice";
}

void TestPathpro::browse()
{
    QFETCH(QString, language);
    QFETCH(QString, warning);
    QFETCH(QString, title);
    QFETCH(std::optional<QString>, choice);
    QFETCH(QString, path);

    Rig rig;
    Pathpro *dialog = rig.open();
    dialog->Sprache->setCurrentIndex(dialog->Sprache->findText(language));
    rig.prompts.files.enqueue(choice);
    dialog->Button3->click();

    QCOMPARE(rig.prompts.messages.size(), 1);
    const PromptMessage &message = rig.prompts.messages.first();
    QCOMPARE(message.text, warning);
    QCOMPARE(message.title, QStringLiteral("ZKD735_DataRecorder"));
    QCOMPARE(message.icon, PromptIcon::Warning);
    QCOMPARE(message.buttons, QList<PromptButton>{PromptButton::Ok});

    QCOMPARE(rig.prompts.fileRequests.size(), 1);
    QVERIFY(!rig.prompts.fileRequests.first().save);
    const FileDialogRequest &request = rig.prompts.fileRequests.first().request;
    QCOMPARE(request.title, title);
    QCOMPARE(request.folder, rig.programDir.path());
    QVERIFY(request.fileName.isEmpty());
#ifdef Q_OS_WIN
    QCOMPARE(request.filter, QStringLiteral("Filetyp Exe(*.exe)|Excel.exe|"));
#else
    QCOMPARE(request.filter, QStringLiteral("Filetyp Exe(*.exe)|Excel.exe|All Files (*)|*"));
    QCOMPARE(toQtFilter(request.filter), QStringLiteral("Filetyp Exe(*.exe) (Excel.exe);;All Files (*) (*)"));
#endif
    QCOMPARE(dialog->Text1->text(), path);

    dialog->Button1->click();
    QVERIFY(readFile(rig.programIni()).startsWith(path.toUtf8() + "\r\n"));
}

void TestPathpro::saveWritesNineLines_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("port"); // empty: keep what the file gave
    QTest::addColumn<int>("fore");
    QTest::addColumn<QByteArray>("expected");

    row("path emptied by a cancelled browse", QByteArray(), "", 14,
        QByteArray("\r\n2\r\nDeutsch\r\n 14 \r\n 1 \r\n\r\n\r\n0\r\nReady\r\n"));
    row("baud line emptied, extended mode carried",
        QByteArray("C:\\x.exe\r\n5\r\nEnglish\r\n 11 \r\n 1 \r\n9600\r\nreserved\r\n1\r\nReady\r\n"), "", 0,
        QByteArray("\r\n5\r\nEnglish\r\n 0 \r\n 1 \r\n\r\n\r\n1\r\nReady\r\n"));
    row("typed device path", QByteArray(), "/dev/ttyUSB1", 11,
        QByteArray("\r\n/dev/ttyUSB1\r\nDeutsch\r\n 11 \r\n 1 \r\n\r\n\r\n0\r\nReady\r\n"));
}

void TestPathpro::saveWritesNineLines()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, port);
    QFETCH(int, fore);
    QFETCH(QByteArray, expected);

    Rig rig;
    if (!file.isEmpty())
        QVERIFY(writeFile(rig.currentIni(), file));
    rig.form->ResetWorkFile();
    QVERIFY(rig.form->WorkFileNumber() != 0);
    Pathpro *dialog = rig.open();
    dialog->Button3->click(); // cancelled: the path becomes empty
    if (!port.isEmpty())
        dialog->text3->setCurrentText(port);
    dialog->Fore->setValue(fore);
    QSignalSpy ended(rig.form.get(), &Form1::programEnded);

    dialog->Button1->click();
    QCOMPARE(readFile(rig.programIni()), expected);
    QCOMPARE(rig.form->WorkFileNumber(), std::int16_t(0));
    QCOMPARE(ended.count(), 1);
}

void TestPathpro::commaInPathRoundTrips()
{
    const QString path = QStringLiteral("C:\\Program Files, old\\EXCEL.EXE");
    QByteArray saved;
    {
        Rig rig;
        Pathpro *dialog = rig.open();
        rig.prompts.files.enqueue(path);
        dialog->Button3->click();
        dialog->Button1->click();
        saved = readFile(rig.programIni());
    }
    QVERIFY(saved.startsWith("\"C:\\Program Files, old\\EXCEL.EXE\"\r\n2\r\nDeutsch\r\n"));

    Rig again;
    QVERIFY(writeFile(again.currentIni(), saved));
    Pathpro *dialog = again.open();
    QCOMPARE(dialog->Text1->text(), path);
    QCOMPARE(dialog->text3->currentText(), QStringLiteral("2"));
    QCOMPARE(dialog->Sprache->currentText(), QStringLiteral("Deutsch"));
}

void TestPathpro::saveRestartsInCurrentFolderAndEnds()
{
    QTemporaryDir programs;
    const QString probe = writeMarkerProgram(programs.path());
    QVERIFY(!probe.isEmpty());

    Rig rig;
    rig.deps.executablePath = probe;
    rig.buildForm(); // a main window that restarts the probe instead of the recorder
    QSignalSpy ended(rig.form.get(), &Form1::programEnded);

    rig.open()->Button1->click();
    QCOMPARE(ended.count(), 1);
    const QString marker = rig.currentDir.filePath(QStringLiteral("restarted.txt"));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(marker).size() > 0, 10000);
    QCOMPARE(QFileInfo(QString::fromLocal8Bit(readFile(marker)).trimmed()).canonicalFilePath(),
             QFileInfo(rig.currentDir.path()).canonicalFilePath());
}

void TestPathpro::installedCopyReadsAndSavesInTheConfigFolder()
{
    // The program folder of an installed copy is its configuration folder,
    // and the dialog reads from there too; the program lies elsewhere.
    QTemporaryDir program;
    Rig rig;
    QVERIFY(writeFile(rig.programIni(), "\r\n2\r\nEnglish\r\n 14 \r\n 1 \r\n\r\n\r\n0\r\nReady\r\n"));
    rig.deps.manualDir = program.path();
    rig.deps.settingsReadDir = rig.programDir.path();
    rig.buildForm();
    Pathpro *dialog = rig.open();
    QCOMPARE(dialog->Sprache->currentText(), QStringLiteral("English"));
    QCOMPARE(dialog->Fore->value(), 14);
    dialog->Sprache->setCurrentText(QStringLiteral("Francais"));
    QSignalSpy ended(rig.form.get(), &Form1::programEnded);
    dialog->Button1->click();
    QCOMPARE(ended.count(), 1);
    QCOMPARE(readFile(rig.programIni()).split('\n').value(2), QByteArray("Francais\r"));
    QVERIFY(!QFileInfo::exists(rig.currentIni()));
    QVERIFY(!QFileInfo::exists(program.filePath(QStringLiteral("scx.ini"))));
}

void TestPathpro::failedSaveReportsAndKeepsRunning_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("opening");

    row("Deutsch", "Deutsch", "Die Einstellungen konnten nicht in \"");
    row("English", "English", "The settings could not be saved to \"");
    row("Francais", "Francais", "Les param\u00e8tres n'ont pas pu \u00eatre enregistr\u00e9s dans \"");
}

void TestPathpro::failedSaveReportsAndKeepsRunning()
{
    QFETCH(QString, language);
    QFETCH(QString, opening);

    // A folder below a regular file cannot be written, whoever runs the test.
    QTemporaryDir outer;
    const QString blocker = outer.filePath(QStringLiteral("not-a-folder"));
    QVERIFY(writeFile(blocker, "x"));
    const QString programFolder = QDir(blocker).filePath(QStringLiteral("program"));

    Rig rig(programFolder);
    QVERIFY(
        writeFile(rig.currentIni(), "x\r\n2\r\n" + language.toLatin1() + "\r\n 11 \r\n 1 \r\n\r\n\r\n0\r\nReady\r\n"));
    rig.form->ResetWorkFile();
    QVERIFY(rig.form->WorkFileNumber() != 0);
    Pathpro *dialog = rig.open();
    QSignalSpy ended(rig.form.get(), &Form1::programEnded);

    dialog->Button1->click();
    QCOMPARE(rig.prompts.messages.size(), 1);
    const PromptMessage &message = rig.prompts.messages.first();
    const QString iniPath = QDir(programFolder).filePath(QStringLiteral("scx.ini"));
    QSaveFile probe(iniPath);
    QVERIFY(!probe.open(QIODevice::WriteOnly));
    QVERIFY2(message.text.startsWith(opening + QDir::toNativeSeparators(iniPath) + QLatin1Char('"')),
             qPrintable(message.text));
    QVERIFY2(message.text.contains(probe.errorString()), qPrintable(message.text));
    QCOMPARE(message.icon, PromptIcon::Warning);
    QCOMPARE(message.buttons, QList<PromptButton>{PromptButton::Ok});
    QCOMPARE(ended.count(), 0);
    QVERIFY(dialog->isVisible());
    QVERIFY(rig.form->WorkFileNumber() != 0);
}

void TestPathpro::failedRestartKeepsRecording_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("opening");

    row("Deutsch", "Deutsch", "Die Einstellungen sind in \"");
    row("English", "English", "The settings are saved in \"");
    row("Francais", "Francais", "Les param\u00e8tres sont enregistr\u00e9s dans \"");
}

void TestPathpro::failedRestartKeepsRecording()
{
    QFETCH(QString, language);
    QFETCH(QString, opening);

    Rig rig;
    QTemporaryDir instanceFolder;
    SingleInstance instance(instanceFolder.path());
    QVERIFY(instance.claim());
    rig.deps.executablePath = rig.programDir.filePath(QStringLiteral("missing-program"));
    rig.deps.instance = &instance;
    rig.buildForm();
    QVERIFY(
        writeFile(rig.currentIni(), "x\r\n2\r\n" + language.toLatin1() + "\r\n 11 \r\n 1 \r\n\r\n\r\n0\r\nReady\r\n"));
    rig.form->ResetWorkFile();
    rig.form->ProcessReceived("10 20 30\r\n");
    Pathpro *dialog = rig.open();
    QSignalSpy ended(rig.form.get(), &Form1::programEnded);

    dialog->Button1->click();
    // The settings are written all the same, and the user is told the program did not come back.
    QVERIFY(readFile(rig.programIni()).startsWith("x\r\n2\r\n" + language.toLatin1() + "\r\n"));
    QCOMPARE(ended.count(), 0);
    QCOMPARE(rig.prompts.messages.size(), 1);
    const PromptMessage &message = rig.prompts.messages.first();
    QVERIFY2(message.text.startsWith(opening + QDir::toNativeSeparators(rig.programIni()) + QLatin1Char('"')),
             qPrintable(message.text));
    QVERIFY2(message.text.contains(QStringLiteral("missing-program")), qPrintable(message.text));
    QCOMPARE(message.icon, PromptIcon::Warning);

    // Recording goes on into the same working file, and this copy holds the
    // single-instance place again, so a copy started now comes to it.
    QVERIFY(rig.form->WorkFileNumber() != 0);
    rig.form->ProcessReceived("40 50 60\r\n");
    QVERIFY(readFile(rig.form->workFilePath()).endsWith("10 20 30\r\n40 50 60\r\n"));
    SingleInstance second(instanceFolder.path());
    QVERIFY(!second.claim());
}

void TestPathpro::startProgramCopyReportsMissingProgram()
{
    QTemporaryDir dir;
    QVERIFY(!startProgramCopy(dir.filePath(QStringLiteral("no-such-program")), dir.path()));
}

QTEST_MAIN(TestPathpro)
#include "tst_ui_pathpro.moc"
