#include "core/WindowPlacement.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using core::PlaceWindow;

void ExpectPlacement(double clientWidth, double clientHeight, double left, double top,
                     std::int64_t width, std::int64_t height) {
    const core::WindowPlacement p = PlaceWindow(clientWidth, clientHeight);
    EXPECT_EQ(p.left, left) << clientWidth << " x " << clientHeight;
    EXPECT_EQ(p.top, top) << clientWidth << " x " << clientHeight;
    EXPECT_EQ(p.width, width) << clientWidth << " x " << clientHeight;
    EXPECT_EQ(p.height, height) << clientWidth << " x " << clientHeight;
}

TEST(WindowPlacementTest, CentresAtFullSizeWhereThereIsRoom) {
    ExpectPlacement(28800, 15255, 10282.5, 4132.5, 8235, 6840);
    ExpectPlacement(8235, 6990, 0, 0, 8235, 6840);  // exactly enough room
}

TEST(WindowPlacementTest, ShrinksAgainstTheEdgeWhereRoomIsShort) {
    ExpectPlacement(9600, 6405, 682.5, 0, 8235, 6255);
    ExpectPlacement(6000, 20000, 0, 6505, 6000, 6840);
    ExpectPlacement(6000, 4000, 0, 0, 6000, 3850);
}

TEST(WindowPlacementTest, RoundsMeasuredSizesHalfToEven) {
    ExpectPlacement(9000.5, 7500.5, 382.5, 255, 8235, 6840);   // 9000, 7350
    ExpectPlacement(9001.5, 7501.5, 383.5, 256, 8235, 6840);  // 9002, 7352
}

TEST(WindowPlacementTest, WorksBeyondSixteenBitsAndOnDegenerateScreens) {
    // A 4K screen and larger are wider than 32767 twips.
    ExpectPlacement(57600, 32400 - 600, 24682.5, 12405, 8235, 6840);
    ExpectPlacement(1e9, 1e9, (1e9 - 8235) / 2, (1e9 - 150 - 6840) / 2, 8235, 6840);
    ExpectPlacement(100, 100, 0, 0, 100, 0);
    ExpectPlacement(-5, std::numeric_limits<double>::quiet_NaN(), 0, 0, 0, 0);
    ExpectPlacement(std::numeric_limits<double>::infinity(), 7000, 5e14 - 4117.5, 5, 8235, 6840);
}

}  // namespace
