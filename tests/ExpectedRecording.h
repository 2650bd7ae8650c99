#pragma once

#include <QByteArray>

namespace zkd::test {

// What the working file holds after its notes header for the bytes the
// instrument sent, written out independently of the program: line feeds and
// backspaces dropped, CR as CR LF, tabs as ";", and with a decimal comma
// (German, French) every "." as ",".
inline QByteArray expectedRecording(const QByteArray &sent, bool decimalComma)
{
    QByteArray out;
    out.reserve(sent.size() + sent.size() / 16);
    for (const char c : sent) {
        if (c == '\n' || c == '\b')
            continue;
        if (c == '\r')
            out += "\r\n";
        else if (c == '\t')
            out += ';';
        else if (c == '.' && decimalComma)
            out += ',';
        else
            out += c;
    }
    return out;
}

} // namespace zkd::test
