#include "core/WindowPlacement.h"

#include <algorithm>
#include <cmath>

namespace core {
namespace {

// Room kept free below the window on a screen too low for it.
constexpr double kBottomRoom = 150;

// Rounded to the nearest whole number, a half to the even neighbour (the
// default rounding mode); not a number or a negative size counts as 0.
std::int64_t Measure(double twips) {
    if (!(twips > 0)) return 0;
    constexpr double kLargest = 1e15;  // far beyond any screen, well inside 64 bits
    return static_cast<std::int64_t>(std::nearbyint(std::min(twips, kLargest)));
}

}  // namespace

WindowPlacement PlaceWindow(double maximizedClientWidth, double maximizedClientHeight) {
    const std::int64_t measuredWidth = Measure(maximizedClientWidth);
    const std::int64_t measuredHeight = Measure(maximizedClientHeight - kBottomRoom);
    WindowPlacement placement;
    placement.width = std::min(kFullWindowWidth, measuredWidth);
    placement.height = std::min(kFullWindowHeight, measuredHeight);
    placement.left = static_cast<double>(measuredWidth - placement.width) / 2;
    placement.top = static_cast<double>(measuredHeight - placement.height) / 2;
    return placement;
}

}  // namespace core
