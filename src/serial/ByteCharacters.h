#pragma once

#include "util/Codec8.h"

#include <array>

namespace zkd {

// The characters of the 8-bit code page by byte value, looked up by the byte
// paths that take one received byte at a time (the record pipeline, the
// window's live table) instead of calling decodeByte for each.
inline const std::array<char16_t, 256> &byteCharacters()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (std::size_t b = 0; b < t.size(); ++b)
            t[b] = decodeByte(static_cast<unsigned char>(b)).unicode();
        return t;
    }();
    return table;
}

} // namespace zkd
