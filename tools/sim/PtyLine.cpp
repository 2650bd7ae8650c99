#include "PtyLine.h"

#include <QFile>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace zkd::sim {

namespace {

constexpr std::size_t kReadChunk = 4096;
constexpr std::size_t kPathMax = 4096;

QString systemError(const QString &what)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PtyLine::PtyLine(QString linkPath, QObject *parent) : Line(parent), m_linkPath(std::move(linkPath))
{
    m_hangupPoll.setInterval(kHangupPoll);
    connect(&m_hangupPoll, &QTimer::timeout, this, &PtyLine::onHangupPoll);
}

PtyLine::~PtyLine()
{
    removeLink();
    closeMaster();
}

std::optional<QString> PtyLine::open()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return systemError(QStringLiteral("cannot open a pseudo-terminal"));
    std::array<char, kPathMax> name{};
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 || ::ptsname_r(m_master, name.data(), name.size()) != 0) {
        const QString error = systemError(QStringLiteral("cannot prepare the pseudo-terminal"));
        closeMaster();
        return error;
    }
    m_slavePath = QByteArray(name.data());
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);

    if (auto error = configureRaw()) {
        closeMaster();
        return error;
    }
    if (auto error = createLink()) {
        closeMaster();
        return error;
    }

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyLine::onReadable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyLine::onWritable);

    // configureRaw() opened and closed the slave, so the master reports a
    // hang-up until the recorder opens the line.
    m_readerPresent = !hungUp();
    if (!m_readerPresent) {
        m_readNotifier->setEnabled(false);
        m_hangupPoll.start();
    }
    return std::nullopt;
}

std::optional<QString> PtyLine::configureRaw()
{
    const int slave = ::open(m_slavePath.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0)
        return systemError(QStringLiteral("cannot open %1").arg(QString::fromLocal8Bit(m_slavePath)));
    termios settings{};
    bool ok = ::tcgetattr(slave, &settings) == 0;
    if (ok) {
        ::cfmakeraw(&settings);
        ok = ::tcsetattr(slave, TCSANOW, &settings) == 0;
    }
    const QString error = ok ? QString() : systemError(QStringLiteral("cannot set raw mode"));
    ::close(slave);
    if (!ok)
        return error;
    return std::nullopt;
}

std::optional<QString> PtyLine::createLink()
{
    const QByteArray link = QFile::encodeName(m_linkPath);
    struct stat info
    {};
    if (::lstat(link.constData(), &info) == 0) {
        if (!S_ISLNK(info.st_mode))
            return QStringLiteral("%1 exists and is not a symbolic link").arg(m_linkPath);
        // A link left behind by a simulator that was killed.
        ::unlink(link.constData());
    }
    if (::symlink(m_slavePath.constData(), link.constData()) != 0)
        return systemError(QStringLiteral("cannot create the link %1").arg(m_linkPath));
    m_linkCreated = true;
    return std::nullopt;
}

void PtyLine::removeLink()
{
    if (!m_linkCreated)
        return;
    m_linkCreated = false;
    const QByteArray link = QFile::encodeName(m_linkPath);
    std::array<char, kPathMax> target{};
    const ssize_t length = ::readlink(link.constData(), target.data(), target.size() - 1);
    // Only our own link: another simulator may have taken the name since.
    if (length >= 0 && QByteArray(target.data(), static_cast<int>(length)) == m_slavePath)
        ::unlink(link.constData());
}

void PtyLine::closeMaster()
{
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    m_readerPresent = false;
    m_hangupPoll.stop();
}

QString PtyLine::describe() const
{
    return QStringLiteral("%1 -> %2").arg(QString::fromLocal8Bit(m_slavePath), m_linkPath);
}

bool PtyLine::readerPresent() const
{
    return m_readerPresent;
}

bool PtyLine::hungUp() const
{
    pollfd request{m_master, POLLIN, 0};
    return ::poll(&request, 1, 0) > 0 && (request.revents & POLLHUP) != 0;
}

void PtyLine::onReadable()
{
    QByteArray data;
    std::array<char, kReadChunk> buffer{};
    bool hangup = false;
    for (;;) {
        const ssize_t count = ::read(m_master, buffer.data(), buffer.size());
        if (count > 0) {
            data.append(buffer.data(), static_cast<int>(count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        // EIO (or end of file) means that the last opener closed the slave.
        hangup = count == 0 || errno == EIO;
        break;
    }
    if (!data.isEmpty())
        emit received(data);
    if (hangup)
        enterHangup();
}

void PtyLine::onWritable()
{
    m_writeNotifier->setEnabled(false);
    emit writable();
}

void PtyLine::enterHangup()
{
    if (!m_readerPresent)
        return;
    m_readerPresent = false;
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    // The unread rest is collected on the next poll, when the kernel has
    // certainly moved everything written so far to the slave's input queue.
    m_discardDue = true;
    m_hangupPoll.start();
    emit readerGone();
}

void PtyLine::onHangupPoll()
{
    if (hungUp()) {
        if (m_discardDue) {
            m_discardDue = false;
            emit unreadDiscarded(discardUnread());
        }
        return;
    }
    m_hangupPoll.stop();
    m_discardDue = false;
    m_readerPresent = true;
    m_readNotifier->setEnabled(true);
    emit readerBack();
}

qint64 PtyLine::discardUnread()
{
    const int slave = ::open(m_slavePath.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0)
        return kUnknown;
    qint64 total = 0;
    std::array<char, kReadChunk> buffer{};
    for (;;) {
        const ssize_t count = ::read(slave, buffer.data(), buffer.size());
        if (count > 0)
            total += count;
        else if (!(count < 0 && errno == EINTR))
            break;
    }
    ::close(slave);
    return total;
}

qint64 PtyLine::writeSome(const char *data, qint64 size)
{
    if (!m_readerPresent || size <= 0)
        return 0;
    // Announced before the write: killed right after it, the simulator's log
    // still holds every byte the reader can get.
    emit transmitted(QByteArray(data, static_cast<int>(size)));
    for (;;) {
        const ssize_t count = ::write(m_master, data, static_cast<std::size_t>(size));
        if (count > 0) {
            if (count < size) {
                emit untransmitted(size - count);
                m_writeNotifier->setEnabled(true);
            }
            return count;
        }
        if (count < 0 && errno == EINTR)
            continue;
        emit untransmitted(size);
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writeNotifier->setEnabled(true);
            return 0;
        }
        if (count < 0 && errno == EIO) {
            enterHangup();
            return 0;
        }
        emit failed(systemError(QStringLiteral("write to the pseudo-terminal failed")));
        return 0;
    }
}

qint64 PtyLine::unreadBytes()
{
    if (!m_readerPresent)
        return 0;
    const int slave = ::open(m_slavePath.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0)
        return kUnknown;
    int count = 0;
    const bool ok = ::ioctl(slave, FIONREAD, &count) == 0;
    ::close(slave);
    return ok ? count : kUnknown;
}

} // namespace zkd::sim
