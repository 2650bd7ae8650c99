#pragma once

#include "util/Codec8.h"
#include "util/Numbers.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace zkd::test {

// The record processing written out plainly, one received character per
// chunk, as the window's per-character events take it: an independent
// account of what RecordPipeline (the file, the line, the value boxes) and
// the window's LiveTable (the table, its trim, the unsaved length) must give,
// for the unit tests, the refresh test and the fuzz target.
struct PipelineReference
{
    bool decimalComma = false;
    bool check1 = true;
    bool fileOpen = true;
    bool headerPending = false;
    QString header;
    std::int16_t scaleMax1 = 0;
    std::int16_t scaleMax2 = 0;

    QString table;
    QByteArray file;
    QString lineBuffer;
    QString lastLine;
    QStringList completed; // the lines completed since the caller last cleared it
    QStringList words;
    std::array<QString, 7> values;
    std::int16_t level1 = 0;
    std::int16_t level2 = 0;
    bool overflow1 = false;
    bool overflow2 = false;
    std::int16_t unsavedLength = 0;
    quint64 lines = 0;
    int beeps = 0;
    bool dataSeen = false;

    void feed(const QByteArray &bytes)
    {
        if (bytes.isEmpty())
            chunk(QString());
        for (const char c : bytes)
            chunk(QString(decodeByte(static_cast<unsigned char>(c))));
    }

    void chunk(const QString &received)
    {
        const qsizetype bytes = table.size() * 2;
        unsavedLength = static_cast<std::int16_t>(std::min<qsizetype>(bytes, INT16_MAX));
        if (bytes > 0)
            dataSeen = true;
        if (bytes >= 16384)
            table.remove(0, 4096);
        // The marks follow the full scales in force.
        if (!lastLine.isEmpty())
            mark();

        QString text = received;
        bool replaceLast = false;
        if (text == QChar(8)) {
            replaceLast = !table.isEmpty();
            text.clear();
        } else if (text == QChar(10)) {
            text.clear();
        } else if (text == QChar(13)) {
            text = QStringLiteral("\r\n");
        } else if (text == QLatin1String(".") && decimalComma) {
            text = QStringLiteral(",");
        }
        if (replaceLast)
            table.chop(1);
        table += text;

        if (headerPending)
            text = header + text;
        if (check1)
            text.replace(QChar(9), QLatin1Char(';'));
        headerPending = false;
        if (fileOpen)
            file += encode8(text);

        text.remove(QChar(9));
        text.remove(QLatin1Char(';'));
        lineBuffer += text;
        if (text.contains(QChar(13))) {
            lastLine = lineBuffer;
            lineBuffer.clear();
            completed.append(lastLine);
            ++lines;
            // A completed line holds at least CR LF, so the splitter's
            // one-character rule never applies here.
            words = lastLine.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            for (std::size_t i = 0; i < values.size(); ++i)
                values[i] = qsizetype(i) < words.size() ? words[qsizetype(i)] : QString();
            if (const auto level = roundToInt16(leadingNumber(values[1])))
                level1 = *level;
            if (const auto level = roundToInt16(leadingNumber(values[4])))
                level2 = *level;
            mark();
        } else if (lineBuffer.size() > 4096) {
            lineBuffer = lineBuffer.right(4096);
        }
        if (lastLine.isEmpty())
            ++beeps;
    }

    void mark()
    {
        const QString overflow = QStringLiteral("*Ovl*");
        overflow1 = leadingNumber(values[1]) > scaleMax1 || values[1] == overflow;
        overflow2 = leadingNumber(values[4]) > scaleMax2 || values[4] == overflow;
    }
};

// The working file's bytes straight from the received bytes.
inline QByteArray expectedFileBytes(const QByteArray &received, bool decimalComma, bool check1)
{
    QByteArray out;
    for (const char c : received) {
        switch (c) {
        case 8:
        case 10: break;
        case 13: out += "\r\n"; break;
        case '.': out += decimalComma ? ',' : '.'; break;
        case 9: out += check1 ? ';' : '\t'; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace zkd::test
