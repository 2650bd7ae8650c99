#include "TestFiles.h"
#include "app/SingleInstance.h"
#include "util/Texts.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

using namespace zkd;

using zkd::test::readFile;
using zkd::test::writeFile;

namespace {

constexpr int kStartTimeoutMs = 10000;
const QByteArray kSettings = "\r\n2\r\nEnglish\r\n 10 \r\n 0 \r\n\r\n\r\n0\r\nReady\r\n";
const QByteArray kLeftover = "an earlier recording\r\n";

bool serverAnswers()
{
    QLocalSocket socket;
    socket.connectToServer(SingleInstance::socketPath(SingleInstance::privateFolder().path));
    return socket.waitForConnected(200);
}

// A program folder of its own (the program folder is the executable's), with
// a settings file, open to every account.
void makeProgramFolder(const QString &folder, QString &exe)
{
    exe = QDir(folder).filePath(QStringLiteral("ZKD735_DataRecorder"));
    QVERIFY(QFile::copy(QStringLiteral(ZKD_BIN_DIR "/ZKD735_DataRecorder"), exe));
    QVERIFY(::chmod(QFile::encodeName(exe).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
    QVERIFY(writeFile(QDir(folder).filePath(QStringLiteral("scx.ini")), kSettings));
    QVERIFY(::chmod(QFile::encodeName(QDir(folder).filePath(QStringLiteral("scx.ini"))).constData(), 0644) == 0);
}

struct Account
{
    QString name;
    uid_t uid = 0;
    gid_t gid = 0;
};

// The account, created first when it does not exist.
std::optional<Account> account(const QString &name)
{
    if (!::getpwnam(qPrintable(name))) {
        const int rc = QProcess::execute(
            QStringLiteral("useradd"),
            {QStringLiteral("--no-create-home"), QStringLiteral("--shell"), QStringLiteral("/usr/sbin/nologin"), name});
        if (rc != 0)
            return std::nullopt;
    }
    const passwd *entry = ::getpwnam(qPrintable(name));
    if (!entry)
        return std::nullopt;
    return Account{name, entry->pw_uid, entry->pw_gid};
}

// Runs `program` as the account, with the environment given.
void startAs(QProcess &process, const Account &who, const QProcessEnvironment &env, const QString &program,
             const QStringList &args = {})
{
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("setpriv"),
                  QStringList{QStringLiteral("--reuid=%1").arg(who.uid), QStringLiteral("--regid=%1").arg(who.gid),
                              QStringLiteral("--clear-groups"), QStringLiteral("--"), program}
                      + args);
}

bool makeOwnedFolder(const QString &path, const Account &owner, mode_t mode)
{
    return QDir().mkpath(path) && ::chown(QFile::encodeName(path).constData(), owner.uid, owner.gid) == 0
        && ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

bool setMode(const QString &path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// Removes the names another account planted in the shared temporary folder.
struct Planted
{
    QStringList paths;
    ~Planted()
    {
        for (const QString &path : paths) {
            if (QFileInfo(path).isDir())
                QDir(path).removeRecursively();
            else
                QFile::remove(path);
        }
    }
};

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void secondCopyBringsTheFirstForwardAndEnds()
    {
        if (serverAnswers())
            QSKIP("a recorder of this user is already running");
        QTemporaryDir programDir;
        QTemporaryDir firstDir;
        QTemporaryDir secondDir;
        QString exe;
        makeProgramFolder(programDir.path(), exe);
        QVERIFY(writeFile(secondDir.filePath(QStringLiteral("Senso.scx")), kLeftover));

        QProcess first;
        first.setWorkingDirectory(firstDir.path());
        first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        first.start(exe, {});
        QVERIFY(first.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(serverAnswers(), kStartTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(firstDir.filePath(QStringLiteral("Senso.scx"))), 5000);

        QProcess second;
        second.setWorkingDirectory(secondDir.path());
        second.start(exe, {});
        QVERIFY(second.waitForStarted(5000));
        QVERIFY(second.waitForFinished(kStartTimeoutMs));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        // It says why it ended, and it ended before touching any file: the
        // leftover recording is as it was, no backup made.
        QVERIFY(second.readAllStandardError().contains(str(texts::InstanceActivated).toUtf8()));
        QCOMPARE(readFile(secondDir.filePath(QStringLiteral("Senso.scx"))), kLeftover);
        QVERIFY(!QFileInfo::exists(secondDir.filePath(QStringLiteral("Senso.bak"))));

        // The first copy runs on.
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished(5000);
    }

    // Another account plants, in the shared temporary folder, a listening
    // socket open to all and a held lock under every name it can work out for
    // the victim: the names an older program used and the runtime folder that
    // stands in when none is set. The victim's recorder starts all the same,
    // refuses the other account at its own socket, and a second start of the
    // victim still brings the first copy forward.
    void otherAccountCannotStopTheRecorder_data()
    {
        QTest::addColumn<bool>("runtimeFolderSet");
        QTest::newRow("runtime folder set") << true;
        QTest::newRow("no runtime folder") << false;
    }

    void otherAccountCannotStopTheRecorder()
    {
        QFETCH(bool, runtimeFolderSet);
        if (::geteuid() != 0)
            QSKIP("needs root: the test creates two accounts (useradd) and runs the recorder as each");
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
            QSKIP("needs setpriv and socat");
        const std::optional<Account> victim = account(QStringLiteral("zkdvictim"));
        const std::optional<Account> squatter = account(QStringLiteral("zkdsquatter"));
        if (!victim || !squatter)
            QSKIP("the test accounts could not be created with useradd");

        QTemporaryDir base;
        QVERIFY(setMode(base.path(), 0755));
        const QString home = base.filePath(QStringLiteral("home"));
        const QString runtime = base.filePath(QStringLiteral("run"));
        const QString firstDir = base.filePath(QStringLiteral("first"));
        const QString secondDir = base.filePath(QStringLiteral("second"));
        QString exe;
        QVERIFY(QDir().mkpath(base.filePath(QStringLiteral("program"))));
        makeProgramFolder(base.filePath(QStringLiteral("program")), exe);
        // A portable copy of the victim's own, so that its settings are the ones beside it.
        QVERIFY(
            ::chown(QFile::encodeName(base.filePath(QStringLiteral("program"))).constData(), victim->uid, victim->gid)
            == 0);
        for (const QString &folder : {home, runtime, firstDir, secondDir})
            QVERIFY(makeOwnedFolder(folder, *victim, 0700));
        QVERIFY(writeFile(QDir(secondDir).filePath(QStringLiteral("Senso.scx")), kLeftover));
        QVERIFY(::chown(QFile::encodeName(QDir(secondDir).filePath(QStringLiteral("Senso.scx"))).constData(),
                        victim->uid, victim->gid)
                == 0);

        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("USER"), victim->name);
        env.insert(QStringLiteral("LOGNAME"), victim->name);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (runtimeFolderSet)
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        const QString privateFolder = runtimeFolderSet
            ? runtime
            : QDir(home).filePath(QStringLiteral(".cache/ZKD735_DataRecorder"));

        // The squatter's sockets answer as a running copy would.
        const QString tmp = QDir::tempPath();
        const QString oldName = QStringLiteral("ZKD735_DataRecorder-")
            + QString::fromLatin1(QCryptographicHash::hash((victim->name + QLatin1Char('|') + home).toUtf8(),
                                                           QCryptographicHash::Sha1)
                                      .toHex()
                                      .left(12));
        const QString fallback = QDir(tmp).filePath(QStringLiteral("runtime-") + victim->name);
        Planted planted;
        QStringList sockets{QDir(tmp).filePath(oldName)};
        QStringList locks{QDir(tmp).filePath(oldName + QStringLiteral(".lock"))};
        planted.paths << sockets << locks;
        if (!runtimeFolderSet) {
            QDir(fallback).removeRecursively();
            planted.paths << fallback;
            QVERIFY(makeOwnedFolder(fallback, *squatter, 0777));
            sockets << QDir(fallback).filePath(QStringLiteral("ZKD735_DataRecorder.socket"));
            locks << QDir(fallback).filePath(QStringLiteral("ZKD735_DataRecorder.lock"));
        }
        std::vector<std::unique_ptr<QProcess>> listeners;
        for (const QString &socket : sockets) {
            auto listener = std::make_unique<QProcess>();
            startAs(
                *listener, *squatter, QProcessEnvironment::systemEnvironment(), QStringLiteral("socat"),
                {QStringLiteral("UNIX-LISTEN:%1,fork,mode=0777").arg(socket), QStringLiteral("SYSTEM:echo activated")});
            QVERIFY(listener->waitForStarted(5000));
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 5000);
            listeners.push_back(std::move(listener));
        }
        for (const QString &lock : locks) {
            QVERIFY(writeFile(lock,
                              QByteArray::number(listeners.front()->processId()) + "\nZKD735_DataRecorder\n"
                                  + QSysInfo::machineHostName().toUtf8() + "\n"));
            QVERIFY(::chown(QFile::encodeName(lock).constData(), squatter->uid, squatter->gid) == 0);
        }

        QProcess first;
        first.setWorkingDirectory(firstDir);
        startAs(first, *victim, env, exe);
        QVERIFY(first.waitForStarted(5000));
        // It starts up to its working file and runs on, its socket in its own folder.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(QDir(firstDir).filePath(QStringLiteral("Senso.scx"))),
                                 kStartTimeoutMs);
        QCOMPARE(first.state(), QProcess::Running);
        const QString ownSocket = SingleInstance::socketPath(privateFolder);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(ownSocket), 5000);

        // With the private folder opened up, the squatter reaches the socket
        // but is turned away without an answer.
        QStringList opened{privateFolder};
        if (!runtimeFolderSet)
            opened << home << QDir(home).filePath(QStringLiteral(".cache"));
        for (const QString &folder : opened)
            QVERIFY(setMode(folder, 0711));
        QVERIFY(setMode(ownSocket, 0777));
        QProcess intruder;
        startAs(intruder, *squatter, QProcessEnvironment::systemEnvironment(), QStringLiteral("socat"),
                {QStringLiteral("-t"), QStringLiteral("2"), QStringLiteral("-"),
                 QStringLiteral("UNIX-CONNECT:") + ownSocket});
        QVERIFY(intruder.waitForStarted(5000));
        intruder.write("activate\n");
        // Turned away, the connection ends and so does the intruder; an
        // answered one stays open until the intruder stops sending.
        if (!intruder.waitForFinished(3000)) {
            intruder.closeWriteChannel();
            QVERIFY(intruder.waitForFinished(kStartTimeoutMs));
        }
        QCOMPARE(intruder.readAllStandardOutput(), QByteArray());
        for (const QString &folder : opened)
            QVERIFY(setMode(folder, 0700));

        QProcess second;
        second.setWorkingDirectory(secondDir);
        startAs(second, *victim, env, exe);
        QVERIFY(second.waitForStarted(5000));
        QVERIFY(second.waitForFinished(kStartTimeoutMs));
        QCOMPARE(second.exitCode(), 0);
        const QByteArray secondErrors = second.readAllStandardError();
        QVERIFY2(secondErrors.contains(str(texts::InstanceActivated).toUtf8()), secondErrors.constData());
        QCOMPARE(readFile(QDir(secondDir).filePath(QStringLiteral("Senso.scx"))), kLeftover);

        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished(5000);
        const QByteArray firstErrors = first.readAllStandardError();
        QVERIFY2(firstErrors.contains(QStringLiteral("(user id %1)").arg(squatter->uid).toUtf8()),
                 firstErrors.constData());
        for (const auto &listener : listeners) {
            listener->kill();
            listener->waitForFinished(5000);
        }
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_e2e_single_instance.moc"
