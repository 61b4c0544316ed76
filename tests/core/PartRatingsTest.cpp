#include <gtest/gtest.h>

#include "core/PartRatings.h"

namespace core {
namespace {

const PartRatings k2N3904{40, 0.2, 0.625};

// The worked example: 12 V, 2.853 mA, Pc about 12 mW.
const RatedFigures kWorkedExample{12, 2.853e-3, 12.5e-3, 3.2e-3, 15e-3, 2.85e-3, 12.4e-3};

TEST(PartRatingsTest, AStageWithinEveryRating) {
    EXPECT_TRUE(CheckRatings(k2N3904, kWorkedExample).Within());
    // A figure equal to its rating is still within it.
    const RatedFigures atTheLimits{40, 0.2, 0.625, std::nullopt, std::nullopt, 0.1, 0.1};
    EXPECT_TRUE(CheckRatings(k2N3904, atTheLimits).Within());
}

TEST(PartRatingsTest, EachRatingExceededByItsHighestFigure) {
    RatedFigures supply = kWorkedExample;
    supply.Vcc = 48;
    EXPECT_EQ(CheckRatings(k2N3904, supply).exceeded,
              (std::vector<Exceeded>{{Rating::Vceo, 48, 40, RatingSource::Supply}}));

    RatedFigures spread = kWorkedExample;
    spread.spreadIc = 0.25;
    spread.Ic = 0.21;
    EXPECT_EQ(CheckRatings(k2N3904, spread).exceeded,
              (std::vector<Exceeded>{{Rating::Ic, 0.25, 0.2, RatingSource::Spread}}));

    // SPICE's point alone goes beyond Pd; no spread was run.
    const RatedFigures spice{30, 0.1, 0.6, std::nullopt, std::nullopt, 0.11, 0.71};
    EXPECT_EQ(CheckRatings(k2N3904, spice).exceeded,
              (std::vector<Exceeded>{{Rating::Pd, 0.71, 0.625, RatingSource::Spice}}));

    // Every rating at once, in their order; a part rated for Pd only.
    const RatedFigures all{50, 0.3, 0.9};
    EXPECT_EQ(CheckRatings(k2N3904, all).exceeded.size(), 3u);
    EXPECT_EQ(CheckRatings({std::nullopt, std::nullopt, 0.5}, all).exceeded,
              (std::vector<Exceeded>{{Rating::Pd, 0.9, 0.5, RatingSource::Calculated}}));
}

TEST(PartRatingsTest, APartWithoutRatings) {
    const RatingsCheck check = CheckRatings({}, RatedFigures{1000, 10, 1000});
    EXPECT_TRUE(check.unrated);
    EXPECT_FALSE(check.Within());
    EXPECT_TRUE(check.exceeded.empty());
}

}  // namespace
}  // namespace core
