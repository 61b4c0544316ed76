#include <gtest/gtest.h>

#include <string>

#include "core/LoadLine.h"

namespace {

TEST(LoadLineTest, AxesTickAtRoundValuesInTheirPrefix) {
    const struct {
        double end;
        const char* unit;
        int most;
        std::string expected;  // the unit, then each label
    } cases[] = {
        {12, "V", 7, "V 0 2 4 6 8 10 12"},        // the range ends at 13.8 V
        {4.486e-3, "A", 6, "mA 0 1 2 3 4 5"},     // 5.159 mA
        {0.87, "V", 6, "V 0 0.2 0.4 0.6 0.8 1"},  // 1.0005 V keeps the tick at 1
        {2e-7, "A", 12, "nA 0 20 40 60 80 100 120 140 160 180 200 220"},
        {1e5, "V", 2, "kV 0 100"},
        {0, "V", 5, "V"},
    };
    for (const auto& c : cases) {
        const core::Axis axis = core::MakeAxis(c.end, c.unit, c.most);
        std::string text = axis.unit;
        double last = -1;
        for (const core::AxisTick& tick : axis.ticks) {
            text += " " + tick.label;
            EXPECT_GT(tick.fraction, last);
            EXPECT_LE(tick.fraction, 1);
            last = tick.fraction;
        }
        EXPECT_EQ(text, c.expected);
    }
}

}  // namespace
