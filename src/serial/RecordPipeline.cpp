#include "serial/RecordPipeline.h"

#include "util/Codec8.h"
#include "util/Numbers.h"
#include "util/StringAnalyser.h"
#include "util/Texts.h"

namespace zkd {
namespace {
constexpr QChar kBackspace(8);
constexpr QChar kTab(9);
constexpr QChar kLineFeed(10);
constexpr QChar kReturn(13);
} // namespace

void RecordPipeline::setScaleMax(std::int16_t max1, std::int16_t max2)
{
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

QStringList RecordPipeline::splitWords(const QString &line)
{
    QStringList words;
    clsStringAnalyser analyser;
    for (auto word = analyser.PopWord(line); word; word = analyser.PopWord()) {
        if (!word->isEmpty())
            words.append(*word);
    }
    return words;
}

bool RecordPipeline::overflows(const QString &value, std::int16_t scaleMax)
{
    return leadingNumber(value) > scaleMax || value == str(texts::OverflowValue);
}

void RecordPipeline::appendToTable(const QString &text)
{
    markTableChange(m_table.size());
    m_table.append(text);
}

void RecordPipeline::clearTable()
{
    m_table.clear();
    markTableChange(0);
}

qsizetype RecordPipeline::takeTableChange()
{
    const qsizetype from = m_changedFrom;
    m_changedFrom = m_table.size();
    return from;
}

void RecordPipeline::markTableChange(qsizetype position)
{
    m_changedFrom = std::min(m_changedFrom, position);
}

BatchResult RecordPipeline::process(const QByteArray &bytes)
{
    BatchResult result;
    const quint64 completedBefore = m_linesCompleted;
    result.fileBytes.reserve(bytes.size() + bytes.size() / 8);
    // The language decides the decimal mark for the whole batch: it cannot change inside one.
    const bool decimalComma = m_language.isGerman() || m_language.isFrench();
    for (const char byte : bytes) {
        if (m_headerPending)
            processChunk(QString(decodeByte(static_cast<unsigned char>(byte))), result);
        else
            processChar(static_cast<unsigned char>(byte), decimalComma, result);
    }
    if (bytes.isEmpty())
        processChunk(QString(), result);
    result.lineCompleted = m_linesCompleted != completedBefore;
    return result;
}

void RecordPipeline::measureTable(BatchResult &result)
{
    // The table's length counts two bytes a character, as the unsaved-data measure always has.
    const qsizetype length = m_table.size() * 2;
    m_unsavedLength = static_cast<std::int16_t>(std::min<qsizetype>(length, INT16_MAX));
    if (length > 0)
        result.dataSeen = true;
    if (length >= kTrimAtChars * 2) {
        m_table.remove(0, kTrimChars);
        markTableChange(0);
    }
}

void RecordPipeline::processChunk(QString chunk, BatchResult &result)
{
    measureTable(result);

    // A backspace at the start of a chunk takes back the last character shown;
    // inside a chunk it takes back the character before it.
    bool replaceLast = false;
    for (qsizetype at = chunk.indexOf(kBackspace); at >= 0; at = chunk.indexOf(kBackspace)) {
        if (at == 0) {
            replaceLast = !m_table.isEmpty();
            chunk.remove(0, 1);
        } else {
            chunk.remove(at - 1, 2);
        }
    }
    chunk.remove(kLineFeed);
    chunk.replace(QString(kReturn), QStringLiteral("\r\n"));
    if (m_language.isGerman() || m_language.isFrench())
        chunk.replace(QLatin1Char('.'), QLatin1Char(','));

    if (replaceLast) {
        m_table.chop(1);
        markTableChange(m_table.size());
    }
    if (!chunk.isEmpty())
        appendToTable(chunk);

    if (m_headerPending && m_notesHeader)
        chunk.prepend(m_notesHeader());
    if (m_check1)
        chunk.replace(kTab, QLatin1Char(';'));
    m_headerPending = false;
    if (m_fileOpen)
        appendEncoded8(result.fileBytes, chunk);

    chunk.remove(kTab);
    chunk.remove(QLatin1Char(';'));
    collect(chunk, result);
}

void RecordPipeline::collect(QStringView text, BatchResult &result)
{
    m_lineBuffer.append(text);
    if (m_displayStale) {
        m_displayStale = false;
        if (!m_lastLine.isEmpty())
            updateDisplay();
    }
    if (text.contains(kReturn)) {
        m_lastLine = m_lineBuffer;
        m_lineBuffer.clear();
        ++m_linesCompleted;
        m_words = splitWords(m_lastLine);
        updateDisplay();
    } else if (m_lineBuffer.size() > kLineBufferLimit) {
        m_lineBuffer.remove(0, m_lineBuffer.size() - kLineBufferLimit);
    }
    if (m_lastLine.isEmpty())
        ++result.beeps;
}

namespace {
QChar shownForLine(QChar c, bool decimalComma)
{
    return decimalComma && c == QLatin1Char('.') ? QChar(QLatin1Char(',')) : c;
}
} // namespace

void RecordPipeline::processChar(unsigned char byte, bool decimalComma, BatchResult &result)
{
    measureTable(result);

    const QChar c = decodeByte(byte);
    if (c == kBackspace) {
        // A backspace is always the first character of its chunk.
        if (!m_table.isEmpty()) {
            m_table.chop(1);
            markTableChange(m_table.size());
        }
    } else if (c != kLineFeed) {
        const bool lineEnd = c == kReturn;
        const bool comma = decimalComma && c == QLatin1Char('.');
        const QChar shown = shownForLine(c, decimalComma);
        markTableChange(m_table.size());
        m_table.append(shown);
        if (lineEnd)
            m_table.append(kLineFeed);
        if (m_fileOpen) {
            if (lineEnd)
                result.fileBytes.append("\r\n", 2);
            else if (comma || (m_check1 && c == kTab))
                result.fileBytes.append(comma ? ',' : ';');
            else
                result.fileBytes.append(static_cast<char>(byte));
        }
    }
    // What the record line receives: tabs and semicolons never, CR as CR LF.
    const QChar line[2] = {shownForLine(c, decimalComma), kLineFeed};
    const qsizetype count = c == kBackspace || c == kLineFeed || c == kTab || c == QLatin1Char(';') ? 0
        : c == kReturn                                                                              ? 2
                                                                                                    : 1;
    collect(QStringView(line, count), result);
}

void RecordPipeline::updateDisplay()
{
    for (std::size_t i = 0; i < m_display.values.size(); ++i)
        m_display.values[i] = qsizetype(i) < m_words.size() ? m_words[qsizetype(i)] : QString();

    const auto level = [](const QString &value, std::int16_t &target) {
        if (const auto rounded = roundToInt16(leadingNumber(value)))
            target = *rounded;
    };
    level(m_display.values[1], m_display.level1);
    level(m_display.values[4], m_display.level2);
    m_display.overflow1 = overflows(m_display.values[1], m_scaleMax1);
    m_display.overflow2 = overflows(m_display.values[4], m_scaleMax2);
}

} // namespace zkd
