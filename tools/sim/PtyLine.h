#pragma once

#include "Line.h"

#include <QTimer>

#include <chrono>

class QSocketNotifier;

namespace zkd::sim {

// A pseudo-terminal of the simulator's own, with a stable symbolic link to
// its slave side for the recorder to open.
//
// Whether the other side has the slave open is read from the master: once the
// last opener has closed the slave, the master reports a hang-up on every
// poll, so the read notifier is switched off and a slow timer watches for the
// next opener instead. Bytes written while nobody has the slave open would be
// kept by the kernel and handed to the next opener, unlike on a real line, so
// nothing is written then, and what the last reader left unread is thrown away.
class PtyLine : public Line
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kHangupPoll{50};

    explicit PtyLine(QString linkPath, QObject *parent = nullptr);
    ~PtyLine() override;

    std::optional<QString> open() override;
    QString describe() const override;
    bool readerPresent() const override;
    qint64 writeSome(const char *data, qint64 size) override;
    qint64 unreadBytes() override;

private:
    void onReadable();
    void onWritable();
    void onHangupPoll();
    void enterHangup();
    bool hungUp() const;
    qint64 discardUnread();
    std::optional<QString> configureRaw();
    std::optional<QString> createLink();
    void removeLink();
    void closeMaster();

    QString m_linkPath;
    QByteArray m_slavePath;
    int m_master = -1;
    bool m_linkCreated = false;
    bool m_readerPresent = false;
    bool m_discardDue = false;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QTimer m_hangupPoll;
};

} // namespace zkd::sim
