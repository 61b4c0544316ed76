#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// Text is held as UTF-8 throughout the program. Every character the program
// produces is ASCII except the plus-minus sign, which takes two bytes, so
// lengths and positions that the user would count go through these helpers.

inline constexpr std::string_view kPlusMinus = "\u00B1";

constexpr bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Number of characters (code points) in the text.
constexpr std::size_t CharCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) {
        if (!IsContinuationByte(c)) ++count;
    }
    return count;
}

}  // namespace platform
