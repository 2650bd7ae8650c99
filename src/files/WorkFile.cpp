#include "files/WorkFile.h"

#include "files/FileOps.h"
#include "files/SaveName.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace zkd {
namespace {

constexpr QStringView kBackupSuffix{u".bak"};
constexpr QStringView kNotOpen{u"The working file is not open."};
constexpr QStringView kNoFileNumber{u"Too many files are open."};
constexpr QStringView kShortWrite{u"Not all data could be written."};

// Present on disk in any form, a link to nowhere included: all of these
// stand in the way of a new, empty file.
bool pathTaken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

WorkFile::WorkFile(FileNumbers &numbers) : m_numbers(numbers)
{
    m_syncTimer.setSingleShot(true);
    m_syncTimer.setInterval(kSyncPeriod);
    m_syncTimer.callOnTimeout([this] { sync(); });
}

bool WorkFile::syncFileToDisk(QFile &file)
{
#ifdef Q_OS_WIN
    return ::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(file.handle()))) != 0;
#else
    return ::fdatasync(file.handle()) == 0;
#endif
}

bool WorkFile::sync()
{
    m_syncTimer.stop();
    if (!m_unsynced || !isOpen())
        return true;
    m_unsynced = false;
    if (!m_diskSync(m_file)) {
        m_errorText = QStringLiteral("Cannot write %1 to the disk: %2")
                          .arg(QDir::toNativeSeparators(m_path), qt_error_string(-1));
        return false;
    }
    return true;
}

WorkFile::~WorkFile()
{
    close();
}

QString WorkFile::backupPathFor(const QString &path, int number)
{
    const QFileInfo info(path);
    QString name = info.completeBaseName();
    if (number > 1)
        name += QLatin1Char('.') + QString::number(number);
    return info.dir().filePath(name.append(kBackupSuffix));
}

namespace {

// The numbers of the backups of `path` that hold a recording, ascending.
QList<int> backupNumbers(const QString &path)
{
    const QFileInfo info(path);
    const QString base = info.completeBaseName();
    QList<int> numbers;
    // Names compare as the file system compares them.
#ifdef Q_OS_WIN
    constexpr auto kNameCase = QRegularExpression::CaseInsensitiveOption;
#else
    constexpr auto kNameCase = QRegularExpression::NoPatternOption;
#endif
    const QRegularExpression numbered(
        QStringLiteral("^%1(?:\\.([2-9]|[1-9][0-9]{1,8}))?%2$")
            .arg(QRegularExpression::escape(base), QRegularExpression::escape(kBackupSuffix.toString())),
        kNameCase);
    const QFileInfoList found = info.dir().entryInfoList(
        {base + kBackupSuffix.toString(), base + QStringLiteral(".*") + kBackupSuffix.toString()},
        QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &backup : found) {
        if (backup.size() <= 0)
            continue;
        // "Senso.bak" is number 1, "Senso.2.bak" number 2; no other name counts.
        const QRegularExpressionMatch match = numbered.match(backup.fileName());
        if (match.hasMatch())
            numbers << (match.hasCaptured(1) ? match.captured(1).toInt() : 1);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

} // namespace

QStringList WorkFile::backupsFor(const QString &path)
{
    QStringList backups;
    const QList<int> numbers = backupNumbers(path);
    for (auto it = numbers.crbegin(); it != numbers.crend(); ++it)
        backups << backupPathFor(path, *it);
    return backups;
}

QString WorkFile::nextBackupPathFor(const QString &path)
{
    const QList<int> numbers = backupNumbers(path);
    return backupPathFor(path, numbers.isEmpty() ? 1 : numbers.last() + 1);
}

bool WorkFile::keepLeftover(const QString &path, ResetResult &result)
{
    // The name is free or holds an empty file: nothing recorded is replaced.
    const QString backup = nextBackupPathFor(path);
    const FileOpResult removed = removeFile(backup);
    if (!removed.ok) {
        result.backupError = removed.error;
        return false;
    }
    QFile leftover(path);
    if (!leftover.rename(backup)) {
        result.backupError = QStringLiteral("Cannot keep %1 as %2: %3")
                                 .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(backup),
                                      leftover.errorString());
        return false;
    }
    result.backupPath = backup;
    return true;
}

WorkFile::ResetResult WorkFile::reset(const QString &path, Leftover rule)
{
    close();
    m_path = path;
    m_refusedLink.clear();
    ResetResult result;

    const QFileInfo info(path);
    const bool hasLeftover = rule == Leftover::Keep && info.isFile() && info.size() > 0;
    for (const QString &written : {path, nextBackupPathFor(path)}) {
        if (isSymbolicLink(written) && (written == path || hasLeftover)) {
            m_refusedLink = written;
            m_errorText = QStringLiteral("%1 is a symbolic link; nothing is written through it")
                              .arg(QDir::toNativeSeparators(written));
            result.outcome = ResetResult::Outcome::LinkRefused;
            result.errorText = m_errorText;
            result.refusedLink = written;
            return result;
        }
    }
    if (hasLeftover)
        keepLeftover(path, result);

    if (pathTaken(path)) {
        QFile leftover(path);
        if (!leftover.remove()) {
            m_errorText = leftover.errorString();
            result.outcome = ResetResult::Outcome::CannotDelete;
            result.errorText = m_errorText;
            return result;
        }
    }

    if (!openAppend(path)) {
        result.outcome = m_refusedLink.isEmpty() ? ResetResult::Outcome::CannotOpen : ResetResult::Outcome::LinkRefused;
        result.errorText = m_errorText;
        result.refusedLink = m_refusedLink;
    }
    return result;
}

bool WorkFile::openAppend(const QString &path)
{
    close();
    m_path = path;
    m_number = m_numbers.take();
    if (m_number == FileNumbers::kNoFile) {
        m_errorText = kNoFileNumber.toString();
        return false;
    }
    m_refusedLink.clear();
    const FileOpResult opened = openWithoutFollowing(m_file, path,
                                                     QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    if (!opened.ok) {
        m_errorText = opened.error;
        if (opened.refusedLink)
            m_refusedLink = path;
        m_numbers.release(m_number);
        m_number = FileNumbers::kNoFile;
        return false;
    }
    m_size = m_file.size();
    return true;
}

bool WorkFile::write(const QByteArray &bytes)
{
    if (!isOpen()) {
        m_errorText = kNotOpen.toString();
        return false;
    }
    const qint64 sizeBefore = m_size;
    const qint64 written = m_file.write(bytes);
    if (written == bytes.size()) {
        m_size += written;
        if (written > 0 && !m_unsynced) {
            m_unsynced = true;
            m_syncTimer.start();
        }
        return true;
    }

    // A part of the bytes is taken back: the file ends where it ended before.
    m_errorText = m_file.error() != QFileDevice::NoError ? m_file.errorString() : kShortWrite.toString();
    m_file.unsetError();
    if (m_file.size() > sizeBefore)
        m_file.resize(sizeBefore);
    m_file.unsetError();
    m_size = m_file.size();
    return false;
}

bool WorkFile::flush()
{
    if (!isOpen()) {
        m_errorText = kNotOpen.toString();
        return false;
    }
    if (!m_file.flush()) {
        m_errorText = m_file.errorString();
        m_file.unsetError();
        return false;
    }
    return true;
}

void WorkFile::close()
{
    sync();
    if (m_file.isOpen())
        m_file.close();
    m_numbers.release(m_number);
    m_number = FileNumbers::kNoFile;
}

WorkFile::SaveResult WorkFile::saveAs(const QString &chosenName, QChar separator)
{
    SaveResult result;
    close();
    m_refusedLink.clear();
    result.savedPath = normaliseSaveName(chosenName, separator);

    const FileOpResult copied = copyReplacing(m_path, result.savedPath);
    if (!copied.ok) {
        result.outcome = SaveResult::Outcome::CopyFailed;
        result.errorText = m_errorText = copied.error;
        return result;
    }
    const FileOpResult removed = removeFile(m_path);
    if (!removed.ok) {
        result.outcome = SaveResult::Outcome::DeleteFailed;
        result.errorText = m_errorText = removed.error;
        return result;
    }
    if (!openAppend(m_path)) {
        result.outcome = SaveResult::Outcome::ReopenFailed;
        result.errorText = m_errorText;
    }
    return result;
}

} // namespace zkd
