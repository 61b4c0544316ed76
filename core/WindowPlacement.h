#pragma once

#include <cstdint>

namespace core {

// The window's place and size on the screen, in twips: its outer frame's
// top-left corner counted from the screen's, and its outer size.
struct WindowPlacement {
    double left = 0;
    double top = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// The full outer size of the window: a client area of 8115 x 6435 twips in a
// frame of 60 twips left, right and bottom and 345 on top (title bar).
inline constexpr std::int64_t kFullWindowWidth = 8235;
inline constexpr std::int64_t kFullWindowHeight = 6840;

// Where the window goes, given the client area of a maximized window in
// twips: centred at full size where there is room; otherwise as large as the
// room allows (the height 150 twips short of it) and against the left or top
// edge. Measured sizes are rounded half to even. The arithmetic is 64-bit, so
// screens of any size work; sizes never go below zero.
WindowPlacement PlaceWindow(double maximizedClientWidth, double maximizedClientHeight);

}  // namespace core
