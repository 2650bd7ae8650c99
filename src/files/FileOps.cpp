#include "files/FileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace zkd {
namespace {

constexpr qint64 kCopyBlockBytes = 64 * 1024;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
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

} // namespace zkd
