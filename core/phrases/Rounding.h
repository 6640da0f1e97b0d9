#pragma once

#include <cmath>

namespace VexilCore {

// Half away from zero. The constant is the largest double below 0.5, so 0.49999999999999994
// itself does not round up while every true half does.
inline double roundHalfAway(double y) {
    return std::trunc(y + std::copysign(0.49999999999999994, y));
}

// Rounding to a step works on x / step and multiplies back. A step that is the reciprocal of a
// whole number (a tenth, a hundredth) is applied through that number instead, because 0.15 / 0.1
// is 1.4999999999999998 and 7 * 0.1 is 0.7000000000000001, while 0.15 * 10 and 7 / 10 are exact.
struct StepScale {
    double step;
    double per = 0; // the whole number of steps in 1, when there is one

    explicit StepScale(double s) : step(s) {
        if (s > 0 && s < 1) {
            const double r = std::round(1 / s);
            if (std::fabs(1 / s - r) <= 1e-9 * r) per = r;
        }
    }
    double steps(double x) const { return per > 0 ? x * per : x / step; }
    double value(double n) const { return per > 0 ? n / per : n * step; }
};

} // namespace VexilCore
