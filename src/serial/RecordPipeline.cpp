#include "serial/RecordPipeline.h"

#include "serial/ByteCharacters.h"
#include "util/Codec8.h"
#include "util/Texts.h"

#include <algorithm>
#include <array>

namespace zkd {
namespace {
constexpr QChar kBackspace(8);
constexpr QChar kTab(9);
constexpr QChar kLineFeed(10);
constexpr QChar kReturn(13);
// Bytes handled with one set of buffer pointers: the line buffer grows by at
// most two characters a byte.
constexpr qsizetype kSliceBytes = 1024;
} // namespace

void RecordPipeline::setScaleMax(std::int16_t max1, std::int16_t max2)
{
    // The marks of a line already complete were set with the scale it arrived under.
    settleWords();
    m_scaleMax1 = max1;
    m_scaleMax2 = max2;
    // The marks follow the new scale with the next chunk, as they would per character.
    m_displayStale = true;
}

QString RecordPipeline::notesHeader(const Language &language, const QString &time, const QString &date,
                                    const QString &notes)
{
    const QString cr(kReturn);
    return pickOrEmpty(language, texts::NotesTime) + time + cr + pickOrEmpty(language, texts::NotesDate) + date + cr
        + str(texts::NotesLabel) + notes + cr;
}

BatchResult RecordPipeline::process(const QByteArray &bytes)
{
    BatchResult result;
    process(QByteArrayView(bytes), result);
    return result;
}

qsizetype RecordPipeline::process(QByteArrayView bytes, BatchResult &result)
{
    const quint64 completedBefore = m_linesCompleted;
    m_stopped = false;
    // A caller that feeds one batch in many pieces grows the buffer by doubling,
    // not by one piece at a time.
    const qsizetype needed = result.fileBytes.size() + 2 * bytes.size();
    if (needed > result.fileBytes.capacity())
        result.fileBytes.reserve(std::max(needed, 2 * result.fileBytes.capacity()));
    applyStaleScale();
    qsizetype at = 0;
    if (m_headerPending || bytes.isEmpty()) {
        // The first chunk of a run brings the notes header; an empty chunk
        // is a reception event of its own. Either is a chunk of at most a byte.
        at = std::min<qsizetype>(bytes.size(), 1);
        firstChunk(bytes.first(at), result);
    }
    // The language decides the decimal mark for the whole batch: it cannot change inside one.
    while (at < bytes.size() && !m_stopped) {
        const qsizetype count = std::min(kSliceBytes, bytes.size() - at);
        at += processSlice<true>(bytes.data() + at, count, m_decimalComma, result);
    }
    if (m_linesCompleted != completedBefore)
        result.lineCompleted = true;
    return at;
}

void RecordPipeline::firstChunk(QByteArrayView bytes, BatchResult &result)
{
    QString header;
    if (m_headerPending && m_notesHeader)
        header = m_notesHeader();
    m_headerPending = false;
    if (header.isEmpty() && !bytes.isEmpty()) {
        processSlice<true>(bytes.data(), bytes.size(), m_decimalComma, result);
        return;
    }
    // The byte's way into the file, without its line; then the notes header
    // ahead of it in the file, its tabs as ";" too while Check1 is ticked.
    const qsizetype fileBefore = result.fileBytes.size();
    QString text;
    if (!bytes.isEmpty()) {
        processSlice<false>(bytes.data(), 1, m_decimalComma, result);
        const QChar c = decodeByte(static_cast<unsigned char>(bytes.front()));
        if (c == kReturn)
            text = QStringLiteral("\r\n");
        else if (c == QLatin1Char('.') && m_decimalComma)
            text = QStringLiteral(",");
        else if (c != kBackspace && c != kLineFeed)
            text = c;
    }
    if (m_fileOpen && !header.isEmpty()) {
        QByteArray encoded;
        appendEncoded8(encoded, m_check1 ? QString(header).replace(kTab, QLatin1Char(';')) : header);
        result.fileBytes.insert(fileBefore, encoded);
    }

    // The line takes the header and the byte as one text: with the header's
    // line ends it completes with this chunk.
    text.prepend(header);
    text.remove(kTab);
    text.remove(QLatin1Char(';'));
    if (m_lineBuffer.size() > kLineBufferLimit)
        m_lineBuffer.remove(0, m_lineBuffer.size() - kLineBufferLimit);
    m_lineBuffer.append(text);
    if (text.contains(kReturn)) {
        m_stopped = !completeLine(m_lineBuffer);
        m_lineBuffer.clear();
    } else if (m_lineBuffer.size() > kLineBufferLimit) {
        m_lineBuffer.remove(0, m_lineBuffer.size() - kLineBufferLimit);
    }
    if (m_line.text().isEmpty())
        ++result.beeps;
}

void RecordPipeline::settleWords() const
{
    if (m_wordsStale) {
        m_wordsStale = false;
        m_words = m_line.words();
        updateDisplay();
    }
}

void RecordPipeline::applyStaleScale()
{
    if (m_displayStale) {
        m_displayStale = false;
        settleWords();
        if (!m_line.text().isEmpty())
            updateDisplay();
    }
}

template <bool kCollectLine>
qsizetype RecordPipeline::processSlice(const char *bytes, qsizetype count, bool decimalComma, BatchResult &result)
{
    const std::array<char16_t, 256> &decoded = byteCharacters();
    // Room for every byte to become two characters; cut back to size at the end.
    qsizetype lineLength = m_lineBuffer.size();
    m_lineBuffer.resize(lineLength + 2 * count);
    QChar *line = m_lineBuffer.data();
    qsizetype fileLength = result.fileBytes.size();
    result.fileBytes.resize(fileLength + 2 * count);
    char *file = result.fileBytes.data();
    const bool semicolons = m_check1;
    const bool writeFile = m_fileOpen;

    qsizetype i = 0;
    while (i < count && !m_stopped) {
        const auto byte = static_cast<unsigned char>(bytes[i++]);
        const QChar c(decoded[byte]);
        const bool comma = decimalComma && c == QLatin1Char('.');
        const QChar shown = comma ? QChar(QLatin1Char(',')) : c;
        const bool lineEnd = c == kReturn;
        // The file loses backspaces and line feeds (a backspace takes back
        // only what the table shows).
        if (writeFile && c != kBackspace && c != kLineFeed) {
            if (lineEnd) {
                file[fileLength++] = '\r';
                file[fileLength++] = '\n';
            } else if (comma) {
                file[fileLength++] = ',';
            } else if (semicolons && c == kTab) {
                file[fileLength++] = ';';
            } else {
                file[fileLength++] = static_cast<char>(byte);
            }
        }
        if constexpr (kCollectLine) {
            // What the record line receives: tabs and semicolons never, CR as CR LF.
            if (lineEnd) {
                line[lineLength++] = kReturn;
                line[lineLength++] = kLineFeed;
                const qsizetype kept = std::min(lineLength - 2, kLineBufferLimit);
                m_stopped = !completeLine(QStringView(line + lineLength - 2 - kept, kept + 2));
                lineLength = 0;
            } else if (c != kBackspace && c != kLineFeed && c != kTab && c != QLatin1Char(';')) {
                line[lineLength++] = shown;
                if (lineLength > 2 * kLineBufferLimit) {
                    std::copy(line + lineLength - kLineBufferLimit, line + lineLength, line);
                    lineLength = kLineBufferLimit;
                }
            }
            // Every byte beeps until the first line is complete.
            if (m_line.text().isEmpty())
                ++result.beeps;
        }
    }
    m_lineBuffer.resize(lineLength);
    result.fileBytes.resize(fileLength);
    return i;
}

bool RecordPipeline::completeLine(QStringView line)
{
    m_line.read(line);
    ++m_linesCompleted;
    m_wordsStale = true;
    if (const auto level = m_line.level(RecordLine::Input::One))
        m_display.level1 = *level;
    if (const auto level = m_line.level(RecordLine::Input::Two))
        m_display.level2 = *level;
    return !m_lineListener || m_lineListener(m_line);
}

void RecordPipeline::updateDisplay() const
{
    for (std::size_t i = 0; i < m_display.values.size(); ++i)
        m_display.values[i] = m_line.value(RecordLine::Value(i)).toString();
    m_display.leading1 = m_line.leadingNumber(RecordLine::Input::One);
    m_display.leading2 = m_line.leadingNumber(RecordLine::Input::Two);
    m_display.overflow1 = m_line.overflows(RecordLine::Input::One, m_scaleMax1);
    m_display.overflow2 = m_line.overflows(RecordLine::Input::Two, m_scaleMax2);
}

} // namespace zkd
