#pragma once

#include "util/Language.h"

#include <QString>

#include <functional>

namespace zkd {

// Hands `argument` to `program` and waits until it has ended, letting window
// events run meanwhile. Where this platform has no such program ("WRITE",
// "Notepad", a spreadsheet path from another machine) the desktop's
// application for the file stands in, and there is nothing to wait for.
// `programEnding` ends the wait early and leaves the program running: the
// user's work in it outlives the recorder. Returns what went wrong, in the
// program's own words; empty when the program ran or the file was handed over.
QString runAndWait(const QString &program, const QString &argument, const Language &language,
                   const std::function<bool()> &programEnding);

} // namespace zkd
