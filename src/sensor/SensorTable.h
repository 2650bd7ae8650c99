#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

namespace zkd {

// The instrument's sensor codes and the display range each one selects: the
// full scale, eleven tick texts from the top down to zero, and the blank runs
// that place those ticks beside the bar meter (main window) and beside the
// chart axis (graph window). The scale labels are narrow and break lines at
// blanks, so each tick stands on a line of its own and a longer run of blanks
// pushes the next tick further down.
class SensorTable
{
public:
    static constexpr int kTickCount = 11;
    static constexpr int kGapCount = kTickCount - 1;

    enum class Window { Main, Graph };

    // `count` neighbouring gaps of `blanks` blanks each; a row's runs, read in
    // order, cover its ten gaps from the top tick downwards.
    struct Run
    {
        int blanks;
        int count;
    };

    struct Row
    {
        std::vector<int> codes;
        std::array<const char *, kTickCount> ticks;
        std::vector<Run> mainRuns;
        std::vector<Run> graphRuns;
        // The graph window's bottom tick where it differs from the main
        // window's; null when both windows show the same bottom tick.
        const char *graphLastTick;
        // Every scale text ends in one blank except the main-window text of
        // the 400 range, which ends with its bottom tick.
        bool mainEndsWithBlank;
    };

    // All rows in the order the selection tests them. The code groups are
    // disjoint, so at most one row holds a given code.
    static const std::vector<Row> &rows();

    // The row for a code, or null for a code the instrument does not define
    // (15, negative codes, 48 and above).
    static const Row *find(int code);
    static bool hasCode(const Row &row, int code);

    // The top tick's value rounded to a whole number, halves to even
    // ("158.5" gives 158, "217.6" gives 218).
    static std::int16_t fullScale(const Row &row);

    static QStringList ticks(const Row &row, Window window);
    // The ten blank counts between neighbouring ticks, top to bottom.
    static std::vector<int> gaps(const Row &row, Window window);
    // Tick, blanks, tick, ..., bottom tick, and the closing blank where the
    // row has one for that window.
    static QString scaleText(const Row &row, Window window);

    static std::vector<int> expandRuns(const std::vector<Run> &runs);
};

} // namespace zkd
