#pragma once

#include "app/CachedWidgets.h"

#include <QColor>
#include <QString>

#include <cstdint>

class QLabel;
class QLineEdit;

namespace zkd {

class BarMeter;
class Language;
class ScaleLabel;
struct RecordDisplay;

// A read-only value box of the main window: right-aligned numbers in the
// fixed font, on the colours given.
QLineEdit *valueBox(QWidget *parent, const char *name, const QColor &text, const QColor &background, int pointSize);
// The caption of a value box, which a screen reader reads out with the box.
QLabel *captionLabel(const QString &text, QWidget *parent, QWidget *box);

// One input of the instrument (INP 1 or INP 2): the meter with its scale
// text and overflow mark, the header's unit line, and the actual value large
// with maximum and minimum below it. The controls keep the window's names:
// input 1 holds Bar1, Label9 (scale), Label7 (overflow mark), Label5 (unit
// line) and Text8, Text9, Text10; input 2 Bar2, Label10, Label8, Label6 and
// Text11, Text12, Text13.
class InputPanel : public CachedGroupBox
{
    Q_OBJECT
public:
    // `input` is 1 or 2; `colour` is the input's colour of text and bar.
    InputPanel(int input, const QColor &colour, QWidget *parent);

    // This input's values of the last record, its meter level and overflow mark.
    void showRecord(const RecordDisplay &display);
    // What the meter and the scale tell a screen reader.
    void describe(const Language &language);

    ScaleLabel *scale = nullptr;
    BarMeter *bar = nullptr;
    QLabel *overflow = nullptr;
    QLabel *header = nullptr;
    QLineEdit *act = nullptr;
    QLineEdit *max = nullptr;
    QLineEdit *min = nullptr;

private:
    int m_input;
};

} // namespace zkd
