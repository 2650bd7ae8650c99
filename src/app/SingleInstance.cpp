#include "app/SingleInstance.h"

#include "util/Texts.h"
#include "util/UserIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace zkd {
namespace {

constexpr int kConnectTimeoutMs = 1000;
// Another copy of this user claims the place for at most about a second.
constexpr int kLockWaitMs = 5000;
const QByteArray kActivate = QByteArrayLiteral("activate\n");
const QByteArray kActivated = QByteArrayLiteral("activated\n");
constexpr QStringView kFolderName{u"ZKD735_DataRecorder"};
constexpr QStringView kSocketName{u"ZKD735_DataRecorder.socket"};
constexpr QStringView kLockName{u"ZKD735_DataRecorder.lock"};

void report(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stderr);
    std::fflush(stderr);
}

#ifdef Q_OS_UNIX
QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The user id at the other end of a connected local socket.
std::optional<uid_t> peerUid(const QLocalSocket &socket)
{
#ifdef SO_PEERCRED
    ucred cred{};
    socklen_t length = sizeof cred;
    if (::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0)
        return std::nullopt;
    return cred.uid;
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(static_cast<int>(socket.socketDescriptor()), &uid, &gid) != 0)
        return std::nullopt;
    return uid;
#endif
}

bool peerIsThisUser(const QLocalSocket &socket, uid_t *seen = nullptr)
{
    const std::optional<uid_t> uid = peerUid(socket);
    if (seen && uid)
        *seen = *uid;
    return uid && *uid == ::geteuid();
}

// Why the entry at `path` is not a socket of this user; empty when it is one
// or there is none.
QString foreignSocketProblem(const QString &path)
{
    struct stat info
    {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ENOENT ? QString() : errnoText(errno);
    if (!S_ISSOCK(info.st_mode))
        return QStringLiteral("%1 is not a socket").arg(path);
    if (info.st_uid != ::geteuid())
        return QStringLiteral("%1 belongs to user id %2").arg(path).arg(info.st_uid);
    return QString();
}
#endif

#ifdef Q_OS_WIN
// The process at the other end of a connected pipe: its server, or its client.
enum class PipeEnd { Server, Client };

std::optional<quint32> pipePeerProcess(const QLocalSocket &socket, PipeEnd end)
{
    const auto pipe = reinterpret_cast<HANDLE>(socket.socketDescriptor());
    ULONG processId = 0;
    const BOOL known = end == PipeEnd::Server ? ::GetNamedPipeServerProcessId(pipe, &processId)
                                              : ::GetNamedPipeClientProcessId(pipe, &processId);
    if (!known)
        return std::nullopt;
    return quint32{processId};
}

// The user at the other end, as a SID; "unknown" when it cannot be told, which
// counts as another user.
bool peerIsThisUser(const QLocalSocket &socket, PipeEnd end, QString *seen)
{
    const std::optional<quint32> process = pipePeerProcess(socket, end);
    const QString peer = process ? processUserIdentity(*process) : QString();
    *seen = peer.isEmpty() ? QStringLiteral("unknown") : peer;
    return !peer.isEmpty() && peer == processUserIdentity(::GetCurrentProcessId());
}
#endif

} // namespace

SingleInstance::SingleInstance(QString folder, QObject *parent) : QObject(parent), m_folder(std::move(folder)) {}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::socketPath(const QString &folder)
{
#ifdef Q_OS_WIN
    // A local socket is a named pipe here, in one namespace for the whole
    // machine rather than in a folder: the user's identity keeps it apart.
    Q_UNUSED(folder);
    return instancePipeName(currentUserIdentity());
#else
    return QDir(folder).filePath(kSocketName.toString());
#endif
}

QString SingleInstance::privateFolderProblem(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat info
    {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("%1: %2").arg(path, errnoText(errno));
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("%1 is a symbolic link").arg(path);
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("%1 is not a folder").arg(path);
    if (info.st_uid != ::geteuid())
        return QStringLiteral("%1 belongs to user id %2").arg(path).arg(info.st_uid);
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return QStringLiteral("%1 is open to other users (mode %2)")
            .arg(path)
            .arg(info.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO), 4, 8, QLatin1Char('0'));
    return QString();
#else
    return QFileInfo(path).isDir() ? QString() : QStringLiteral("%1 is not a folder").arg(path);
#endif
}

SingleInstance::Folder SingleInstance::privateFolder()
{
#ifdef Q_OS_WIN
    // Only the lock lives in a folder; the user's own local application data
    // is closed to other users by the profile's permissions.
    const QString local = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (local.isEmpty())
        return {QString(), QStringLiteral("there is no local application data folder")};
    const QString lockFolder = QDir(local).filePath(kFolderName.toString());
    if (!QDir().mkpath(lockFolder))
        return {QString(), QStringLiteral("%1 cannot be made").arg(QDir::toNativeSeparators(lockFolder))};
    return {lockFolder, QString()};
#else
    QString runtimeProblem = QStringLiteral("there is no runtime folder");
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty()) {
        runtimeProblem = privateFolderProblem(runtime);
        if (runtimeProblem.isEmpty())
            return {runtime, QString()};
    }
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        return {QString(), runtimeProblem + QStringLiteral(", and there is no cache folder")};
    const QString own = QDir(cache).filePath(kFolderName.toString());
    QDir().mkpath(cache);
#ifdef Q_OS_UNIX
    if (::mkdir(QFile::encodeName(own).constData(), S_IRWXU) != 0 && errno != EEXIST)
        return {QString(), QStringLiteral("%1, and %2 cannot be made: %3").arg(runtimeProblem, own, errnoText(errno))};
#else
    QDir().mkpath(own);
#endif
    const QString ownProblem = privateFolderProblem(own);
    if (!ownProblem.isEmpty())
        return {QString(), QStringLiteral("%1, and %2").arg(runtimeProblem, ownProblem)};
    return {own, QString()};
#endif
}

bool SingleInstance::resolveFolder()
{
    if (m_folder.isEmpty() && m_folderProblem.isEmpty()) {
        const Folder folder = privateFolder();
        m_folder = folder.path;
        m_folderProblem = folder.problem;
    } else if (!m_folder.isEmpty()) {
        m_folderProblem = privateFolderProblem(m_folder);
    }
    return m_folderProblem.isEmpty();
}

bool SingleInstance::connectToRunning(QLocalSocket &socket)
{
    const QString path = socketPath(m_folder);
#ifdef Q_OS_UNIX
    const QString foreign = foreignSocketProblem(path);
    if (!foreign.isEmpty()) {
        report(str(texts::InstanceForeignSocket).arg(foreign));
        return false;
    }
#endif
    socket.connectToServer(path);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
#ifdef Q_OS_WIN
    // Another account can create a pipe of this name first; only a server
    // that runs as this user is answered.
    QString user;
    if (!peerIsThisUser(socket, PipeEnd::Server, &user)) {
        report(str(texts::InstanceForeignSocket).arg(QStringLiteral("%1 is served by user %2").arg(path, user)));
        socket.abort();
        return false;
    }
#endif
#ifdef Q_OS_UNIX
    uid_t uid = 0;
    if (!peerIsThisUser(socket, &uid)) {
        report(str(texts::InstanceForeignSocket).arg(QStringLiteral("%1 is served by user id %2").arg(path).arg(uid)));
        socket.abort();
        return false;
    }
#endif
    return true;
}

bool SingleInstance::activateRunning()
{
    if (!resolveFolder())
        return false;
    QLocalSocket socket;
    if (!connectToRunning(socket))
        return false;
#ifdef Q_OS_WIN
    // Windows lets only the program the user just started take the
    // foreground; it hands that right to the running copy.
    if (const std::optional<quint32> running = pipePeerProcess(socket, PipeEnd::Server))
        ::AllowSetForegroundWindow(*running);
#endif
    socket.write(kActivate);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(kConnectTimeoutMs))
        answer += socket.readAll();
    socket.disconnectFromServer();
    report(str(answer == kActivated ? texts::InstanceActivated : texts::InstanceNoAnswer));
    return true;
}

bool SingleInstance::claim()
{
    if (!resolveFolder()) {
        report(str(texts::InstanceUnchecked).arg(m_folderProblem));
        return true;
    }
    // Two copies started at the same moment must not both claim the place.
    QLockFile lock(QDir(m_folder).filePath(kLockName.toString()));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(kLockWaitMs)) {
        report(str(texts::InstanceUnchecked)
                   .arg(QStringLiteral("the lock %1 stayed taken").arg(QDir(m_folder).filePath(kLockName.toString()))));
        return true;
    }
    {
        QLocalSocket probe;
        if (connectToRunning(probe))
            return false;
    }
    const QString path = socketPath(m_folder);
    QLocalServer::removeServer(path);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(path)) {
        report(str(texts::InstanceUnchecked).arg(QStringLiteral("%1: %2").arg(path, m_server->errorString())));
        m_server.reset();
        return true;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
#ifdef Q_OS_WIN
        QString user;
        if (!peerIsThisUser(*socket, PipeEnd::Client, &user)) {
            report(str(texts::InstanceForeignPeer).arg(user));
            socket->abort();
            socket->deleteLater();
            continue;
        }
#endif
#ifdef Q_OS_UNIX
        uid_t uid = 0;
        if (!peerIsThisUser(*socket, &uid)) {
            report(str(texts::InstanceForeignPeer).arg(uid));
            socket->abort();
            socket->deleteLater();
            continue;
        }
#endif
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains("activate")) {
                emit activationRequested();
                socket->write(kActivated);
            }
        });
    }
}

void SingleInstance::release()
{
    if (m_server) {
        m_server->close();
        m_server.reset();
    }
}

} // namespace zkd
