#pragma once

#include <QString>

#include <cstdint>

namespace zkd {

// sensor.ini in the program folder: two 16-bit whole numbers, read as list
// fields (one per line, or separated by a comma; blanks in front skipped),
// that give the start-up values of Inp1Line and Inp2Line.
class SensorIni
{
public:
    struct Result
    {
        QString inp1Line;
        QString inp2Line;
        // The 16-bit variable both fields were read through.
        std::int16_t value = 0;
    };

    static QString filePath(const QString &programFolder);

    // Both fields are read through one 16-bit variable that starts at `value`
    // (0 at program start). A field that is missing, or that is not a whole
    // number in the 16-bit range, leaves the variable as it was, and the line
    // still gets the variable's decimal text: a missing file gives "0" twice,
    // a file with the single number 4 gives "4" twice.
    static Result read(const QString &programFolder, std::int16_t value = 0);
};

} // namespace zkd
