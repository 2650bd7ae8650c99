#include "sensor/SensorIni.h"

#include "settings/ScxIni.h"
#include "util/Texts.h"

#include <QDir>

namespace zkd {
namespace {

constexpr int kFieldCount = 2;
constexpr int kInp1Field = 0;
constexpr int kInp2Field = 1;

void readInto(const QStringList &fields, int index, std::int16_t &value)
{
    if (index >= fields.size())
        return;
    if (const auto number = scxWholeInt16(fields.at(index)))
        value = static_cast<std::int16_t>(*number);
}

} // namespace

QString SensorIni::filePath(const QString &programFolder)
{
    return QDir(programFolder).filePath(str(texts::SensorFileName));
}

SensorIni::Result SensorIni::read(const QString &programFolder, std::int16_t value)
{
    // The list-field rules are those of scx.ini; a missing file reads as no fields.
    const QStringList fields = readScxIni(filePath(programFolder), kFieldCount).fields;

    Result result;
    result.value = value;
    readInto(fields, kInp1Field, result.value);
    result.inp1Line = QString::number(result.value);
    readInto(fields, kInp2Field, result.value);
    result.inp2Line = QString::number(result.value);
    return result;
}

} // namespace zkd
