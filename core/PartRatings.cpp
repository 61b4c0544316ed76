#include "core/PartRatings.h"

#include <utility>

namespace core {
namespace {

// The highest of the figures that are there, with its source; the first
// named wins a tie.
std::optional<std::pair<double, RatingSource>> Highest(
    std::initializer_list<std::pair<std::optional<double>, RatingSource>> figures) {
    std::optional<std::pair<double, RatingSource>> highest;
    for (const auto& [value, source] : figures) {
        if (value && (!highest || *value > highest->first)) highest = {{*value, source}};
    }
    return highest;
}

void Hold(std::vector<Exceeded>& exceeded, Rating rating, const std::optional<double>& limit,
          const std::optional<std::pair<double, RatingSource>>& highest) {
    if (limit && highest && highest->first > *limit) {
        exceeded.push_back({rating, highest->first, *limit, highest->second});
    }
}

}  // namespace

RatingsCheck CheckRatings(const PartRatings& ratings, const RatedFigures& figures) {
    RatingsCheck check;
    check.unrated = !ratings.Any();
    Hold(check.exceeded, Rating::Vceo, ratings.Vceo,
         std::make_optional(std::pair{figures.Vcc, RatingSource::Supply}));
    Hold(check.exceeded, Rating::Ic, ratings.Ic,
         Highest({{figures.Ic, RatingSource::Calculated},
                  {figures.spreadIc, RatingSource::Spread},
                  {figures.spiceIc, RatingSource::Spice}}));
    Hold(check.exceeded, Rating::Pd, ratings.Pd,
         Highest({{figures.Pc, RatingSource::Calculated},
                  {figures.spreadPc, RatingSource::Spread},
                  {figures.spicePc, RatingSource::Spice}}));
    return check;
}

}  // namespace core
