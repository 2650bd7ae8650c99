// Save-name rules: normaliseSaveName on any name the save dialog can return.
//
// Input: byte 0 (bit 0: the folder separator is "\", else "/"), then the name
// as UTF-8 (file names are Unicode; the 8-bit code page plays no part here).
//
// Properties:
// - the result ends in ".csv";
// - the folder part (up to and including the last separator) is kept as it is;
// - the file-name part before ".csv" holds no "." and no separator;
// - it is the chosen file-name part without its dots, less a final "CSV" or
//   "csv" (exactly these spellings);
// - applying the rules again changes nothing.

#include "FuzzSupport.h"

#include "files/SaveName.h"

using namespace zkd;
using zkd::fuzz::show;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input input(data, size);
    const QChar separator = (input.byte() & 1) ? QLatin1Char('\\') : QLatin1Char('/');
    const QString chosen = QString::fromUtf8(input.rest());

    const QString saved = normaliseSaveName(chosen, separator);
    const auto context = [&] {
        return QStringLiteral("%1 (separator %2) gives %3").arg(show(chosen), QString(separator), show(saved));
    };

    const qsizetype folderEnd = chosen.lastIndexOf(separator) + 1;
    const QString folder = chosen.left(folderEnd);
    ZKD_FUZZ_CHECK(saved.endsWith(QLatin1String(".csv")), context());
    ZKD_FUZZ_CHECK(saved.startsWith(folder), context());
    const QString stem = saved.mid(folder.size(), saved.size() - folder.size() - 4);
    ZKD_FUZZ_CHECK(saved.size() >= folder.size() + 4, context());
    ZKD_FUZZ_CHECK(!stem.contains(QLatin1Char('.')) && !stem.contains(separator), context());

    QString expectedStem = chosen.mid(folderEnd);
    expectedStem.remove(QLatin1Char('.'));
    if (expectedStem.endsWith(QLatin1String("CSV")) || expectedStem.endsWith(QLatin1String("csv")))
        expectedStem.chop(3);
    ZKD_FUZZ_CHECK(stem == expectedStem,
                   QStringLiteral("name part %1, expected %2; %3").arg(show(stem), show(expectedStem), context()));

    ZKD_FUZZ_CHECK(normaliseSaveName(saved, separator) == saved,
                   QStringLiteral("again: %1; %2").arg(show(normaliseSaveName(saved, separator)), context()));
    return 0;
}
