#include "sim/Models.h"

#include <algorithm>

namespace sim {
namespace {

// The cards travel inside the program, copied from sim/transistors.lib at
// build time, so that no file of the user's can change a model.
constexpr std::string_view kCards =
#include "ModelCards.inc"
    ;

}  // namespace

bool IsKnownPart(std::string_view part) {
    return std::find(kParts.begin(), kParts.end(), part) != kParts.end();
}

std::string ModelName(std::string_view part) { return "Q" + std::string(part); }

std::optional<std::string> ModelCard(std::string_view part) {
    if (!IsKnownPart(part)) return std::nullopt;
    const std::string opening = ".model " + ModelName(part) + " ";
    for (std::size_t at = 0; at < kCards.size();) {
        std::size_t end = kCards.find('\n', at);
        if (end == std::string_view::npos) end = kCards.size();
        const std::string_view line = kCards.substr(at, end - at);
        if (line.starts_with(opening)) return std::string(line);
        at = end + 1;
    }
    return std::nullopt;
}

}  // namespace sim
