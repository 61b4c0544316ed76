// Feeds arbitrary bytes to the last-run reader and checks what must hold for
// every file: bounded boxes of well-formed text, the same result however the
// bytes arrive, and that saving what was read reads back as each box's field.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/EngineeringFormat.h"
#include "platform/TextNumber.h"
#include "storage/LastRunFile.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// Text as the reader may hand it to a box: UTF-8 of Latin-1 characters, no
// line end or comma, no blank at either end.
void CheckBox(const std::string& box) {
    Check(box.size() <= 2 * storage::kMaxFieldBytes);
    for (std::size_t i = 0; i < box.size(); ++i) {
        const auto b = static_cast<unsigned char>(box[i]);
        Check(b != '\r' && b != '\n' && b != ',');
        if (b >= 0x80) {
            Check((b == 0xC2 || b == 0xC3) && i + 1 < box.size() &&
                  (static_cast<unsigned char>(box[i + 1]) & 0xC0) == 0x80);
            ++i;
        }
    }
    if (!box.empty()) {
        for (char end : {box.front(), box.back()}) Check(end != ' ' && end != '\t');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const storage::Loaded loaded = storage::DecodeLastRun(bytes);
    for (const std::string& box : loaded.boxes) CheckBox(box);

    // The same bytes in pieces of a size taken from the input itself.
    const std::size_t piece = size == 0 ? 1 : 1 + data[0] % 13;
    storage::LastRunDecoder decoder;
    for (std::size_t at = 0; at < size; at += piece) decoder.Feed(bytes.substr(at, piece));
    Check(decoder.Finish() == loaded);

    // Saving what was read, then reading that: each box comes back as the
    // trimmed field of its value, and the options as they were.
    storage::Inputs inputs;
    inputs.boxes = loaded.boxes;
    inputs.si = loaded.selectSi;
    inputs.ge = loaded.selectGe;
    std::string saved;
    try {
        saved = storage::EncodeLastRun(inputs);
    } catch (const storage::SaveError& error) {
        Check(error.box().has_value() &&
              platform::ParseLenient(loaded.boxes[*error.box()]).overflow);
        return 0;
    }
    const storage::Loaded again = storage::DecodeLastRun(saved);
    for (std::size_t box = 0; box < storage::kBoxCount; ++box) {
        std::string field = core::EngField(platform::ParseLenient(loaded.boxes[box]).value);
        Check(again.boxes[box] == core::TrimSpaces(field));
    }
    Check(again.selectSi == inputs.si && again.selectGe == inputs.ge);
    return 0;
}
