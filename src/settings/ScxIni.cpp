#include "settings/ScxIni.h"

#include "util/Codec8.h"
#include "util/Numbers.h"
#include "util/Texts.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace zkd {
namespace {

class FieldReader
{
public:
    explicit FieldReader(const QString &text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }

    QString next()
    {
        while (m_pos < m_text.size() && m_text[m_pos] == QLatin1Char(' '))
            ++m_pos;
        QString field;
        if (m_pos < m_text.size() && m_text[m_pos] == QLatin1Char('"')) {
            const qsizetype close = m_text.indexOf(QLatin1Char('"'), m_pos + 1);
            const qsizetype end = close < 0 ? m_text.size() : close;
            field = m_text.mid(m_pos + 1, end - m_pos - 1);
            m_pos = close < 0 ? m_text.size() : close + 1;
            // Whatever stands between the closing quote and the delimiter is dropped.
            while (m_pos < m_text.size() && !isDelimiter(m_text[m_pos]))
                ++m_pos;
        } else {
            const qsizetype start = m_pos;
            while (m_pos < m_text.size() && !isDelimiter(m_text[m_pos]))
                ++m_pos;
            field = m_text.mid(start, m_pos - start);
        }
        skipDelimiter();
        return field;
    }

private:
    static bool isDelimiter(QChar c)
    {
        return c == QLatin1Char(',') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
    }

    void skipDelimiter()
    {
        if (m_pos >= m_text.size())
            return;
        if (m_text[m_pos] == QLatin1Char(',')) {
            ++m_pos;
            return;
        }
        if (m_text[m_pos] == QLatin1Char('\r'))
            ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == QLatin1Char('\n'))
            ++m_pos;
    }

    QString m_text;
    qsizetype m_pos = 0;
};

QString quoted(const QString &value)
{
    if (value.contains(QLatin1Char(',')) || value.startsWith(QLatin1Char('"')) || value.startsWith(QLatin1Char(' ')))
        return QLatin1Char('"') + QString(value).remove(QLatin1Char('"')) + QLatin1Char('"');
    return value;
}

} // namespace

ScxIniReadResult readScxIniText(const QByteArray &content, int fieldCount)
{
    ScxIniReadResult result;
    FieldReader reader(decode8(content));
    for (int i = 0; i < fieldCount; ++i) {
        if (reader.atEnd()) {
            result.error = QStringLiteral("the file ends after %1 of %2 entries").arg(i).arg(fieldCount);
            break;
        }
        result.fields.append(reader.next());
    }
    return result;
}

ScxIniReadResult readScxIni(const QString &path, int fieldCount)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ScxIniReadResult result;
        result.error = file.exists() ? file.errorString() : QStringLiteral("the file does not exist");
        return result;
    }
    return readScxIniText(file.readAll(), fieldCount);
}

ScxIniReadResult readSpreadsheetSettings(const QString &folder)
{
    constexpr int kSpreadsheetFieldCount = 3;
    return readScxIni(QDir(folder).filePath(str(texts::SettingsFileName)), kSpreadsheetFieldCount);
}

QByteArray formatScxIni(const ScxIniValues &values)
{
    const QString crlf = QStringLiteral("\r\n");
    const QString text = quoted(values.spreadsheetPath) + crlf + quoted(values.port) + crlf + quoted(values.language)
        + crlf + QStringLiteral(" %1 ").arg(values.foreColour) + crlf + QStringLiteral(" %1 ").arg(values.backColour)
        + crlf + crlf + crlf + quoted(values.extendedMode) + crlf + QStringLiteral("Ready") + crlf;
    return encode8(text);
}

QString writeScxIni(const QString &path, const ScxIniValues &values)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray bytes = formatScxIni(values);
    if (file.write(bytes) != bytes.size()) {
        QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

std::optional<int> scxLeadingInt16(const QString &field)
{
    const auto value = roundToInt16(leadingNumber(field));
    if (!value)
        return std::nullopt;
    return *value;
}

std::optional<int> scxNumberInt16(const QString &field)
{
    const QString text = field.trimmed();
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'))
            ++digits;
        else if (text[i] == QLatin1Char('.') && !point)
            point = true;
        else
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    const auto value = roundToInt16(leadingNumber(text));
    if (!value)
        return std::nullopt;
    return *value;
}

std::optional<int> scxWholeInt16(const QString &field)
{
    bool ok = false;
    const int value = field.trimmed().toInt(&ok);
    if (!ok || value < INT16_MIN || value > INT16_MAX || field.contains(QChar(u'\0'))) // toInt stops at a NUL
        return std::nullopt;
    return value;
}

} // namespace zkd
