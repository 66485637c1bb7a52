// Rounding a double to the nearest f32, with the overflow cases spelled out instead of left to
// the cast: from halfway between the largest f32 and 2^128 on, IEEE rounding gives an infinity.
#pragma once

#include <cmath>
#include <limits>

namespace orbi::legacy {

inline float nearestFloat(double value) {
    constexpr double kOverflow = 0x1.ffffffp127;
    constexpr float kMax = std::numeric_limits<float>::max();
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
    double magnitude = std::fabs(value);
    if (magnitude >= kOverflow) return value > 0 ? kInfinity : -kInfinity;
    if (magnitude > kMax) return value > 0 ? kMax : -kMax;
    return static_cast<float>(value);
}

}  // namespace orbi::legacy
