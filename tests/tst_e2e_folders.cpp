#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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
    void installedCopyStartsFromConfigFolder_data();
    void installedCopyStartsFromConfigFolder();
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

QTEST_GUILESS_MAIN(TestFolders)
#include "tst_e2e_folders.moc"
