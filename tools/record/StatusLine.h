#pragma once

#include <QString>

#include <cstdio>

namespace zkd::record {

// What the live status line shows.
struct StatusFigures
{
    quint64 records = 0;
    QString time;  // word 0 of the last completed line
    QString act1;  // word 1
    QString unit1; // unit of input 1 from the header, empty before the header read
    QString act2;  // word 4
    QString unit2;
    bool overflow1 = false;
    bool overflow2 = false;
};

// One line on a terminal that is rewritten in place: each new text starts
// with a carriage return and is padded with blanks over what is left of a
// longer previous one.
class StatusLine
{
public:
    explicit StatusLine(std::FILE *stream) : m_stream(stream) {}

    // "12 records | time 2.4 | ACT 1 1.234 bar | ACT 2 45.6 °C | Ovl INP 1";
    // a value not received yet shows as "-".
    static QString format(const StatusFigures &figures);

    // Writes the text in place of the previous one; nothing when it is unchanged.
    void show(const QString &text);
    // Moves to a new line, so that later messages do not overwrite the status;
    // nothing when no status was shown.
    void finish();

private:
    std::FILE *m_stream;
    QString m_shown;
    bool m_open = false;
};

} // namespace zkd::record
