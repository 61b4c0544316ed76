// Feeds arbitrary lines to the helper protocol's parsers, both directions:
// the requests the helper reads and the answers the program reads. A line
// that is taken must be written back as a line that parses to the same
// thing, within the protocol's limits.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "sim/AmpProtocol.h"
#include "sim/Protocol.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void CheckRequest(std::string_view line) {
    const std::optional<sim::Request> request = sim::ParseRequest(line);
    if (!request) return;
    Check(std::isfinite(request->Vcc) && std::isfinite(request->R1) && std::isfinite(request->R2) &&
          std::isfinite(request->Rc) && std::isfinite(request->Re));
    const std::string written = sim::FormatRequest(*request);
    Check(written.size() < sim::kMaxLine);
    const std::optional<sim::Request> again = sim::ParseRequest(written);
    Check(again && *again == *request);
}

void CheckAnswer(std::string_view line) {
    const std::optional<sim::Answer> answer = sim::ParseAnswer(line);
    if (!answer) return;
    if (answer->point) {
        const sim::Point& p = *answer->point;
        Check(std::isfinite(p.Ic) && std::isfinite(p.Ib) && std::isfinite(p.Vce) &&
              std::isfinite(p.Vbe));
    }
    const std::string written = sim::FormatAnswer(*answer);
    const std::optional<sim::Answer> again = sim::ParseAnswer(written);
    Check(again && sim::FormatAnswer(*again) == written);
}

void CheckAmpRequest(std::string_view line) {
    const std::optional<sim::AmpRequest> request = sim::ParseAmpRequest(line);
    if (!request) return;
    const std::string written = sim::FormatAmpRequest(*request);
    Check(written.size() < sim::kMaxLine);
    const std::optional<sim::AmpRequest> again = sim::ParseAmpRequest(written);
    Check(again && *again == *request);
}

void CheckAmpAnswer(std::string_view line) {
    const std::optional<sim::AmpAnswer> answer = sim::ParseAmpAnswer(line);
    if (!answer) return;
    const std::string written = sim::FormatAmpAnswer(*answer);
    Check(written.size() < sim::kMaxAnswerLine);
    const std::optional<sim::AmpAnswer> again = sim::ParseAmpAnswer(written);
    Check(again && again->index() == answer->index() && sim::FormatAmpAnswer(*again) == written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    CheckRequest(line);
    CheckAnswer(line);
    CheckAmpRequest(line);
    CheckAmpAnswer(line);
    return 0;
}
