#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/LoadLine.h"
#include "core/PartRatings.h"
#include "core/Spread.h"
#include "sim/Protocol.h"
#include "storage/PartCatalogue.h"

// What the windows say of a real transistor: its name in the simulation's
// sentence and the stage held against its ratings.
namespace ui {

// The part as the simulation's sentence names it: "2N3904", or for a PNP
// part, which runs in the mirror of the stage, "2N3906 (PNP, from −12 V)".
std::string SpicePartLabel(const storage::CatalogueEntry& part, double Vcc);

// The figures of a stage that a part's ratings are held against: its supply,
// the calculated point (when there is a line; in saturation the line's end
// and the strip), the spread's highest Ic and
// Pc (when there is a spread) and SPICE's point (when there is one); all
// magnitudes.
core::RatedFigures StageFigures(double Vcc, const core::LoadLine& line, const core::Spread* spread,
                                const std::optional<sim::Point>& spice);

// "Within the 2N3904's ratings (Vceo 40 V, Ic 200 mA, Pd 625 mW)." or
// "Beyond the 2N3904's ratings: Vcc 48 V above Vceo 40 V (the transistor sees
// it when cut off); Pc 0.71 W (spread's highest) above Pd 0.625 W.", or that
// the part has no ratings to hold the stage against.
std::string RatingsSentence(std::string_view part, const core::PartRatings& ratings,
                            const core::RatingsCheck& check);

}  // namespace ui
