#pragma once

#include "serial/RecordLine.h"
#include "util/Language.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

namespace zkd {

// What the working file and the value displays get from a batch of received
// bytes. Every byte is processed as a chunk of its own, in order, so each
// result is the one per-character events would give; only what the user
// cannot tell apart (several beeps within one batch) is merged.
struct BatchResult
{
    QByteArray fileBytes; // what the working file receives, in order
    bool lineCompleted = false;
    int beeps = 0; // chunks processed while no line had completed yet
};

struct RecordDisplay
{
    std::array<QString, RecordLine::kValues> values; // in the order of RecordLine::Value
    const QString &value(RecordLine::Value which) const { return values[std::size_t(which)]; }
    // The numbers the actual values begin with (a comma ends them).
    double leading1 = 0;
    double leading2 = 0;
    std::int16_t level1 = 0;
    std::int16_t level2 = 0;
    bool overflow1 = false;
    bool overflow2 = false;
};

class RecordPipeline
{
public:
    static constexpr qsizetype kLineBufferLimit = 4096;

    // The language decides the decimal mark the file and the value boxes show.
    void setLanguage(const Language &language) { m_decimalComma = language.isGerman() || language.isFrench(); }
    void setCheck1(bool ticked) { m_check1 = ticked; }
    void setScaleMax(std::int16_t max1, std::int16_t max2);
    // Writing to the working file happens only while it is open.
    void setFileOpen(bool open) { m_fileOpen = open; }
    // The notes header, asked for when the first chunk of a run arrives.
    void setNotesHeaderSource(std::function<QString()> source) { m_notesHeader = std::move(source); }

    void setHeaderPending(bool pending) { m_headerPending = pending; }
    bool headerPending() const { return m_headerPending; }

    BatchResult process(const QByteArray &bytes);
    // The same, adding to `result`: the working-file bytes are appended to
    // its buffer, which a caller may keep from batch to batch. Gives the
    // number of bytes taken: all of them, unless the line listener stopped.
    qsizetype process(QByteArrayView bytes, BatchResult &result);

    // Called with every completed line, in order, as soon as it is read.
    // Returning false stops the batch right after the line's carriage
    // return; the bytes behind it are not processed.
    void setLineListener(std::function<bool(const RecordLine &)> listener) { m_lineListener = std::move(listener); }

    QString lineBuffer() const { return m_lineBuffer.right(kLineBufferLimit); }
    const QString &lastLine() const { return m_line.text(); } // txtPopStr
    // The words and the value boxes of the last line are taken from it when first asked for.
    const QStringList &words() const // lstPopStrings
    {
        settleWords();
        return m_words;
    }
    const RecordDisplay &display() const
    {
        settleWords();
        return m_display;
    }
    quint64 linesCompleted() const { return m_linesCompleted; }

    // The notes header of a run: time label, time, CR, date label, date, CR,
    // "Notes :  ", the notes, CR.
    static QString notesHeader(const Language &language, const QString &time, const QString &date,
                               const QString &notes);

private:
    // The first chunk of a run, which brings the notes header, or a chunk
    // of no byte: at most one byte.
    void firstChunk(QByteArrayView bytes, BatchResult &result);
    // Every byte of a slice, one at a time, straight into the line buffer
    // (unless kCollectLine is false: the caller takes the line) and the file
    // bytes, as per-character events would. Gives the number of bytes taken.
    template <bool kCollectLine>
    qsizetype processSlice(const char *bytes, qsizetype count, bool decimalComma, BatchResult &result);
    void applyStaleScale();
    // A completed line: the meters follow it at once, the words and the value
    // boxes when next asked for. False when the listener wants no more.
    bool completeLine(QStringView line);
    void settleWords() const;
    void updateDisplay() const;

    bool m_decimalComma = false;
    bool m_check1 = true;
    bool m_fileOpen = false;
    bool m_headerPending = false;
    std::function<QString()> m_notesHeader;
    std::function<bool(const RecordLine &)> m_lineListener;
    bool m_stopped = false;
    std::int16_t m_scaleMax1 = 0;
    std::int16_t m_scaleMax2 = 0;
    bool m_displayStale = false;

    // The line so far; only its last kLineBufferLimit characters count. The
    // byte path lets it grow to twice that before it cuts, so a long line
    // costs a constant amount per byte.
    QString m_lineBuffer;
    RecordLine m_line;
    // The last line's words and what the value boxes show follow it when asked for.
    mutable bool m_wordsStale = false;
    mutable QStringList m_words;
    mutable RecordDisplay m_display;
    quint64 m_linesCompleted = 0;
};

} // namespace zkd
