// Sensor file: SensorIni::read on any sensor.ini.
//
// Input: byte 0 (bit 0: there is no sensor.ini at all), a 16-bit start value
// of the variable both fields are read through, then the file content, which
// is written into a private temporary program folder for each run.
//
// Properties:
// - each field that is a whole number in the 16-bit range (blanks around it
//   allowed, an optional sign, digits only) sets the variable, any other field
//   leaves it as it was; Inp1Line is the variable's text after field 1,
//   Inp2Line after field 2, and the variable after both is returned;
// - the fields are the first two list fields of the file, as the settings
//   reader gives them; a missing file gives none;
// - both lines are plain decimal texts without blanks that read back as the
//   16-bit value they stand for.

#include "FuzzSupport.h"

#include "sensor/SensorIni.h"
#include "settings/ScxIni.h"
#include "util/Codec8.h"

#include <QFile>
#include <QTemporaryDir>

using namespace zkd;
using zkd::fuzz::show;

namespace {

QTemporaryDir *programFolder()
{
    static QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        std::abort();
    }
    return &dir;
}

// A whole number: blanks around it, an optional sign, ASCII digits, 16 bits.
std::optional<std::int16_t> wholeNumber(const QString &field)
{
    qsizetype begin = 0;
    qsizetype end = field.size();
    while (begin < end && field[begin].isSpace())
        ++begin;
    while (end > begin && field[end - 1].isSpace())
        --end;
    qsizetype i = begin;
    bool negative = false;
    if (i < end && (field[i] == QLatin1Char('+') || field[i] == QLatin1Char('-'))) {
        negative = field[i] == QLatin1Char('-');
        ++i;
    }
    if (i == end)
        return std::nullopt;
    long long value = 0;
    for (; i < end; ++i) {
        if (field[i] < QLatin1Char('0') || field[i] > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + field[i].digitValue();
        if (value > 40000)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < INT16_MIN || value > INT16_MAX)
        return std::nullopt;
    return static_cast<std::int16_t>(value);
}

bool isDecimalText(const QString &text, std::int16_t value)
{
    bool ok = false;
    const int back = text.toInt(&ok);
    if (!ok || back != value || text.isEmpty())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && !(i == 0 && c == QLatin1Char('-')))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input input(data, size);
    const bool missing = input.byte() & 1;
    const std::int16_t start = input.int16();
    const QByteArray content = input.rest();

    const QString folder = programFolder()->path();
    const QString path = SensorIni::filePath(folder);
    QFile::remove(path);
    if (!missing) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::abort();
        }
    }

    const SensorIni::Result got = SensorIni::read(folder, start);

    const QStringList fields = missing ? QStringList() : readScxIniText(content, 2).fields;
    std::int16_t value = start;
    if (!fields.isEmpty())
        value = wholeNumber(fields[0]).value_or(value);
    const QString inp1 = QString::number(value);
    if (fields.size() > 1)
        value = wholeNumber(fields[1]).value_or(value);
    const QString inp2 = QString::number(value);

    const auto context = [&] {
        return QStringLiteral("file %1 (%2), start %3: got %4 / %5 / %6, expected %7 / %8 / %9")
            .arg(missing ? QStringLiteral("missing") : show(content.left(200)), show(fields))
            .arg(start)
            .arg(show(got.inp1Line), show(got.inp2Line))
            .arg(got.value)
            .arg(show(inp1), show(inp2))
            .arg(value);
    };
    ZKD_FUZZ_CHECK(got.inp1Line == inp1 && got.inp2Line == inp2 && got.value == value, context());
    ZKD_FUZZ_CHECK(isDecimalText(got.inp2Line, got.value), context());
    ZKD_FUZZ_CHECK(isDecimalText(got.inp1Line, got.inp1Line.toShort()), context());
    if (missing)
        ZKD_FUZZ_CHECK(got.inp1Line == QString::number(start) && got.inp2Line == got.inp1Line, context());
    return 0;
}
