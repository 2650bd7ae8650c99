#include "util/Colours.h"

#include <array>

namespace zkd {

std::optional<Rgb> colourFromIndex(int index)
{
    static constexpr std::array<Rgb, 16> kTable = {{
        {0, 0, 0},
        {0, 0, 128},
        {0, 128, 0},
        {0, 128, 128},
        {128, 0, 0},
        {128, 0, 128},
        {128, 128, 0},
        {192, 192, 192},
        {128, 128, 128},
        {0, 0, 255},
        {0, 255, 0},
        {0, 255, 255},
        {255, 0, 0},
        {255, 0, 255},
        {255, 255, 0},
        {255, 255, 255},
    }};
    if (index < 0 || index >= static_cast<int>(kTable.size()))
        return std::nullopt;
    return kTable[static_cast<std::size_t>(index)];
}

} // namespace zkd
