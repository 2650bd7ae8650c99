#include "FormFixture.h"
#include "app/Form1.h"
#include "app/PictureButton.h"
#include "files/ProgramFolders.h"
#include "settings/ui/Pathpro.h"

#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace zkd;

using zkd::test::readFile;
using zkd::test::writeFile;

namespace {

const QByteArray kSettings = "\r\n2\r\nEnglish\r\n 14 \r\n 1 \r\n\r\n\r\n0\r\nReady\r\n";

// The environment of a program started by a test: its own home, runtime and
// configuration folders, and no display.
QProcessEnvironment isolated(const QString &root)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/run"));
    QDir().mkpath(root + QStringLiteral("/home"));
    QDir().mkpath(root + QStringLiteral("/run"));
    QFile::setPermissions(root + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return env;
}

} // namespace

class TestFolders : public QObject
{
    Q_OBJECT
private slots:
    void versionAndHelpNeedNoDisplay_data();
    void versionAndHelpNeedNoDisplay();
    void folderChoice_data();
    void folderChoice();
    void programFolderReadOnlyForThisUser();
    void measurementFolder();
    void installedCopyStartsFromConfigFolder_data();
    void installedCopyStartsFromConfigFolder();
    void installedSettingsSaveToConfigFolder();
    void unusableFoldersAreReportedOnce();
};

void TestFolders::versionAndHelpNeedNoDisplay_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("expected");
    for (const char *program : {"ZKD735_DataRecorder", "zkd735-record", "zkd735-sim", "zkd735-collect"}) {
        const QString name = QString::fromLatin1(program);
        QTest::addRow("%s --version", program) << name << "--version" << name + QStringLiteral(" " ZKD_VERSION "\n");
        QTest::addRow("%s --help", program) << name << "--help" << QStringLiteral("Usage: ");
    }
}

void TestFolders::versionAndHelpNeedNoDisplay()
{
    QFETCH(QString, program);
    QFETCH(QString, option);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QProcess process;
    process.setProcessEnvironment(isolated(root.path()));
    process.setWorkingDirectory(root.path());
    process.start(QStringLiteral(ZKD_BIN_DIR "/") + program, {option});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    QVERIFY2(out.startsWith(expected), qPrintable(out));
    // Nothing was claimed or created on the way: no single-instance place, no settings.
    QVERIFY(QDir(root.filePath(QStringLiteral("run"))).isEmpty());
    QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("config"))));
}

void TestFolders::folderChoice_data()
{
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("docFolder");
    QTest::addColumn<bool>("installed");
    QTest::newRow("portable: writable program folder") << true << false << false;
    QTest::newRow("installed: read-only program folder") << false << false << true;
    QTest::newRow("installed: read-only, documentation beside") << false << true << true;
    QTest::newRow("installed by root: documentation beside") << true << true << true;
}

void TestFolders::folderChoice()
{
    QFETCH(bool, writable);
    QFETCH(bool, docFolder);
    QFETCH(bool, installed);
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    const QString doc = prefix.filePath(QStringLiteral("share/doc/zkd735"));
    QVERIFY(QDir().mkpath(bin));
    if (docFolder)
        QVERIFY(QDir().mkpath(doc));
    const QString config = prefix.filePath(QStringLiteral("config/ZKD735_DataRecorder"));

    const ProgramFolders folders = chooseProgramFolders(bin, writable, config);
    QCOMPARE(folders.installed, installed);
    QCOMPARE(folders.settingsDir, installed ? config : bin);
    QCOMPARE(folders.manualDir, docFolder ? doc : bin);
    QCOMPARE(QFileInfo(config).isDir(), installed);
    QVERIFY(!folders.settingsUnusable);
}

void TestFolders::programFolderReadOnlyForThisUser()
{
    QTemporaryDir dir;
    QVERIFY(folderWritable(dir.path()));
    QVERIFY(!folderWritable(dir.filePath(QStringLiteral("missing"))));
    if (::geteuid() == 0)
        QSKIP("root may write into any folder; the read-only case needs a normal user");
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    QVERIFY(!folderWritable(dir.path()));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestFolders::measurementFolder()
{
    QTemporaryDir home;
    const QString wanted = home.filePath(QStringLiteral("ZKD735"));
    MeasurementFolder folder = prepareMeasurementFolder(home.path(), QStringLiteral("ZKD735"));
    QCOMPARE(folder.path, wanted);
    QVERIFY(folder.unusableFolder.isEmpty());
    QVERIFY(QFileInfo(wanted).isDir());
    // A file in the way: the home folder is used, and the failed folder named.
    QVERIFY(writeFile(home.filePath(QStringLiteral("blocked")), "a file"));
    folder = prepareMeasurementFolder(home.path(), QStringLiteral("blocked"));
    QCOMPARE(folder.path, home.path());
    QCOMPARE(folder.unusableFolder, home.filePath(QStringLiteral("blocked")));

    // The configuration folder cannot be made either: the settings are unusable.
    const ProgramFolders folders = chooseProgramFolders(home.path(), false,
                                                        home.filePath(QStringLiteral("blocked/ZKD735_DataRecorder")));
    QVERIFY(folders.installed);
    QVERIFY(folders.settingsUnusable);
}

void TestFolders::installedCopyStartsFromConfigFolder_data()
{
    QTest::addColumn<bool>("installed");
    QTest::newRow("portable copy") << false;
    QTest::newRow("installed copy") << true;
}

void TestFolders::installedCopyStartsFromConfigFolder()
{
    // The real program in a folder of its own, laid out as a portable copy or
    // as an installed one. Its settings file is where that copy looks for it
    // (a settings file elsewhere would stop the start-up at a message), so the
    // working file appears only when the copy chose the right folder.
    QFETCH(bool, installed);
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("prefix/bin"));
    QVERIFY(QDir().mkpath(bin));
    if (installed)
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("prefix/share/doc/zkd735"))));
    const QString exe = bin + QStringLiteral("/ZKD735_DataRecorder");
    QVERIFY(QFile::copy(QStringLiteral(ZKD_BIN_DIR "/ZKD735_DataRecorder"), exe));
    QFile::setPermissions(exe, QFile::ExeOwner | QFile::ReadOwner | QFile::WriteOwner);
    const QString config = root.filePath(QStringLiteral("config/ZKD735_DataRecorder"));
    QVERIFY(QDir().mkpath(installed ? config : bin));
    QVERIFY(writeFile((installed ? config : bin) + QStringLiteral("/scx.ini"), kSettings));
    const QString work = root.filePath(QStringLiteral("work"));
    QVERIFY(QDir().mkpath(work));

    QProcess process;
    QProcessEnvironment env = isolated(root.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(work);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(exe, {});
    QVERIFY(process.waitForStarted(5000));
    const bool started = QTest::qWaitFor([&] { return QFileInfo::exists(work + QStringLiteral("/Senso.scx")); }, 15000);
    process.kill();
    process.waitForFinished(5000);
    QVERIFY2(started, "the start-up did not reach the working file");
    QVERIFY(!QFileInfo::exists(bin + QStringLiteral("/Senso.scx")));
    QCOMPARE(QFileInfo::exists(root.filePath(QStringLiteral("config"))), installed);
}

void TestFolders::installedSettingsSaveToConfigFolder()
{
    QTemporaryDir program;
    test::FormFixture fx; // its program folder is the configuration folder
    QVERIFY(fx.writeSettings(kSettings));
    fx.deps.manualDir = program.path();
    fx.deps.dialogDir = fx.currentDir.path();
    fx.deps.settingsReadDir = fx.programDir.path();
    fx.deps.executablePath = QStandardPaths::findExecutable(QStringLiteral("true"));
    Form1 &form = fx.startForm();
    QVERIFY(fx.prompts.messages.isEmpty());

    // The dialog shows what the configuration folder holds, and saves there.
    form.Path_Click();
    Pathpro *dialog = form.pathpro();
    QCOMPARE(dialog->Sprache->currentText(), QStringLiteral("English"));
    QCOMPARE(dialog->Fore->value(), 14);
    dialog->Sprache->setCurrentText(QStringLiteral("Francais"));
    QSignalSpy ended(&form, &Form1::programEnded);
    dialog->Button1->click();
    QCOMPARE(ended.count(), 1);
    QCOMPARE(readFile(fx.programDir.filePath(QStringLiteral("scx.ini"))).split('\n').value(2),
             QByteArray("Francais\r"));
    QVERIFY(!QFileInfo::exists(fx.currentDir.filePath(QStringLiteral("scx.ini"))));
    QVERIFY(!QFileInfo::exists(program.filePath(QStringLiteral("scx.ini"))));
    delete dialog;
}

void TestFolders::unusableFoldersAreReportedOnce()
{
    test::FormFixture fx;
    fx.deps.programDir = fx.currentDir.filePath(QStringLiteral("blocked/ZKD735_DataRecorder"));
    fx.deps.settingsFolderUnusable = true;
    fx.deps.unusableMeasurementDir = fx.currentDir.filePath(QStringLiteral("home/ZKD735"));
    Form1 &form = fx.startForm();

    QCOMPARE(fx.prompts.messages.size(), 1);
    const QString text = fx.prompts.messages.first().text;
    QVERIFY2(text.contains(QStringLiteral("The settings folder \"%1\" could not be created").arg(fx.deps.programDir)),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Measurements are kept in \"%1\"").arg(fx.currentDir.path())),
             qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("cannot be read")));
    // The built-in values: green on black, and the working file is open.
    QCOMPARE(form.Term->palette().color(QPalette::Text), QColor(Qt::green));
    QVERIFY(form.WorkFileNumber() != 0);
}

QTEST_MAIN(TestFolders)
#include "tst_e2e_folders.moc"
