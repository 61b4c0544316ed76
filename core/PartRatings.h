#pragma once

#include <optional>

namespace core {

// A transistor's absolute maximum ratings at 25 °C, as its data sheet gives
// them (magnitudes for a PNP part): the collector-emitter voltage with the
// base open, the collector current and the total dissipation. Each may be
// unknown.
struct PartRatings {
    std::optional<double> Vceo;  // V
    std::optional<double> Ic;    // A
    std::optional<double> Pd;    // W

    bool Any() const { return Vceo || Ic || Pd; }
    bool operator==(const PartRatings&) const = default;
};

}  // namespace core
