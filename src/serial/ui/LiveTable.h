#pragma once

#include "util/Language.h"

#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <cstdint>

namespace zkd {

// What changed in the live table since the window last looked.
struct TableChange
{
    bool reset = false;         // show the whole table anew
    qsizetype removed = 0;      // characters trimmed off the front
    qsizetype removedShown = 0; // of them, those the window shows (all but CR)
    qsizetype from = 0;         // first position changed, in the table as it is now
};

// The live table (Term) as the main window keeps it: the received text with
// every CR followed by LF, line feeds dropped, a backspace taking back the
// character before it, and "." shown as "," in German and French. Each byte
// is a chunk of its own, as per-character events take them, and every chunk
// is measured first: a table of kTrimAtChars characters loses its first
// kTrimChars, and the unsaved length is the table's length then. Only the
// window keeps a table; the recorder without a window has none.
class LiveTable
{
public:
    static constexpr qsizetype kTrimAtChars = 8192;
    static constexpr qsizetype kTrimChars = 4096;

    // The language decides the decimal mark the table shows.
    void setLanguage(const Language &language) { m_decimalComma = language.isGerman() || language.isFrench(); }

    // Shows received bytes; a batch of no byte is a chunk of its own. True
    // when a chunk found text in the table (the activity picture shows).
    bool receive(QByteArrayView bytes);
    // The start line and line end that Start / Stop writes.
    void append(const QString &text);
    void clear();

    const QString &text() const { return m_text; }
    // What changed since the last call: the window drops what was trimmed and
    // appends the tail when the rest equals what it has, else resets its text.
    TableChange takeChange();

    // UnsavedLength: the table's length, in bytes of its two-byte characters,
    // when the last chunk measured it; greater than 0 while there is recorded
    // data to save.
    std::int16_t unsavedLength() const
    {
        return static_cast<std::int16_t>(std::min<qsizetype>(m_measured * 2, INT16_MAX));
    }
    // A save or the save question has taken care of what the table holds.
    void markSaved() { m_measured = 0; }

private:
    // Drops the first kTrimChars of the `length` characters at `table`,
    // moving the first change position `changedFrom` with them.
    void trim(QChar *table, qsizetype &length, qsizetype &changedFrom);

    bool m_decimalComma = false;
    QString m_text;
    qsizetype m_measured = 0;
    qsizetype m_changedFrom = 0;
    qsizetype m_trimmed = 0;
    qsizetype m_trimmedShown = 0;
    bool m_reset = false;
};

} // namespace zkd
