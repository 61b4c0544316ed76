#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/Design.h"

namespace {

using core::Material;
using core::Series;

TEST(ESeriesTest, TablesFollowTheStandard) {
    for (Series series : {Series::E48, Series::E96}) {
        SCOPED_TRACE(core::SeriesName(series));
        const auto mantissas = core::SeriesMantissas(series);
        const int n = static_cast<int>(mantissas.size());
        ASSERT_EQ(n, series == Series::E48 ? 48 : 96);
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(mantissas[static_cast<std::size_t>(i)],
                      std::lround(100 * std::pow(10.0, static_cast<double>(i) / n)))
                << i;
        }
    }
    ASSERT_EQ(core::SeriesMantissas(Series::E24).size(), 24u);

    // Seven decades from 1 ohm, and 10 Mohms itself; each value the double
    // nearest its decimal, where 11 x 0.1 would not be.
    const std::vector<double>& e24 = core::StandardValues(Series::E24);
    ASSERT_EQ(e24.size(), 24u * 7 + 1);
    EXPECT_EQ(e24.front(), 1);
    EXPECT_EQ(e24[1], 1.1);
    EXPECT_EQ(e24[24 * 3 + 18], 5.6e3);
    EXPECT_EQ(e24.back(), 1e7);
    EXPECT_EQ(core::StandardValues(Series::E96).size(), 96u * 7 + 1);

    EXPECT_EQ(core::Candidates(594.1, Series::E24), (std::vector<double>{560, 620}));
    EXPECT_EQ(core::Candidates(1e7, Series::E6), (std::vector<double>{1e7}));
    EXPECT_TRUE(core::Candidates(0.99, Series::E6).empty());
}

}  // namespace

// A current typed in milliamperes is held in amperes and shown again with the
// digits typed, where a product and a quotient by 1000 may add some.
TEST(DesignTest, MilliamperesComeBackAsTyped) {
    for (double typed : {2.0, 2.3, 0.1 + 0.2, 1e-5, 999.1, 4.35, 1e300}) {
        SCOPED_TRACE(typed);
        const double amperes = core::AmperesFromMilliamperes(typed);
        EXPECT_EQ(core::MilliamperesFromAmperes(amperes), typed);
    }
    EXPECT_EQ(core::AmperesFromMilliamperes(2.3), 0.0023);
    EXPECT_EQ(core::AmperesFromMilliamperes(0), 0);
    EXPECT_EQ(core::MilliamperesFromAmperes(1e307), HUGE_VAL);
    EXPECT_EQ(core::AmperesFromMilliamperes(-1e-321), 0);
}
