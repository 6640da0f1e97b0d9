#pragma once

#include <cmath>

namespace VexilCore {

// Half away from zero. The constant is the largest double below 0.5, so 0.49999999999999994
// itself does not round up while every true half does.
inline double roundHalfAway(double y) {
    return std::trunc(y + std::copysign(0.49999999999999994, y));
}

} // namespace VexilCore
