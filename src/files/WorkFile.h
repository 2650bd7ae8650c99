#pragma once

#include "files/FileNumbers.h"
#include "files/FolderSeparator.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>

namespace zkd {

// The working file that records a run as it arrives ("Senso.scx"), with the
// file number it holds while open (kNoFile while closed).
//
// Writes go to the operating system at once, so write() reports a full disk
// or a lost drive on the chunk that hit it, not later.
class WorkFile
{
public:
    struct ResetResult
    {
        enum class Outcome {
            Opened,
            // The leftover file could not be deleted, typically because another
            // program holds it; the caller asks to close the spreadsheet program
            // (texts::CloseExcel).
            CannotDelete,
            CannotOpen,
            // The working file, or the backup a leftover would be kept as, is a
            // symbolic link: nothing was touched, refusedLink names it.
            LinkRefused,
        };
        Outcome outcome = Outcome::Opened;
        QString errorText;
        // Where a leftover recording was kept; empty when there was none.
        QString backupPath;
        // Why a leftover recording could not be kept; the reset goes on anyway.
        QString backupError;
        QString refusedLink;
    };

    struct SaveResult
    {
        enum class Outcome { Saved, CopyFailed, DeleteFailed, ReopenFailed };
        Outcome outcome = Outcome::Saved;
        // The normalised name the recording is stored under; the file exists
        // unless the copy failed.
        QString savedPath;
        QString errorText;
    };

    explicit WorkFile(FileNumbers &numbers);
    ~WorkFile();
    WorkFile(const WorkFile &) = delete;
    WorkFile &operator=(const WorkFile &) = delete;

    // What reset() does with a recording it finds in the file.
    enum class Leftover {
        // Left by a crash or a kill: kept as a backup to recover.
        Keep,
        // The user said to throw it away: deleted.
        Discard,
    };

    // Empties the working file at `path` and opens it for appending: closes it
    // if open, refuses (LinkRefused) when `path`, or the backup a leftover
    // would be kept as, is a symbolic link that someone may have planted,
    // keeps a leftover non-empty file as a backup of its own
    // (nextBackupPathFor: an older backup that was never recovered is never
    // replaced) so that a recording left by a crash can be recovered, deletes
    // what is left, then creates the file anew. On a failure the file stays
    // closed and number() is kNoFile.
    ResetResult reset(const QString &path, Leftover rule = Leftover::Keep);

    // Opens the file at `path` for appending, creating it when missing; a
    // symbolic link there is not followed (refusedLink()). False, with
    // errorText(), when it cannot be opened; it then stays closed.
    bool openAppend(const QString &path);

    // Appends the bytes. False, with errorText(), when they could not all be
    // written; the file stays open, and what part of the chunk did reach it is
    // cut off again where the file allows, so writing the same chunk again
    // does not double it.
    bool write(const QByteArray &bytes);

    // Hands everything written to the operating system; false, with
    // errorText(), when that fails or the file is not open.
    bool flush();

    // Closes the file and frees its number; nothing happens when it is closed.
    // What was written since the last sync goes to the disk first.
    void close();

    // Asks the system to put what was written on the disk itself, not only
    // in its cache, so that a power cut takes nothing already recorded.
    // Writes are synced this way at most once a kSyncPeriod, by a timer the
    // first write after a sync starts, and at close(); never once per write.
    // False, with errorText(), when the system refuses.
    bool sync();
    static constexpr std::chrono::milliseconds kSyncPeriod{1000};
    // The call that puts an open file's bytes on the disk; tests count it.
    using DiskSync = std::function<bool(QFile &)>;
    void setDiskSync(DiskSync diskSync) { m_diskSync = std::move(diskSync); }
    static bool syncFileToDisk(QFile &file);

    // Save's file steps for the name the save dialog returned: closes the
    // working file, stores a copy under normaliseSaveName(chosenName,
    // separator), replacing a file of that name, deletes the working file and
    // opens it anew, empty. Stops at the first failing step and leaves the
    // working file closed; after a failed copy or delete its content is still
    // on disk.
    SaveResult saveAs(const QString &chosenName, QChar separator = kFolderSeparator);

    FileNumber number() const { return m_number; }
    bool isOpen() const { return m_file.isOpen(); }
    // The path given to the last reset() or openAppend().
    const QString &path() const { return m_path; }
    // Why the last failing operation failed.
    const QString &errorText() const { return m_errorText; }
    // The symbolic link the last reset(), openAppend() or saveAs() refused to
    // write through; empty when it refused none.
    const QString &refusedLink() const { return m_refusedLink; }

    // "Senso.bak" beside "Senso.scx": the folder and base name of `path`
    // with the suffix ".bak"; backup 2 and later are "Senso.2.bak", ...
    static QString backupPathFor(const QString &path, int number = 1);
    // The backups of `path` that hold a recording, newest first (the highest
    // number is the newest).
    static QStringList backupsFor(const QString &path);
    // Where the next leftover is kept: after the newest backup that holds a
    // recording, "Senso.bak" when there is none.
    static QString nextBackupPathFor(const QString &path);

private:
    bool keepLeftover(const QString &path, ResetResult &result);

    FileNumbers &m_numbers;
    QFile m_file;
    // The file's length, kept so that a write needs no size query of its own.
    qint64 m_size = 0;
    FileNumber m_number = FileNumbers::kNoFile;
    QString m_path;
    QString m_errorText;
    QString m_refusedLink;
    DiskSync m_diskSync = &WorkFile::syncFileToDisk;
    QTimer m_syncTimer;
    bool m_unsynced = false;
};

} // namespace zkd
