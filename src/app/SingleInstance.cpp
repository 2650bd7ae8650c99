#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace zkd {
namespace {
constexpr int kConnectTimeoutMs = 1000;
const QByteArray kActivate = QByteArrayLiteral("activate\n");
} // namespace

SingleInstance::SingleInstance(QString key, QObject *parent) : QObject(parent), m_key(std::move(key)) {}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::defaultKey()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    const QByteArray hash = QCryptographicHash::hash((user + QLatin1Char('|') + QDir::homePath()).toUtf8(),
                                                     QCryptographicHash::Sha1);
    return QStringLiteral("ZKD735_DataRecorder-") + QString::fromLatin1(hash.toHex().left(12));
}

bool SingleInstance::activateRunning()
{
    QLocalSocket socket;
    socket.connectToServer(m_key);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kActivate);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::claim()
{
    // Two copies started at the same moment must not both claim the place.
    QLockFile lock(
        QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation)).filePath(m_key + QStringLiteral(".lock")));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(5000))
        return false;
    {
        QLocalSocket probe;
        probe.connectToServer(m_key);
        if (probe.waitForConnected(kConnectTimeoutMs))
            return false;
    }
    QLocalServer::removeServer(m_key);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_key)) {
        m_server.reset();
        return true; // no socket to be found by: run on rather than refuse to start
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("activate"))
                    emit activationRequested();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}

void SingleInstance::release()
{
    if (m_server) {
        m_server->close();
        m_server.reset();
    }
}

} // namespace zkd
