#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Text is held as UTF-8 throughout the program. Every character the program
// produces is ASCII except the plus-minus sign, which takes two bytes, so
// lengths and positions that the user would count go through these helpers.

inline constexpr std::string_view kPlusMinus = "\u00B1";

constexpr bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Number of characters (code points) in the text.
constexpr std::size_t CharCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) {
        if (!IsContinuationByte(c)) ++count;
    }
    return count;
}

// The text cut after `maxChars` characters, with "..." where it was cut, so
// that a message quoting what the user typed stays short.
inline std::string Abbreviate(std::string_view text, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsContinuationByte(text[i])) continue;
        if (chars == maxChars) return std::string(text.substr(0, i)) + "...";
        ++chars;
    }
    return std::string(text);
}

}  // namespace platform
