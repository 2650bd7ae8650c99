// Settings file: readScxIniText on any content, and formatScxIni read back.
//
// Input: byte 0 mod 13 is the number of fields asked for; then two 16-bit
// colour indexes; the rest is the file content. The same rest, cut at NUL
// bytes, also gives the text values of a settings record (path, port,
// language, extended mode), with line ends taken out, as the dialog's
// one-line fields hold them.
//
// Properties of the reader:
// - it returns at most the fields asked for, and reports an error exactly
//   when it returned fewer;
// - asking for fewer fields gives a prefix of what asking for more gives;
// - its fields equal those of a reference reader written as a state machine
//   over the documented rules (blanks in front skipped, a field ends at a
//   comma or a line end, a quoted field runs to the next quote).
// Properties of the writer, read back with nine (start-up) and eleven
// (settings dialog) fields:
// - every value stays in its own line: exactly nine fields, the colours and
//   "Ready" where they belong, the two empty lines empty;
// - a value comes back unchanged, blanks in front included, except that a
//   value that had to be quoted (it held a comma, or began with a quote or a
//   blank) loses the double quotes it held;
// - both colour conversions read the colour index back.

#include "FuzzSupport.h"

#include "settings/ScxIni.h"
#include "util/Codec8.h"

using namespace zkd;
using zkd::fuzz::show;

namespace {

QStringList referenceFields(const QString &text, int count)
{
    enum class State { Front, Plain, Quoted, AfterQuote };
    QStringList fields;
    qsizetype i = 0;
    while (fields.size() < count && i < text.size()) {
        State state = State::Front;
        QString field;
        bool done = false;
        while (!done) {
            const QChar c = i < text.size() ? text[i] : QChar();
            const bool end = i >= text.size();
            switch (state) {
            case State::Front:
                if (!end && c == QLatin1Char(' ')) {
                    ++i;
                } else if (!end && c == QLatin1Char('"')) {
                    state = State::Quoted;
                    ++i;
                } else {
                    state = State::Plain;
                }
                break;
            case State::Plain:
                if (end || c == QLatin1Char(',') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                    done = true;
                else {
                    field += c;
                    ++i;
                }
                break;
            case State::Quoted:
                if (end) {
                    done = true;
                } else if (c == QLatin1Char('"')) {
                    state = State::AfterQuote;
                    ++i;
                } else {
                    field += c;
                    ++i;
                }
                break;
            case State::AfterQuote:
                if (end || c == QLatin1Char(',') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                    done = true;
                else
                    ++i;
                break;
            }
        }
        // The delimiter: a comma, or a line end of CR, LF or CR LF.
        if (i < text.size() && text[i] == QLatin1Char(',')) {
            ++i;
        } else {
            if (i < text.size() && text[i] == QLatin1Char('\r'))
                ++i;
            if (i < text.size() && text[i] == QLatin1Char('\n'))
                ++i;
        }
        fields.append(field);
    }
    return fields;
}

// What the reader gives back for a value the writer wrote: the value itself,
// without the double quotes of a value that had to be quoted.
QString readBack(const QString &value)
{
    if (value.contains(QLatin1Char(',')) || value.startsWith(QLatin1Char('"')) || value.startsWith(QLatin1Char(' ')))
        return QString(value).remove(QLatin1Char('"'));
    return value;
}

QString oneLine(const QByteArray &bytes)
{
    QString text = decode8(bytes);
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input input(data, size);
    const int count = input.byte() % 13;
    const int fore = input.int16();
    const int back = input.int16();
    const QByteArray content = input.rest();

    // The reader on the raw content.
    const ScxIniReadResult got = readScxIniText(content, count);
    const auto context = [&] {
        return QStringLiteral("%1 fields asked of %2; got %3, error %4")
            .arg(count)
            .arg(show(content.left(300)), show(got.fields), show(got.error));
    };
    ZKD_FUZZ_CHECK(got.fields.size() <= count, context());
    ZKD_FUZZ_CHECK(got.error.isEmpty() == (got.fields.size() == count), context());
    const QStringList expected = referenceFields(decode8(content), count);
    ZKD_FUZZ_CHECK(got.fields == expected, QStringLiteral("expected %1; %2").arg(show(expected), context()));
    const ScxIniReadResult more = readScxIniText(content, count + 3);
    ZKD_FUZZ_CHECK(more.fields.mid(0, got.fields.size()) == got.fields
                       && (got.fields.size() == count || more.fields.size() == got.fields.size()),
                   QStringLiteral("with three more fields: %1; %2").arg(show(more.fields), context()));

    // The writer, read back.
    fuzz::Input values(reinterpret_cast<const std::uint8_t *>(content.constData()),
                       static_cast<std::size_t>(content.size()));
    ScxIniValues record;
    record.spreadsheetPath = oneLine(values.field());
    record.port = oneLine(values.field());
    record.language = oneLine(values.field());
    record.extendedMode = oneLine(values.rest());
    record.foreColour = fore;
    record.backColour = back;
    const QByteArray written = formatScxIni(record);
    const auto recordContext = [&] {
        return QStringLiteral("path %1, port %2, language %3, extended %4, colours %5/%6 written as %7")
            .arg(show(record.spreadsheetPath), show(record.port), show(record.language), show(record.extendedMode))
            .arg(fore)
            .arg(back)
            .arg(show(written));
    };
    const ScxIniReadResult startUp = readScxIniText(written, 9);
    const QStringList expectedLines{readBack(record.spreadsheetPath),
                                    readBack(record.port),
                                    readBack(record.language),
                                    QString::number(fore) + QLatin1Char(' '),
                                    QString::number(back) + QLatin1Char(' '),
                                    QString(),
                                    QString(),
                                    readBack(record.extendedMode),
                                    QStringLiteral("Ready")};
    ZKD_FUZZ_CHECK(startUp.error.isEmpty() && startUp.fields == expectedLines,
                   QStringLiteral("read back %1, expected %2; %3")
                       .arg(show(startUp.fields), show(expectedLines), recordContext()));
    const ScxIniReadResult dialog = readScxIniText(written, 11);
    ZKD_FUZZ_CHECK(dialog.fields == expectedLines && !dialog.error.isEmpty(),
                   QStringLiteral("dialog read %1; %2").arg(show(dialog.fields), recordContext()));
    ZKD_FUZZ_CHECK(scxNumberInt16(startUp.fields[3]) == fore && scxLeadingInt16(startUp.fields[3]) == fore
                       && scxNumberInt16(startUp.fields[4]) == back && scxLeadingInt16(startUp.fields[4]) == back,
                   recordContext());
    return 0;
}
