#include "serial/ui/LiveTable.h"

#include "serial/ByteCharacters.h"

#include <array>

namespace zkd {
namespace {
constexpr QChar kBackspace(8);
constexpr QChar kLineFeed(10);
constexpr QChar kReturn(13);
// Bytes handled with one set of buffer pointers: the table grows by at most
// two characters a byte.
constexpr qsizetype kSliceBytes = 1024;
} // namespace

bool LiveTable::receive(QByteArrayView bytes)
{
    qsizetype length = m_text.size();
    if (bytes.isEmpty()) {
        // A reception event without a byte is measured as any other chunk.
        m_measured = length;
        if (length >= kTrimAtChars) {
            trim(m_text.data(), length, m_changedFrom);
            m_text.resize(length);
        }
        return m_measured > 0;
    }
    bool dataSeen = false;
    const std::array<char16_t, 256> &decoded = byteCharacters();
    const bool decimalComma = m_decimalComma;
    // Kept in registers for the batch, stored back at its end.
    qsizetype measured = m_measured;
    qsizetype changedFrom = m_changedFrom;
    for (qsizetype at = 0; at < bytes.size(); at += kSliceBytes) {
        const qsizetype count = std::min(kSliceBytes, bytes.size() - at);
        // Room for every byte to become two characters; cut back to size at the end.
        m_text.resize(length + 2 * count);
        QChar *table = m_text.data();
        for (qsizetype i = at; i < at + count; ++i) {
            const QChar c(decoded[static_cast<unsigned char>(bytes[i])]);
            // The unsaved length and the trim, measured before every byte.
            measured = length;
            dataSeen = dataSeen || length > 0;
            if (length >= kTrimAtChars)
                trim(table, length, changedFrom);
            if (c == kBackspace) {
                // A backspace is always the first character of its chunk.
                if (length > 0) {
                    --length;
                    changedFrom = std::min(changedFrom, length);
                }
            } else if (c != kLineFeed) {
                changedFrom = std::min(changedFrom, length);
                table[length++] = decimalComma && c == QLatin1Char('.') ? QChar(QLatin1Char(',')) : c;
                if (c == kReturn)
                    table[length++] = kLineFeed;
            }
        }
        m_text.resize(length);
    }
    m_measured = measured;
    m_changedFrom = changedFrom;
    return dataSeen;
}

void LiveTable::trim(QChar *table, qsizetype &length, qsizetype &changedFrom)
{
    m_trimmed += kTrimChars;
    m_trimmedShown += kTrimChars - std::count(table, table + kTrimChars, kReturn);
    // A change inside the trimmed part leaves nothing the window could keep.
    if (changedFrom >= kTrimChars) {
        changedFrom -= kTrimChars;
    } else {
        changedFrom = 0;
        m_reset = true;
    }
    std::copy(table + kTrimChars, table + length, table);
    length -= kTrimChars;
}

void LiveTable::append(const QString &text)
{
    m_changedFrom = std::min(m_changedFrom, m_text.size());
    m_text.append(text);
}

void LiveTable::clear()
{
    m_text.clear();
    m_reset = true;
    m_changedFrom = 0;
}

TableChange LiveTable::takeChange()
{
    const TableChange change{m_reset, m_trimmed, m_trimmedShown, m_changedFrom};
    m_reset = false;
    m_trimmed = 0;
    m_trimmedShown = 0;
    m_changedFrom = m_text.size();
    return change;
}

} // namespace zkd
