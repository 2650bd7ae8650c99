#include "sensor/SensorSelection.h"

#include "sensor/SensorTable.h"
#include "util/Numbers.h"

namespace zkd {
namespace {

constexpr qsizetype kCodeLength = 2;

void applyRow(const SensorTable::Row &row, SensorSelection::Input &input)
{
    input.graphCaption = SensorTable::scaleText(row, SensorTable::Window::Graph);
    input.mainCaption = SensorTable::scaleText(row, SensorTable::Window::Main);
    input.scaleMax = SensorTable::fullScale(row);
    input.scaleMin = 0;
}

} // namespace

int SensorSelection::sensorCode(const QString &fieldText)
{
    // Two characters give at most two digits, so the rounding always fits.
    return roundToInt16(leadingNumber(QStringView(fieldText).right(kCodeLength))).value_or(0);
}

void SensorSelection::selectInput(const QString &fieldText, Input &input)
{
    const int code = sensorCode(fieldText);
    const auto &rows = SensorTable::rows();
    const SensorTable::Row &firstRow = rows.front();

    if (SensorTable::hasCode(firstRow, code))
        applyRow(firstRow, input);

    // An empty field reads as code 0, which the first row has just applied:
    // the main window shows no scale then, while the graph window and the
    // full scale keep the 100 range.
    if (fieldText.isEmpty())
        input.mainCaption.clear();

    for (auto row = rows.begin() + 1; row != rows.end(); ++row) {
        if (SensorTable::hasCode(*row, code))
            applyRow(*row, input);
    }
}

SensorSelection::Result SensorSelection::select(const QString &field1, const QString &field2, const State &state)
{
    Result result;
    result.state = state;
    selectInput(field1, result.state.input1);
    selectInput(field2, result.state.input2);
    result.bar1FullScale = result.state.input1.scaleMax;
    result.bar2FullScale = result.state.input2.scaleMax;
    return result;
}

} // namespace zkd
