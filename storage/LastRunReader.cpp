#include <algorithm>

#include "platform/Files.h"
#include "platform/Latin1.h"
#include "storage/LastRunFile.h"

namespace storage {
namespace {

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool EndsField(char c) { return c == ',' || c == '\r' || c == '\n'; }

}  // namespace

void LastRunDecoder::EndField() {
    while (!field_.empty() && IsBlank(field_.back())) field_.pop_back();
    fields_.push_back(std::move(field_));
    field_.clear();
    fieldBytes_ = 0;
    state_ = State::kBetweenFields;
}

// One byte at a time, except for the rest of an over-long field. The state
// survives between calls, so a CR LF or a field may straddle two pieces.
void LastRunDecoder::Feed(std::string_view bytes) {
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n && !Complete()) {
        const char c = bytes[i];
        if (swallowLf_) {
            swallowLf_ = false;
            if (c == '\n') {
                ++i;
                continue;
            }
        }
        if (state_ == State::kBetweenFields) state_ = State::kLeading;
        if (state_ == State::kLeading) {
            if (IsBlank(c)) {
                ++i;
                continue;
            }
            state_ = State::kBody;
        }
        if (EndsField(c)) {
            swallowLf_ = c == '\r';
            ++i;
            EndField();
            continue;
        }
        if (fieldBytes_ < kMaxFieldBytes) {
            platform::AppendLatin1(field_, c);
            ++fieldBytes_;
            ++i;
        } else {
            // Too long to keep: pass over the rest of the field in one sweep.
            while (i < n && !EndsField(bytes[i])) ++i;
        }
    }
}

Loaded LastRunDecoder::Finish() {
    if (state_ != State::kBetweenFields && !Complete()) EndField();

    // One buffer receives every read; a read with no field left fails and
    // leaves it as it was, and every box and option gets the buffer as it
    // stands after its own read.
    Loaded loaded;
    std::string buffer;
    std::size_t next = 0;
    const auto read = [&] {
        if (next < fields_.size()) buffer = fields_[next];
        ++next;
    };
    read();  // the first line carries nothing
    for (std::string& box : loaded.boxes) {
        read();
        box = buffer;
    }
    read();
    loaded.selectSi = buffer == "True";
    read();
    loaded.selectGe = buffer == "True";
    return loaded;
}

Loaded DecodeLastRun(std::string_view bytes) {
    LastRunDecoder decoder;
    decoder.Feed(bytes);
    return decoder.Finish();
}

Loaded LoadLastRunFile(const std::string& path) noexcept {
    try {
        LastRunDecoder decoder;
        platform::FileReader file(path);
        std::uint64_t scanned = 0;
        // A read error counts as the end of the file: the reads after it fail.
        while (!decoder.Complete() && scanned < kMaxScannedBytes) {
            std::string_view chunk = file.Next();
            if (chunk.empty()) break;
            chunk = chunk.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(
                                        chunk.size(), kMaxScannedBytes - scanned)));
            decoder.Feed(chunk);
            scanned += chunk.size();
        }
        return decoder.Finish();
    } catch (...) {
        // Out of memory is the only way here; like every other failure of
        // reading, it leaves the boxes as if there were no file.
        return Loaded{};
    }
}

}  // namespace storage
