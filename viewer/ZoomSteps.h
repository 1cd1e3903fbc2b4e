#pragma once

#include <array>
#include <span>

namespace tarvex {

// The scales of a picture that Zoom in and Zoom out step through.
inline constexpr std::array<double, 10> pictureScales{0.1, 0.25, 0.5, 2.0 / 3.0, 1.0,
                                                      1.5, 2.0,  3.0, 4.0,       8.0};
// The sides of the grid's tiles in pixels, the largest that of a thumbnail.
inline constexpr std::array<double, 6> tileSides{96, 128, 160, 192, 224, 256};

// The step of `steps` (rising from the smallest) that lies `by` steps above `from` (below it for
// a negative `by`), where `from` need not be a step; it stops at the last step on the way, or at
// `from` itself when there is none beyond it on that side.
double stepped(std::span<const double> steps, double from, int by);

// Whole notches of a wheel, 120 eighths of a degree each, with what a fine wheel or a touchpad
// turns short of a notch kept for its next turn.
class WheelNotches {
public:
    int take(int angle);

private:
    int rest_ = 0;
};

} // namespace tarvex
