// Feeds arbitrary bytes to the CSV reader and to a batch run over them, and
// checks what must hold for every input: records that keep to their limits
// whatever size the chunks arrive in, and a batch that writes one row per
// record and ends with status 0 or 1.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/BatchCalc.h"
#include "core/Csv.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// The bytes handed out `chunk` at a time, as a pipe may hand them.
core::CsvReader::Source Chunks(std::string_view bytes, std::size_t chunk) {
    return [bytes, chunk, at = std::size_t{0}](char* buffer, std::size_t size) mutable {
        const std::size_t n = std::min({size, chunk, bytes.size() - at});
        std::memcpy(buffer, bytes.data() + at, n);
        at += n;
        return n;
    };
}

// Every record, fields joined by a byte that a field may not hold unquoted.
std::string Records(std::string_view bytes, std::size_t chunk) {
    core::CsvReader reader(Chunks(bytes, chunk));
    core::CsvRecord record;
    std::string all;
    std::size_t line = 0;
    while (reader.Next(record)) {
        Check(record.count >= 1 && record.count <= core::CsvReader::kMaxFields);
        Check(record.count <= record.fields.size());
        Check(record.line > line);
        line = record.line;
        std::size_t bytesHeld = 0;
        for (std::size_t i = 0; i < record.count; ++i) bytesHeld += record[i].size();
        Check(bytesHeld <= core::CsvReader::kMaxRecordBytes);
        for (std::size_t i = 0; i < record.count; ++i) {
            all += record[i];
            all += '\x1f';
        }
        all += record.unclosedQuote ? "U" : "";
        all += record.tooLong ? "L" : "";
        all += '\x1e';
    }
    return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte chooses the chunk size and the batch's options.
    const std::uint8_t choice = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t chunk = 1 + (choice & 0x0f);
    Check(Records(bytes, chunk) == Records(bytes, bytes.size() + 1));

    core::BatchOptions options;
    options.shown = (choice & 0x10) != 0;
    options.strict = (choice & 0x20) != 0;
    options.ac = (choice & 0x40) != 0;
    std::string out;
    std::size_t messages = 0;
    const int status = core::RunBatch(
        Chunks(bytes, chunk),
        [&out](std::string_view piece) {
            out += piece;
            return true;
        },
        [&messages](std::string_view message) {
            Check(!message.empty());
            ++messages;
        },
        options);
    Check(status == 0 || status == 1);
    return 0;
}
