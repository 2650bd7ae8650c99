#include "files/FileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace zkd {
namespace {

constexpr qint64 kCopyBlockBytes = qint64{64} * 1024;
constexpr int kNewFileMode = 0666; // narrowed by the user's umask

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

FileOpResult linkRefused(const QString &path)
{
    return {false, QStringLiteral("%1 is a symbolic link; nothing is written through it").arg(shown(path)), true};
}

} // namespace

bool fileExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

FileOpResult copyReplacing(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return {false, QStringLiteral("Cannot read %1: %2").arg(shown(source), in.errorString())};

    // The save file would write to a link's target; a link in a shared folder
    // may have been planted to make this user overwrite a file of their own.
    if (isSymbolicLink(target))
        return linkRefused(target);
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return {false, QStringLiteral("Cannot write %1: %2").arg(shown(target), out.errorString())};

    while (!in.atEnd()) {
        const QByteArray block = in.read(kCopyBlockBytes);
        if (block.isEmpty() && in.error() != QFileDevice::NoError) {
            out.cancelWriting();
            return {false, QStringLiteral("Cannot read %1: %2").arg(shown(source), in.errorString())};
        }
        if (out.write(block) != block.size()) {
            out.cancelWriting();
            return {false, QStringLiteral("Cannot write %1: %2").arg(shown(target), out.errorString())};
        }
    }
    if (!out.commit())
        return {false, QStringLiteral("Cannot write %1: %2").arg(shown(target), out.errorString())};
    return {};
}

FileOpResult removeFile(const QString &path)
{
    QFile file(path);
    if (!file.exists() && !QFileInfo(path).isSymLink())
        return {};
    if (!file.remove())
        return {false, QStringLiteral("Cannot delete %1: %2").arg(shown(path), file.errorString())};
    return {};
}

bool isSymbolicLink(const QString &path)
{
    return QFileInfo(path).isSymbolicLink();
}

FileOpResult openWithoutFollowing(QFile &file, const QString &path, QIODevice::OpenMode mode)
{
#ifdef Q_OS_UNIX
    const int flags = (mode & QIODevice::WriteOnly) ? (O_WRONLY | O_APPEND | O_CREAT) : O_RDONLY;
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_NOFOLLOW | O_CLOEXEC, kNewFileMode);
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP || isSymbolicLink(path))
            return linkRefused(path);
        return {false, QString::fromLocal8Bit(std::strerror(error))};
    }
    file.setFileName(path);
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {false, file.errorString()};
    }
    return {};
#else
    if (isSymbolicLink(path))
        return linkRefused(path);
    file.setFileName(path);
    if (!file.open(mode))
        return {false, file.errorString()};
    return {};
#endif
}

FileOpResult writeNewFile(const QString &path, const QByteArray &bytes)
{
    QFile file;
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          kNewFileMode);
    if (fd < 0) {
        const int error = errno;
        if (isSymbolicLink(path))
            return linkRefused(path);
        return {false,
                QStringLiteral("Cannot write %1: %2").arg(shown(path), QString::fromLocal8Bit(std::strerror(error)))};
    }
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {false, QStringLiteral("Cannot write %1: %2").arg(shown(path), file.errorString())};
    }
#else
    if (isSymbolicLink(path))
        return linkRefused(path);
    file.setFileName(path);
    if (!file.open(QIODevice::NewOnly | QIODevice::WriteOnly))
        return {false, QStringLiteral("Cannot write %1: %2").arg(shown(path), file.errorString())};
#endif
    if (file.write(bytes) != bytes.size())
        return {false, QStringLiteral("Cannot write %1: %2").arg(shown(path), file.errorString())};
    return {};
}

} // namespace zkd
