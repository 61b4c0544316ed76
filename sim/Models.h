#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

// The real transistors the stage can be simulated with, as the window offers
// them. Each has a model card in sim/transistors.lib, named "Q" and the part.
inline constexpr std::array<std::string_view, 3> kParts = {"2N3904", "2N2222A", "BC547B"};

bool IsKnownPart(std::string_view part);

// The model name the netlist uses for a part: "Q2N3904" for "2N3904".
std::string ModelName(std::string_view part);

// The part's ".model" line exactly as published; nullopt for an unknown part.
std::optional<std::string> ModelCard(std::string_view part);

}  // namespace sim
