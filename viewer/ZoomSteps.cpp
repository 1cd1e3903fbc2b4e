#include "viewer/ZoomSteps.h"

#include <algorithm>

namespace tarvex {

double stepped(std::span<const double> steps, double from, int by) {
    // A scale within this share of a step is that step.
    constexpr double near = 1e-6;
    for (; by > 0; --by) {
        const auto above = std::find_if(steps.begin(), steps.end(),
                                        [from](double step) { return step > from * (1 + near); });
        if (above == steps.end())
            return from;
        from = *above;
    }
    for (; by < 0; ++by) {
        const auto below = std::find_if(steps.rbegin(), steps.rend(),
                                        [from](double step) { return step < from * (1 - near); });
        if (below == steps.rend())
            return from;
        from = *below;
    }
    return from;
}

int WheelNotches::take(int angle) {
    constexpr int notch = 120;
    rest_ += angle;
    const int notches = rest_ / notch;
    rest_ -= notches * notch;
    return notches;
}

} // namespace tarvex
