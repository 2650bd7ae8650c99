#include "files/WorkFile.h"

#include "files/FileOps.h"
#include "files/SaveName.h"

#include <QDir>
#include <QFileInfo>

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

WorkFile::WorkFile(FileNumbers &numbers) : m_numbers(numbers) {}

WorkFile::~WorkFile()
{
    close();
}

QString WorkFile::backupPathFor(const QString &path)
{
    const QFileInfo info(path);
    return info.dir().filePath(info.completeBaseName().append(kBackupSuffix));
}

bool WorkFile::keepLeftover(const QString &path, ResetResult &result)
{
    const QString backup = backupPathFor(path);
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

WorkFile::ResetResult WorkFile::reset(const QString &path)
{
    close();
    m_path = path;
    m_refusedLink.clear();
    ResetResult result;

    const QFileInfo info(path);
    const bool hasLeftover = info.isFile() && info.size() > 0;
    for (const QString &written : {path, backupPathFor(path)}) {
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
