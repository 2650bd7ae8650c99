#pragma once

class QString;

namespace zkd {

class BarMeter;
class Language;
class ScaleLabel;

// Lets Qt's accessibility layer describe the program's own widgets: a bar
// meter as a progress bar whose value is its level against its full scale,
// a scale label as static text whose name is the tick texts it shows.
// Installed once; the widgets' constructors call it.
void installAccessibleWidgets();

// The name and description assistive tools give the meter and the scale of
// input 1 or 2, in the language (English when it is none of the three).
void describeInput(BarMeter &bar, ScaleLabel &scale, int input, const Language &language);
void describeScale(ScaleLabel &scale, int input, const Language &language);

} // namespace zkd
