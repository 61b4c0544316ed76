#pragma once

#include <string>
#include <string_view>

namespace platform {

// Files hold one byte per character in Latin-1 (the plus-minus sign is byte
// 177); the program holds text as UTF-8. These convert between the two.

// Appends the character of one Latin-1 byte to UTF-8 text.
inline void AppendLatin1(std::string& utf8, char byte) {
    const auto b = static_cast<unsigned char>(byte);
    if (b < 0x80) {
        utf8.push_back(byte);
    } else {
        utf8.push_back(static_cast<char>(0xC0 | (b >> 6)));
        utf8.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
}

// Every byte becomes the character of the same number (byte 177 -> "±").
std::string Latin1ToUtf8(std::string_view bytes);

// Characters up to U+00FF become their byte; any other character, and every
// byte of malformed UTF-8, becomes "?".
std::string Utf8ToLatin1(std::string_view text);

}  // namespace platform
