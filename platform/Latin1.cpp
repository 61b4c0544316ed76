#include "platform/Latin1.h"

namespace platform {

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size());
    for (char byte : bytes) AppendLatin1(utf8, byte);
    return utf8;
}

std::string Utf8ToLatin1(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            bytes.push_back(text[i]);
            ++i;
            continue;
        }
        // Length of the sequence that the lead byte announces; 0 for a byte
        // that cannot start one.
        std::size_t length = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
        }
        std::size_t taken = 1;
        while (taken < length && i + taken < text.size() &&
               (static_cast<unsigned char>(text[i + taken]) & 0xC0) == 0x80) {
            ++taken;
        }
        if (length == 2 && taken == 2 && lead <= 0xC3) {
            const auto trail = static_cast<unsigned char>(text[i + 1]);
            bytes.push_back(static_cast<char>(((lead & 0x1F) << 6) | (trail & 0x3F)));
        } else {
            bytes.push_back('?');
        }
        // A complete sequence is one character; a broken one is passed over
        // up to the first byte that does not continue it.
        i += taken;
    }
    return bytes;
}

}  // namespace platform
