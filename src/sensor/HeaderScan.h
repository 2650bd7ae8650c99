#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zkd {

// The header read: finds the instrument's header lines (unit and sensor range
// of both inputs, and the Pri line) among the first lines of a snapshot of
// the working file. The caller owns the globals and the line buffer and
// passes them in; the result holds their new values.
class HeaderScan
{
public:
    // Lines read from the snapshot per header read.
    static constexpr int kLinesRead = 16;

    // The program-wide header globals.
    struct Lines
    {
        QString inp1Line; // Inp1Line
        QString inp2Line; // Inp2Line
        QString sr1Line;  // Sr1Line
        QString sr2Line;  // Sr2Line
    };

    struct Result
    {
        Lines lines;
        // The text of the last successful line read, or the buffer passed in
        // when no read succeeded; the caller keeps it for the next header read.
        QString lineBuffer;
        // The last Pri line seen; empty when none was, and the caption of
        // Label11 then stays as it is.
        std::optional<QString> label11Caption;
        bool headerArrived = false;
    };

    // Reads kLinesRead lines from the snapshot (8-bit text; a line ends at CR
    // or CR LF, so the bare CRs of the notes header end lines too) and tests
    // each one. A read past the end of the snapshot fails and leaves the line
    // buffer as it was, and the tests then run again on the line it holds.
    static Result scan(const QByteArray &snapshot, const QString &lineBuffer, const Lines &lines);

    // The header check: the input-1 line has arrived when it begins with "INP1".
    static bool headerArrived(const QString &inp1Line);

    // The unit of an input line ("INP1 = bar" gives "bar") as the graph window
    // shows it: characters 8 to 11, fewer when the line is shorter, empty when
    // it has fewer than 8.
    static QString graphUnit(const QString &inputLine);

    // Path of the snapshot senso.scy in the program folder.
    static QString snapshotPath(const QString &programFolder);

    // Deletes the snapshot, copies the working file to it (the copy refuses to
    // overwrite, so a snapshot that could not be deleted is read as it is) and
    // returns the snapshot's bytes. Empty when there is no snapshot to read,
    // which scan() treats like a snapshot without lines. Neither file is read
    // or written through a symbolic link: when the snapshot's name is a link,
    // it is left alone, `refusedLink` gets its path and the working file's
    // bytes are returned instead.
    static QByteArray takeSnapshot(const QString &workFilePath, const QString &programFolder,
                                   QString *refusedLink = nullptr);
};

} // namespace zkd
