#pragma once

#include "util/Language.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>

namespace zkd {

// What the live table, the working file and the value displays show after a
// batch of received bytes. Every byte is processed as a chunk of its own, in
// order, so each result is the one per-character events would give; only what
// the user cannot tell apart (repaints, several beeps within one batch) is
// merged.
struct BatchResult
{
    QByteArray fileBytes; // what the working file receives, in order
    bool lineCompleted = false;
    int beeps = 0;         // chunks processed while no line had completed yet
    bool dataSeen = false; // a chunk found text in the table: show the activity picture
};

struct RecordDisplay
{
    std::array<QString, 7> values; // time, ACT 1, MAX 1, MIN 1, ACT 2, MAX 2, MIN 2
    std::int16_t level1 = 0;
    std::int16_t level2 = 0;
    bool overflow1 = false;
    bool overflow2 = false;
};

class RecordPipeline
{
public:
    static constexpr qsizetype kTrimAtChars = 8192;
    static constexpr qsizetype kTrimChars = 4096;
    static constexpr qsizetype kLineBufferLimit = 4096;

    void setLanguage(const Language &language) { m_language = language; }
    void setCheck1(bool ticked) { m_check1 = ticked; }
    void setScaleMax(std::int16_t max1, std::int16_t max2);
    // Writing to the working file happens only while it is open.
    void setFileOpen(bool open) { m_fileOpen = open; }
    // The notes header, asked for when the first chunk of a run arrives.
    void setNotesHeaderSource(std::function<QString()> source) { m_notesHeader = std::move(source); }

    void setHeaderPending(bool pending) { m_headerPending = pending; }
    bool headerPending() const { return m_headerPending; }

    BatchResult process(const QByteArray &bytes);

    // The live table as the user sees it.
    const QString &table() const { return m_table; }
    void appendToTable(const QString &text);
    void clearTable();
    // First position changed since the last call of takeTableChange(); the
    // window appends the tail when it equals what it has, else resets its text.
    qsizetype takeTableChange();
    std::int16_t unsavedLength() const { return m_unsavedLength; }
    void setUnsavedLength(std::int16_t value) { m_unsavedLength = value; }

    const QString &lineBuffer() const { return m_lineBuffer; }
    const QString &lastLine() const { return m_lastLine; } // txtPopStr
    const QStringList &words() const { return m_words; }   // lstPopStrings
    const RecordDisplay &display() const { return m_display; }
    quint64 linesCompleted() const { return m_linesCompleted; }

    // The notes header of a run: time label, time, CR, date label, date, CR,
    // "Notes :  ", the notes, CR.
    static QString notesHeader(const Language &language, const QString &time, const QString &date,
                               const QString &notes);
    // The words of a record line: blank-separated, empty words skipped.
    static QStringList splitWords(const QString &line);
    static bool overflows(const QString &value, std::int16_t scaleMax);

private:
    void processChunk(QString chunk, BatchResult &result);
    // processChunk for a chunk of one character, without building strings.
    void processChar(unsigned char byte, bool decimalComma, BatchResult &result);
    // Measures the table for the unsaved-data length and trims it when full.
    void measureTable(BatchResult &result);
    // Steps shared by both: the record line, its completion and the display.
    void collect(QStringView text, BatchResult &result);
    void markTableChange(qsizetype position);
    void updateDisplay();

    Language m_language;
    bool m_check1 = true;
    bool m_fileOpen = false;
    bool m_headerPending = false;
    std::function<QString()> m_notesHeader;
    std::int16_t m_scaleMax1 = 0;
    std::int16_t m_scaleMax2 = 0;
    bool m_displayStale = false;

    QString m_table;
    qsizetype m_changedFrom = 0;
    std::int16_t m_unsavedLength = 0;
    QString m_lineBuffer;
    QString m_lastLine;
    QStringList m_words;
    RecordDisplay m_display;
    quint64 m_linesCompleted = 0;
};

} // namespace zkd
