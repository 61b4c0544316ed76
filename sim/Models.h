#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/PartRatings.h"
#include "sim/ModelCard.h"

namespace sim {

// The real transistors built into the program, as the window offers them.
// Each has a model card in sim/transistors.lib, named "Q" and the part.
inline constexpr std::array<std::string_view, 5> kParts = {"2N3904", "2N2222A", "BC547B", "2N3906",
                                                           "BC557B"};

bool IsKnownPart(std::string_view part);

// The model name the netlist uses for a part: "Q2N3904" for "2N3904".
std::string ModelName(std::string_view part);

// The part's ".model" line exactly as published; nullopt for an unknown part.
std::optional<std::string> ModelCard(std::string_view part);

// NPN or PNP, as the part's card says; NPN for an unknown part.
Polarity PartPolarity(std::string_view part);

// The part's absolute maximum ratings from its maker's data sheet (none for
// an unknown part).
core::PartRatings PartRatingsOf(std::string_view part);

}  // namespace sim
