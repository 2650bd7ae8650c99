#pragma once

#include <QStringView>
#include <cstdint>
#include <optional>

namespace zkd {

// The number at the start of a text: leading blanks skipped, then an optional
// sign, digits and at most one decimal point up to the first other character.
// A text without a number gives 0 ("12,5" gives 12, "*Ovl*" gives 0).
double leadingNumber(QStringView text);

// Nearest whole number, halves to the even neighbour (12.5 -> 12, 13.5 -> 14).
// Empty when the result does not fit [min, max] or the value is not finite.
std::optional<std::int64_t> roundHalfEven(double value, std::int64_t min, std::int64_t max);

inline std::optional<std::int16_t> roundToInt16(double value)
{
    const auto r = roundHalfEven(value, INT16_MIN, INT16_MAX);
    if (!r)
        return std::nullopt;
    return static_cast<std::int16_t>(*r);
}

inline std::optional<std::int32_t> roundToInt32(double value)
{
    const auto r = roundHalfEven(value, INT32_MIN, INT32_MAX);
    if (!r)
        return std::nullopt;
    return static_cast<std::int32_t>(*r);
}

} // namespace zkd
