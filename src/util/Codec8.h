#pragma once

#include <QByteArray>
#include <QString>

namespace zkd {

// 8-bit text as the instrument and the files use it: Windows Latin-1 (code page
// 1252). Every byte maps to exactly one character and back, so bytes survive a
// round trip unchanged; the five positions 1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 control characters of the same value.
QString decode8(const QByteArray &bytes);
QString decode8(const char *data, qsizetype size);
QChar decodeByte(unsigned char byte);

// Characters without a place in the code page become '?'.
QByteArray encode8(QStringView text);
void appendEncoded8(QByteArray &out, QStringView text);

} // namespace zkd
