#pragma once

#include <optional>
#include <string>

#include "storage/PartCatalogue.h"

namespace app {

// The parts tindrel calc simulates with: the built-in ones, the user's own,
// and the cards of --model-file for this run. What the parts file loses and
// what the model file refuses is told on the standard error; nullopt, after
// telling why, when the model file cannot be read at all.
struct Parts {
    storage::PartCatalogue catalogue;
    sim::CardScan modelFile;  // its cards, refused ones included
};
std::optional<Parts> LoadCalcParts(const std::optional<std::string>& modelFile);

// tindrel calc --parts: one line a part, e.g.
// "2N3906    PNP  built in   Vceo 40 V, Ic 0.2 A, Pd 0.625 W".
std::string PartsList(const storage::PartCatalogue& catalogue,
                      const std::optional<std::string>& modelFile);

// The part --spice names; nullopt after telling why it cannot be used: not
// found, or refused in the model file (with the reason).
std::optional<storage::CatalogueEntry> ChosenPart(const Parts& parts, const std::string& name,
                                                  const std::optional<std::string>& modelFile);

}  // namespace app
