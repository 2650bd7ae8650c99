#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace zkd {

// One running copy per user. The first copy listens on a local socket in a
// folder only this user can enter; a later copy finds it there, asks it to
// come to the front and ends.
//
// Other accounts of the same machine cannot stop or delay a start: the socket
// and its lock live in the user's private folder, a socket is connected to
// only when it belongs to this user, and a connection from another user is
// refused. On Windows the socket is a named pipe whose name carries the
// user's SID, open to this user only, and the process at the other end of a
// connection must run as this user; the lock lives in the user's local
// application data. Whatever the outcome, a copy that ends or cannot check
// says why on standard error.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `folder` holds the socket and the lock; empty: the user's private folder
    // (privateFolder()), found at the first claim.
    explicit SingleInstance(QString folder = QString(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // Asks a running copy to come to the front and says on standard error that
    // this copy ends; true when one was found.
    bool activateRunning();
    // Claims the place for this copy; false when another copy of this user
    // holds it. When that cannot be told (no private folder, no socket), says
    // why on standard error and returns true, so the program starts normally.
    bool claim();
    // Gives the place up, so that a copy started now does not meet this one.
    void release();

    struct Folder
    {
        QString path;    // empty when no usable folder was found
        QString problem; // why, when path is empty
    };
    // The user's runtime folder, or else a folder of the user's own in the
    // cache folder, created with mode 0700. Either is used only when it is a
    // real folder (not a link), owned by this user and closed to others.
    static Folder privateFolder();
    // Why `path` is no private folder of this user; empty when it is one.
    static QString privateFolderProblem(const QString &path);
    // The socket in `folder`; on Windows the user's pipe, wherever the folder.
    static QString socketPath(const QString &folder);

signals:
    void activationRequested();

private:
    // Connects `socket` to the place when a socket of this user listens there.
    bool connectToRunning(QLocalSocket &socket);
    void acceptConnections();
    bool resolveFolder();

    QString m_folder;
    QString m_folderProblem;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace zkd
