#include "TestFiles.h"
#include "files/EditorChoice.h"
#include "files/FileNumbers.h"
#include "files/FileOps.h"
#include "files/ProgramFolders.h"
#include "files/WorkFile.h"
#include "sensor/HeaderScan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace zkd;
using Outcome = WorkFile::ResetResult::Outcome;

using zkd::test::readFile;
using zkd::test::writeFile;

namespace {

void signalIgnored(int) {}

} // namespace

class TestFilesWorkFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void fileNumbersTakeLowestFree();
    void resetKeepsLeftoverRecording_data();
    void resetKeepsLeftoverRecording();
    void resetFailures();
    void resetFailsInReadOnlyFolder();
    void resetReusesItsOwnNumber();
    void openAppendAppends();
    void writeReportsFullDisk();
    void failedWriteLeavesNoPartOfTheChunk();
    void writesReachTheDiskOnceASecond();
    void saveAsCopiesAndStartsEmpty();
    void saveAsCopyFailureKeepsRecording();
    void copyReplacing();
    void plantedLinksAreNotFollowed_data();
    void plantedLinksAreNotFollowed();
    void editorForFile_data();
    void editorForFile();
    void programFolders_data();
    void programFolders();
    void measurementFolder();

private:
    QString path(const char *name) const { return m_dir->filePath(QString::fromLatin1(name)); }

    std::unique_ptr<QTemporaryDir> m_dir;
    FileNumbers m_numbers;
};

void TestFilesWorkFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_numbers = FileNumbers();
}

void TestFilesWorkFile::fileNumbersTakeLowestFree()
{
    FileNumbers numbers;
    QCOMPARE(numbers.take(), FileNumber(1));
    QCOMPARE(numbers.take(), FileNumber(2));
    QCOMPARE(numbers.take(), FileNumber(3));
    numbers.release(2);
    numbers.release(FileNumbers::kNoFile);
    QVERIFY(!numbers.inUse(2));
    QCOMPARE(numbers.take(), FileNumber(2));
    for (FileNumber n = 4; n <= FileNumbers::kHighest; ++n)
        QCOMPARE(numbers.take(), n);
    QCOMPARE(numbers.take(), FileNumbers::kNoFile);
}

void TestFilesWorkFile::resetKeepsLeftoverRecording_data()
{
    QTest::addColumn<QByteArray>("leftover");
    QTest::addColumn<QByteArray>("olderBackup");
    QTest::addColumn<bool>("discard");
    QTest::addColumn<QString>("keptAs");
    QTest::addColumn<int>("backups"); // .bak files afterwards
    // A null array stands for no file.
    const QByteArray none;
    const QByteArray empty("");
    QTest::newRow("nothing left over") << none << none << false << QString() << 0;
    QTest::newRow("empty leftover is not kept") << empty << none << false << QString() << 0;
    QTest::newRow("empty leftover keeps older backup") << empty << QByteArray("old") << false << QString() << 1;
    QTest::newRow("recording kept") << QByteArray("run\r\n") << none << false << "Senso.bak" << 1;
    QTest::newRow("recording replaces an empty backup") << QByteArray("run") << empty << false << "Senso.bak" << 1;
    QTest::newRow("recording kept beside older backup")
        << QByteArray("run") << QByteArray("old") << false << "Senso.2.bak" << 2;
    QTest::newRow("discarded run is deleted") << QByteArray("run") << none << true << QString() << 0;
    QTest::newRow("discarded run leaves older backup")
        << QByteArray("run") << QByteArray("old") << true << QString() << 1;
}

void TestFilesWorkFile::resetKeepsLeftoverRecording()
{
    QFETCH(QByteArray, leftover);
    QFETCH(QByteArray, olderBackup);
    QFETCH(bool, discard);
    QFETCH(QString, keptAs);
    QFETCH(int, backups);
    const QString work = path("Senso.scx");
    const QString backup = path("Senso.bak");
    if (!leftover.isNull())
        QVERIFY(writeFile(work, leftover));
    if (!olderBackup.isNull())
        QVERIFY(writeFile(backup, olderBackup));

    WorkFile file(m_numbers);
    const WorkFile::ResetResult result = file.reset(work,
                                                    discard ? WorkFile::Leftover::Discard : WorkFile::Leftover::Keep);
    QCOMPARE(result.outcome, Outcome::Opened);
    QVERIFY(result.backupError.isEmpty());
    QCOMPARE(result.backupPath, keptAs.isEmpty() ? QString() : path(qPrintable(keptAs)));
    QVERIFY(file.isOpen());
    QCOMPARE(file.number(), FileNumber(1));
    QCOMPARE(readFile(work), QByteArray());
    if (!keptAs.isEmpty())
        QCOMPARE(readFile(path(qPrintable(keptAs))), leftover);
    if (keptAs != QLatin1String("Senso.bak")) {
        QCOMPARE(QFile::exists(backup), !olderBackup.isNull());
        if (!olderBackup.isNull())
            QCOMPARE(readFile(backup), olderBackup);
    }
    QCOMPARE(QDir(m_dir->path()).entryList({QStringLiteral("*.bak")}, QDir::Files).size(), backups);
}

void TestFilesWorkFile::resetFailures()
{
    // A folder in the file's place cannot be deleted, whoever runs the test.
    const QString work = path("Senso.scx");
    QVERIFY(QDir().mkpath(work + QStringLiteral("/inside")));
    WorkFile file(m_numbers);
    WorkFile::ResetResult result = file.reset(work);
    QCOMPARE(result.outcome, Outcome::CannotDelete);
    QVERIFY(!result.errorText.isEmpty());
    QVERIFY(!file.isOpen());
    QCOMPARE(file.number(), FileNumbers::kNoFile);

    result = file.reset(path("missing folder/Senso.scx"));
    QCOMPARE(result.outcome, Outcome::CannotOpen);
    QVERIFY(!result.errorText.isEmpty());
    QVERIFY(!file.isOpen());
    QCOMPARE(file.number(), FileNumbers::kNoFile);
    QVERIFY(!m_numbers.inUse(1));
}

void TestFilesWorkFile::resetFailsInReadOnlyFolder()
{
    const QString folder = path("locked");
    const QString work = folder + QStringLiteral("/Senso.scx");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeFile(work, "run"));
    QVERIFY(folderWritable(folder));
    QVERIFY(!folderWritable(path("missing")));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool enforced = !writeFile(folder + QStringLiteral("/probe"), "x");
    if (!enforced) {
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QSKIP("folder permissions are not enforced for this user (root)");
    }
    // A program folder such as this one makes the copy an installed one.
    QVERIFY(!folderWritable(folder));
    WorkFile file(m_numbers);
    const WorkFile::ResetResult result = file.reset(work);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(result.outcome, Outcome::CannotDelete);
    QVERIFY(!result.backupError.isEmpty());
    QCOMPARE(file.number(), FileNumbers::kNoFile);
    QCOMPARE(readFile(work), QByteArray("run"));
}

void TestFilesWorkFile::resetReusesItsOwnNumber()
{
    QCOMPARE(m_numbers.take(), FileNumber(1));
    WorkFile file(m_numbers);
    QCOMPARE(file.reset(path("Senso.scx")).outcome, Outcome::Opened);
    QCOMPARE(file.number(), FileNumber(2));
    QCOMPARE(file.reset(path("Senso.scx")).outcome, Outcome::Opened);
    QCOMPARE(file.number(), FileNumber(2));
    file.close();
    QCOMPARE(file.number(), FileNumbers::kNoFile);
    QVERIFY(!m_numbers.inUse(2));
}

void TestFilesWorkFile::openAppendAppends()
{
    const QString work = path("Senso.scx");
    QVERIFY(writeFile(work, "abc"));
    WorkFile file(m_numbers);
    QVERIFY(file.openAppend(work));
    QVERIFY(file.write("def"));
    QVERIFY(file.flush());
    QCOMPARE(readFile(work), QByteArray("abcdef"));
    file.close();
    QVERIFY(!file.write("ghi"));
    QVERIFY(!file.errorText().isEmpty());
    QVERIFY(!file.flush());
}

void TestFilesWorkFile::writeReportsFullDisk()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full on this system");
    // The working file is never opened through a link, so the full device is opened by its own name.
    WorkFile file(m_numbers);
    QVERIFY2(file.openAppend(QStringLiteral("/dev/full")), qPrintable(file.errorText()));
    QVERIFY(!file.write("12:00:01  1.0\r\n"));
    QVERIFY(!file.errorText().isEmpty());
    QVERIFY(file.isOpen());
    QVERIFY(!file.write("12:00:01  1.0\r\n"));
}

void TestFilesWorkFile::failedWriteLeavesNoPartOfTheChunk()
{
    const QString work = path("Senso.scx");
    WorkFile file(m_numbers);
    QVERIFY(file.openAppend(work));
    QVERIFY(file.write("head\r\n"));

    // Past the file-size limit the system writes part of the chunk and refuses the rest.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, signalIgnored);
    rlimit small = saved;
    small.rlim_cur = 10;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = file.write("0123456789");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!written);
    QCOMPARE(readFile(work), QByteArray("head\r\n"));
    QVERIFY(file.write("0123456789"));
    QCOMPARE(readFile(work), QByteArray("head\r\n0123456789"));
}

// A power cut takes at most the last second: a second of records is
// followed by one sync, not one per record; a close syncs what is left, and a
// sync with nothing new written does not reach the disk at all.
void TestFilesWorkFile::writesReachTheDiskOnceASecond()
{
    WorkFile file(m_numbers);
    int syncs = 0;
    bool diskAccepts = true;
    file.setDiskSync([&](QFile &synced) {
        ++syncs;
        return synced.isOpen() && diskAccepts;
    });
    QVERIFY(file.openAppend(path("Senso.scx")));
    QElapsedTimer clock;
    clock.start();
    int records = 0;
    while (clock.elapsed() < 1100) {
        QVERIFY(file.write("1.0 2.0 3.0\r\n"));
        ++records;
        QTest::qWait(5);
    }
    QVERIFY(records > 20);
    QCOMPARE(syncs, 1);
    QVERIFY(file.sync());
    QCOMPARE(syncs, 2);
    QTest::qWait(1200);
    QVERIFY(file.sync());
    QCOMPARE(syncs, 2);

    QVERIFY(file.write("last\r\n"));
    file.close();
    QCOMPARE(syncs, 3);

    // A disk that refuses is reported.
    QVERIFY(file.openAppend(path("Senso.scx")));
    QVERIFY(file.write("more\r\n"));
    diskAccepts = false;
    QVERIFY(!file.sync());
    QVERIFY(file.errorText().contains(QStringLiteral("Senso.scx")));
    // The system's own call, on an open file and on a closed one.
    QFile real(path("Senso.scx"));
    QVERIFY(!WorkFile::syncFileToDisk(real));
    QVERIFY(real.open(QIODevice::Append));
    QVERIFY(WorkFile::syncFileToDisk(real));
}

void TestFilesWorkFile::saveAsCopiesAndStartsEmpty()
{
    const QString work = path("Senso.scx");
    const QString target = path("Test.csv");
    QVERIFY(writeFile(target, "an older, longer measurement"));
    WorkFile file(m_numbers);
    QCOMPARE(file.reset(work).outcome, Outcome::Opened);
    QVERIFY(file.write("  Time: 12:00:00\rINP1 V\r\n"));

    const WorkFile::SaveResult result = file.saveAs(path("Test.CSV"), u'/');
    QCOMPARE(result.outcome, WorkFile::SaveResult::Outcome::Saved);
    QCOMPARE(result.savedPath, target);
    QCOMPARE(readFile(target), QByteArray("  Time: 12:00:00\rINP1 V\r\n"));
    QVERIFY(file.isOpen());
    QCOMPARE(file.number(), FileNumber(1));
    QCOMPARE(readFile(work), QByteArray());
}

void TestFilesWorkFile::saveAsCopyFailureKeepsRecording()
{
    const QString work = path("Senso.scx");
    WorkFile file(m_numbers);
    QCOMPARE(file.reset(work).outcome, Outcome::Opened);
    QVERIFY(file.write("run"));

    const WorkFile::SaveResult result = file.saveAs(path("missing folder/Test"), u'/');
    QCOMPARE(result.outcome, WorkFile::SaveResult::Outcome::CopyFailed);
    QVERIFY(!result.errorText.isEmpty());
    QVERIFY(!file.isOpen());
    QCOMPARE(file.number(), FileNumbers::kNoFile);
    QCOMPARE(readFile(work), QByteArray("run"));
}

void TestFilesWorkFile::copyReplacing()
{
    const QString source = path("source.scx");
    const QString target = path("target.csv");
    QVERIFY(writeFile(source, "new"));

    FileOpResult result = zkd::copyReplacing(path("missing.scx"), target);
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QVERIFY(!fileExists(target));

    QVERIFY(writeFile(target, "older and longer"));
    QVERIFY(zkd::copyReplacing(source, target).ok);
    QCOMPARE(readFile(target), QByteArray("new"));
    QVERIFY(zkd::copyReplacing(source, source).ok);
    QCOMPARE(readFile(source), QByteArray("new"));

    QVERIFY(QDir().mkpath(path("folder.csv")));
    QVERIFY(!zkd::copyReplacing(source, path("folder.csv")).ok);
    QVERIFY(!fileExists(path("folder.csv")));
    QVERIFY(!removeFile(path("folder.csv")).ok);
    QVERIFY(removeFile(target).ok);
    QVERIFY(!fileExists(target));
    QVERIFY(removeFile(target).ok);
}

void TestFilesWorkFile::plantedLinksAreNotFollowed_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("dangling");
    QTest::newRow("working file") << "Senso.scx" << false;
    QTest::newRow("working file to nowhere") << "Senso.scx" << true;
    QTest::newRow("backup") << "Senso.bak" << false;
    QTest::newRow("snapshot") << "senso.scy" << false;
    QTest::newRow("snapshot to nowhere") << "senso.scy" << true;
    QTest::newRow("save target") << "Test.csv" << false;
}

// Someone who may write to the folder links a name the recorder writes to a
// file of the user's (or to a name yet to be made): nothing is written
// through the link, the link stays and the caller learns which one it was.
void TestFilesWorkFile::plantedLinksAreNotFollowed()
{
    QFETCH(QString, link);
    QFETCH(bool, dangling);
    const QString target = path("precious");
    const QString work = path("Senso.scx");
    const QString linkPath = m_dir->filePath(link);
    if (!dangling)
        QVERIFY(writeFile(target, "precious"));
    QVERIFY(QFile::link(target, linkPath));

    if (link == QStringLiteral("Test.csv")) {
        WorkFile file(m_numbers);
        QVERIFY(file.openAppend(work));
        QVERIFY(file.write("run"));
        const WorkFile::SaveResult result = file.saveAs(linkPath);
        QCOMPARE(result.outcome, WorkFile::SaveResult::Outcome::CopyFailed);
        QCOMPARE(readFile(work), QByteArray("run"));
    } else if (link == QStringLiteral("senso.scy")) {
        QVERIFY(writeFile(work, "INP1 = bar\r\n"));
        QString refused;
        // The header is read from the working file instead.
        QCOMPARE(HeaderScan::takeSnapshot(work, m_dir->path(), &refused), QByteArray("INP1 = bar\r\n"));
        QCOMPARE(refused, linkPath);
    } else {
        if (link == QStringLiteral("Senso.bak"))
            QVERIFY(writeFile(work, "run"));
        WorkFile file(m_numbers);
        const WorkFile::ResetResult result = file.reset(work);
        QCOMPARE(result.outcome, Outcome::LinkRefused);
        QCOMPARE(result.refusedLink, linkPath);
        QVERIFY(!file.isOpen());
        QCOMPARE(file.number(), FileNumbers::kNoFile);
        if (link == QStringLiteral("Senso.bak")) {
            QCOMPARE(readFile(work), QByteArray("run"));
        } else {
            // Save's reopen refuses too; nor is the linked file copied into a snapshot.
            QVERIFY(!file.openAppend(work));
            QCOMPARE(file.refusedLink(), work);
            QCOMPARE(HeaderScan::takeSnapshot(work, m_dir->path()), QByteArray());
            QVERIFY(!QFile::exists(HeaderScan::snapshotPath(m_dir->path())));
        }
    }
    QVERIFY(QFileInfo(linkPath).isSymbolicLink());
    QCOMPARE(QFileInfo::exists(target), !dangling);
    if (!dangling)
        QCOMPARE(readFile(target), QByteArray("precious"));
}

void TestFilesWorkFile::editorForFile_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("editor");
    QTest::newRow("empty") << 0 << "Notepad";
    QTest::newRow("just below the limit") << 59999 << "Notepad";
    QTest::newRow("at the limit") << 60000 << "Write";
    QTest::newRow("above the limit") << 60001 << "Write";
    QTest::newRow("missing file") << -1 << "Notepad";
}

void TestFilesWorkFile::editorForFile()
{
    QFETCH(int, size);
    const QString file = path("measurement.csv");
    if (size >= 0)
        QVERIFY(writeFile(file, QByteArray(size, ';')));
    QTEST(zkd::editorForFile(file), "editor");
}

void TestFilesWorkFile::programFolders_data()
{
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("docFolder");
    QTest::addColumn<bool>("installed");
    QTest::newRow("portable: writable program folder") << true << false << false;
    QTest::newRow("installed: read-only program folder") << false << false << true;
    QTest::newRow("installed: read-only, documentation beside") << false << true << true;
    QTest::newRow("installed by root: documentation beside") << true << true << true;
}

void TestFilesWorkFile::programFolders()
{
    QFETCH(bool, writable);
    QFETCH(bool, docFolder);
    QFETCH(bool, installed);
    const QString bin = path("bin");
    const QString doc = path("share/doc/zkd735");
    QVERIFY(QDir().mkpath(bin));
    if (docFolder)
        QVERIFY(QDir().mkpath(doc));
    const QString config = path("config/ZKD735_DataRecorder");

    const ProgramFolders folders = chooseProgramFolders(bin, writable, config);
    QCOMPARE(folders.installed, installed);
    QCOMPARE(folders.settingsDir, installed ? config : bin);
    QCOMPARE(folders.manualDir, docFolder ? doc : bin);
    QCOMPARE(QFileInfo(config).isDir(), installed);
    QVERIFY(!folders.settingsUnusable);
}

void TestFilesWorkFile::measurementFolder()
{
    MeasurementFolder folder = prepareMeasurementFolder(m_dir->path(), QStringLiteral("ZKD735"));
    QCOMPARE(folder.path, path("ZKD735"));
    QVERIFY(folder.unusableFolder.isEmpty());
    QVERIFY(QFileInfo(path("ZKD735")).isDir());
    // A file in the way: the home folder is used, and the failed folder named.
    QVERIFY(writeFile(path("blocked"), "a file"));
    folder = prepareMeasurementFolder(m_dir->path(), QStringLiteral("blocked"));
    QCOMPARE(folder.path, m_dir->path());
    QCOMPARE(folder.unusableFolder, path("blocked"));

    // The configuration folder cannot be made either: the settings are unusable.
    const ProgramFolders folders = chooseProgramFolders(m_dir->path(), false, path("blocked/ZKD735_DataRecorder"));
    QVERIFY(folders.installed);
    QVERIFY(folders.settingsUnusable);
}

QTEST_GUILESS_MAIN(TestFilesWorkFile)
#include "tst_files_workfile.moc"
