// The number rule and float-precision tests. std::from_chars in general notation reads exactly
// the grammar wanted (no "+", no hex, "1." and leading zeros allowed, inf/nan words) and
// reports overflow and underflow to zero as out of range. Short plain decimals take a fast
// path first: at most 19 digits forming an integer up to 2^53 are converted exactly by one
// correctly rounded division by a power of ten (Clinger's fast path).
#include "json/json_number.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace orbi::json_number {

namespace {

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Reads a run of digits into mantissa (wrapping silently past 19 digits; callers check the
// count) and returns the count.
inline std::size_t readDigits(const char*& p, const char* last, std::uint64_t& mantissa) {
    const char* start = p;
    while (p < last && static_cast<unsigned char>(*p - '0') < 10) {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
        ++p;
    }
    return static_cast<std::size_t>(p - start);
}

// The fast path: 0 when the text is not a short plain decimal, else the length read.
inline std::size_t readShortDecimal(const char* first, const char* last, double& value) {
    const char* p = first;
    const bool negative = *p == '-';
    if (negative) ++p;
    std::uint64_t mantissa = 0;
    const std::size_t digits = readDigits(p, last, mantissa);
    if (digits == 0) return 0;
    std::size_t fraction = 0;
    if (p < last && *p == '.') {
        ++p;
        fraction = readDigits(p, last, mantissa);
    }
    if (digits + fraction > 19 || (p < last && (*p == 'e' || *p == 'E'))) return 0;
    if (mantissa > (std::uint64_t{1} << 53) || fraction > 22) return 0;
    const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[fraction];
    value = negative ? -magnitude : magnitude;
    return static_cast<std::size_t>(p - first);
}

}  // namespace

std::size_t readPrefix(std::string_view text, double& value) {
    if (text.empty()) return 0;
    const char c = text.front();
    if (c != '-' && (c < '0' || c > '9')) return 0;
    const char* first = text.data();
    if (const std::size_t length = readShortDecimal(first, first + text.size(), value)) return length;
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
