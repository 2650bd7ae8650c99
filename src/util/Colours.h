#pragma once

#include <optional>

namespace zkd {

struct Rgb
{
    int red = 0;
    int green = 0;
    int blue = 0;
};

// The sixteen fixed colours that scx.ini's colour indexes select.
// An index outside 0..15 selects no colour.
std::optional<Rgb> colourFromIndex(int index);

} // namespace zkd
