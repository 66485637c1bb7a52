// The number rule and float-precision tests. std::from_chars in general notation reads exactly
// the grammar wanted (no "+", no hex, "1." and leading zeros allowed, inf/nan words) and
// reports overflow and underflow to zero as out of range.
#include "json/json_number.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace orbi::json_number {

std::size_t readGeneral(std::string_view text, double& value) {
    const char* first = text.data();
    const auto result = std::from_chars(first, first + text.size(), value, std::chars_format::general);
    if (result.ec != std::errc()) return 0;
    return static_cast<std::size_t>(result.ptr - first);
}

bool readWhole(std::string_view text, double& value) {
    return !text.empty() && readPrefix(text, value) == text.size();
}

bool isExactFloat(double v) {
    if (std::isnan(v)) return false;
    if (std::isinf(v)) return true;
    if (std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max())) return false;
    return static_cast<double>(static_cast<float>(v)) == v;
}

float roundToFloat(double v) {
    constexpr double kFloatMax = static_cast<double>(std::numeric_limits<float>::max());
    // Halfway between the largest float and 2^128: from here on rounding gives infinity
    // (the tie goes to the even neighbour, which is 2^128).
    constexpr double kOverflow = kFloatMax + 0x1p103;
    if (std::isnan(v)) return std::numeric_limits<float>::quiet_NaN();
    const double m = std::fabs(v);
    if (m >= kOverflow) {
        constexpr float kInf = std::numeric_limits<float>::infinity();
        return v < 0 ? -kInf : kInf;
    }
    if (m > kFloatMax) {
        constexpr float kMax = std::numeric_limits<float>::max();
        return v < 0 ? -kMax : kMax;
    }
    return static_cast<float>(v);
}

}  // namespace orbi::json_number
