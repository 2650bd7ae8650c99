#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace zkd {

// The lines of scx.ini, counted from 1 as the file describes them.
namespace scxField {
inline constexpr int Path = 1;
inline constexpr int Port = 2;
inline constexpr int Language = 3;
inline constexpr int ForeColour = 4;
inline constexpr int BackColour = 5;
inline constexpr int SerialSettings = 6;
inline constexpr int ExtendedMode = 8;
inline constexpr int Count = 9;
} // namespace scxField

struct ScxIniReadResult
{
    QStringList fields; // the fields read, in order; fewer than asked when the file ends early
    QString error;      // empty when every asked field was read
};

// Reads `fieldCount` list fields: a field ends at a comma or a line end,
// blanks in front of it are skipped, a field that begins with a double quote
// runs to the next double quote. Fields the file does not hold are missing
// from the result and reported in `error`.
ScxIniReadResult readScxIniText(const QByteArray &content, int fieldCount);
ScxIniReadResult readScxIni(const QString &path, int fieldCount);
// What Open and the spreadsheet export read of the scx.ini in `folder`: its
// first three fields, the first naming the spreadsheet program.
ScxIniReadResult readSpreadsheetSettings(const QString &folder);

// The nine lines of scx.ini, as the settings dialog writes them.
struct ScxIniValues
{
    QString spreadsheetPath;
    QString port;
    QString language;
    int foreColour = 11;
    int backColour = 1;
    QString extendedMode = QStringLiteral("0");
};

// A value with a comma, or one that begins with a double quote or a blank, is
// written in quotes so that it reads back as one field, blanks included.
QByteArray formatScxIni(const ScxIniValues &values);
// Writes atomically: a failure leaves the previous file as it was. Returns an
// error text, empty on success.
QString writeScxIni(const QString &path, const ScxIniValues &values);

// Conversions the readers apply to a field.
// Start-up: the leading number (0 when none); empty when it does not fit 16 bits.
std::optional<int> scxLeadingInt16(const QString &field);
// sensor.ini: the whole field as a whole number, blanks around it allowed.
std::optional<int> scxWholeInt16(const QString &field);
// Dialog: the whole field as a decimal number (blanks around it allowed),
// rounded to a whole number with halves to even ("2.5" gives 2); empty when
// the field is no number or the result does not fit 16 bits.
std::optional<int> scxNumberInt16(const QString &field);

} // namespace zkd
