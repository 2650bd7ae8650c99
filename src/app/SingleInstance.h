#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

namespace zkd {

// One running copy per user. The first copy listens on a local socket; a
// later copy finds it there, asks it to come to the front and ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(QString key = defaultKey(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // Asks a running copy to come to the front; true when one answered.
    bool activateRunning();
    // Claims the place for this copy; false when another copy holds it.
    bool claim();
    // Gives the place up, so that a copy started now does not meet this one.
    void release();

    static QString defaultKey();

signals:
    void activationRequested();

private:
    QString m_key;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace zkd
