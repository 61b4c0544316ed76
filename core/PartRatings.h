#pragma once

#include <optional>
#include <vector>

namespace core {

// A transistor's absolute maximum ratings at 25 °C, as its data sheet gives
// them (magnitudes for a PNP part): the collector-emitter voltage with the
// base open, the collector current and the total dissipation. Each may be
// unknown.
struct PartRatings {
    std::optional<double> Vceo = std::nullopt;  // V
    std::optional<double> Ic = std::nullopt;    // A
    std::optional<double> Pd = std::nullopt;    // W

    bool Any() const { return Vceo || Ic || Pd; }
    bool operator==(const PartRatings&) const = default;
};

// Where the figure that a rating is held against comes from.
enum class RatingSource {
    Supply,      // Vcc, which the transistor sees from collector to emitter when cut off
    Calculated,  // the calculated operating point
    Spread,      // the spread's highest corner
    Spice,       // SPICE's operating point
};

enum class Rating { Vceo, Ic, Pd };

// A rating exceeded: the highest figure held against it and where it comes from.
struct Exceeded {
    Rating rating = Rating::Vceo;
    double value = 0;  // V, A or W
    double limit = 0;
    RatingSource source = RatingSource::Supply;

    bool operator==(const Exceeded&) const = default;
};

// The stage's figures a part's ratings are checked against; each point may
// be missing (no spread, no simulation). Magnitudes, in V, A and W.
struct RatedFigures {
    double Vcc = 0;
    std::optional<double> Ic = std::nullopt;  // calculated
    std::optional<double> Pc = std::nullopt;
    std::optional<double> spreadIc = std::nullopt;  // the spread's highest
    std::optional<double> spreadPc = std::nullopt;
    std::optional<double> spiceIc = std::nullopt;  // SPICE's
    std::optional<double> spicePc = std::nullopt;
};

struct RatingsCheck {
    bool unrated = false;            // the part has no ratings at all
    std::vector<Exceeded> exceeded;  // in the order Vceo, Ic, Pd

    bool Within() const { return !unrated && exceeded.empty(); }
};

// Holds each known rating against the highest of its figures; a rating is
// exceeded when that figure is above it (equal is within).
RatingsCheck CheckRatings(const PartRatings& ratings, const RatedFigures& figures);

}  // namespace core
