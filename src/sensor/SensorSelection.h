#pragma once

#include <QString>

#include <cstdint>

namespace zkd {

// The sensor selection: turns the sensor codes at the end of the two
// sensor-range fields into full scales and scale texts. Pure: the caller
// passes the current values and applies the result to the globals, the
// labels of both windows and the bar meters.
class SensorSelection
{
public:
    // What the selection may change for one input. Only a recognised code
    // changes anything; otherwise the values stay as passed in.
    struct Input
    {
        std::int16_t scaleMax = 0; // ScaleMax1 / ScaleMax2
        std::int16_t scaleMin = 0; // ScaleMin1 / ScaleMin2
        QString mainCaption;       // main window Label9 / Label10
        QString graphCaption;      // graph window Label1 / Label2
    };

    struct State
    {
        Input input1;
        Input input2;
    };

    struct Result
    {
        State state;
        // Full scales for Bar1 and Bar2, applied whatever the codes were, so
        // an unrecognised code re-applies the unchanged full scale.
        std::int16_t bar1FullScale = 0;
        std::int16_t bar2FullScale = 0;
    };

    // The code at the end of a sensor-range field: the last two characters
    // read as a leading number and rounded halves to even (" 5" gives 5,
    // "47" gives 47, "" and "xy" give 0).
    static int sensorCode(const QString &fieldText);

    // field1 is Text1(0), field2 is Text1(1).
    static Result select(const QString &field1, const QString &field2, const State &state);

private:
    static void selectInput(const QString &fieldText, Input &input);
};

} // namespace zkd
