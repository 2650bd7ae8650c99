#pragma once

#include <QString>

namespace zkd {

// Files of this many bytes or more are too big for the small editor.
inline constexpr qint64 kLargeTextFileBytes = 60000;

// The text editor the editor export starts for the file: "Notepad" below
// kLargeTextFileBytes, also when the length cannot be taken, and "Write"
// from there on.
QString editorForFile(const QString &path);

} // namespace zkd
