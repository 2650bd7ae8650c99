#pragma once

#include <QColor>

#include <optional>

class QWidget;

namespace zkd {

class Form1;
class Language;
struct MainControls;

// Builds the controls of the main window under their names and puts them in
// Form1's members: the picture buttons, the activity pictures and the time
// box in a row; the two input panels side by side; the Pri line; the live
// table under its column header; the notes; and the hidden helpers. The
// commands that run the handlers are connected by buildCommands.
void layOutMainWindow(Form1 &form);
// The main window's captions and tooltips in `lang`; an entry without a
// value in that language keeps its text as built.
void setLanguageTexts(MainControls &controls, const Language &lang);
// The status bar under them: port, line settings, run state, figures received.
void addStatusBar(Form1 &form);

// Sets the text and background colours of a text box; an empty one keeps its colour.
void setTextColours(QWidget *widget, std::optional<QColor> text, std::optional<QColor> background);

} // namespace zkd
