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

// Opens the manual in `folder` (beside a portable copy, the documentation
// folder of an installed one) with the desktop's viewer, shown without taking
// the focus. Returns what went wrong, in the program's own words; empty when
// it opened.
QString openManual(const QString &folder, const Language &language);

} // namespace zkd
