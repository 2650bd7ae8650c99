#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace zkd::record {

// How far the broker has acknowledged a run that is published from its
// file: the run's lines are the file's CR LF lines after the notes header,
// numbered from seq 1, so the first unacknowledged one is found again by its
// byte offset, with the seq it had.
struct PublishedRun
{
    QString run;
    QByteArray preamble; // the notes header the run's file begins with
    QString file;        // where the run's bytes were last
    QByteArray header;   // the header payload
    std::int16_t scaleMax1 = 0;
    std::int16_t scaleMax2 = 0;
    quint64 seq = 0;    // the last record acknowledged
    qint64 offset = 0;  // in the file, after that record's line end
    bool ended = false; // the file grows no more; its last bytes are a record, line end or not

    bool operator==(const PublishedRun &other) const;
};

// The runs a publishing recorder has not seen through, kept beside the
// working file in one small JSON file that is replaced as a whole
// (QSaveFile), so that a crash leaves the old state or the new one, never a
// part of either.
class PublishState
{
public:
    static constexpr const char *kFileName = "zkd735-record.mqtt-state";

    struct Loaded
    {
        std::vector<PublishedRun> runs;
        bool missing = false;
        QString error; // a state that cannot be read: the reason
    };

    static QString pathIn(const QString &folder);
    static Loaded load(const QString &path);
    // The error text; empty when written. The file stays with no runs in it:
    // a publishing start in this folder has been here.
    static QString save(const QString &path, const std::vector<PublishedRun> &runs);
};

} // namespace zkd::record
