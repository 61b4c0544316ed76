#include "sim/Models.h"

#include <algorithm>

namespace sim {
namespace {

// The cards travel inside the program, copied from sim/transistors.lib at
// build time, so that no file of the user's can change a model.
constexpr std::string_view kCards =
#include "ModelCards.inc"
    ;

struct Rated {
    std::string_view part;
    core::PartRatings ratings;  // Vceo, Ic, Pd at 25 °C
};

constexpr std::array<Rated, kParts.size()> kRatings = {{
    {"2N3904", {40, 0.2, 0.625}},
    {"2N2222A", {40, 0.8, 0.5}},
    {"BC547B", {45, 0.1, 0.5}},
    {"2N3906", {40, 0.2, 0.625}},
    {"BC557B", {45, 0.1, 0.5}},
}};

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

Polarity PartPolarity(std::string_view part) {
    const std::optional<std::string> card = ModelCard(part);
    if (!card) return Polarity::Npn;
    const CardScan scan = ScanModelCards(*card);
    return scan.cards.size() == 1 && scan.cards[0].Taken() ? scan.cards[0].model.type
                                                           : Polarity::Npn;
}

core::PartRatings PartRatingsOf(std::string_view part) {
    for (const Rated& rated : kRatings) {
        if (rated.part == part) return rated.ratings;
    }
    return {};
}

}  // namespace sim
