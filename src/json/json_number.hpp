// Internal: the one number rule shared by the parser, formatNumber and adoptReadNumbers, and
// the 32-bit float tests that decide whether a changed value still matches its read spelling.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>
#include <cstdint>
#include <string_view>

namespace orbi::json_number {

// The general reader behind readPrefix, for text starting with "-" or a digit.
std::size_t readGeneral(std::string_view text, double& value);

// Short plain decimals (at most 19 digits forming an integer up to 2^53, no exponent) are
// converted exactly by one correctly rounded division by a power of ten (Clinger's fast
// path); inline, as every number a document holds passes here.
namespace detail {

inline constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// True when all eight bytes of w are ASCII digits.
inline bool eightDigits(std::uint64_t w) {
    return ((w & 0xF0F0F0F0F0F0F0F0ULL) | (((w + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) >> 4)) ==
           0x3333333333333333ULL;
}

// The value of eight digits loaded little-endian (first digit in the lowest byte): pairs, then
// quads, then the whole, each step one multiply.
inline std::uint64_t eightDigitValue(std::uint64_t w) {
    constexpr std::uint64_t kMask = 0x000000FF000000FFULL;
    constexpr std::uint64_t kHundredsAndMillions = 100 + (1000000ULL << 32);
    constexpr std::uint64_t kOnesAndTenThousands = 1 + (10000ULL << 32);
    w -= 0x3030303030303030ULL;
    w = (w * 10) + (w >> 8);
    return (((w & kMask) * kHundredsAndMillions) + (((w >> 16) & kMask) * kOnesAndTenThousands)) >> 32;
}

// Reads a run of digits into mantissa (wrapping silently past 19 digits; callers check the
// count) and returns the count. Long runs (the fraction of a double's shortest spelling is
// often 16 or 17 digits) go eight digits at a time.
inline std::size_t readDigits(const char*& p, const char* last, std::uint64_t& mantissa) {
    const char* start = p;
    if constexpr (std::endian::native == std::endian::little) {
        while (last - p >= 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            if (!eightDigits(w)) break;
            mantissa = mantissa * 100000000 + eightDigitValue(w);
            p += 8;
        }
    }
    while (p < last && static_cast<unsigned char>(*p - '0') < 10) {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
        ++p;
    }
    return static_cast<std::size_t>(p - start);
}

// 0 when the text is not a short plain decimal, else the length read.
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

}  // namespace detail

// Reads the longest prefix of `text` that is a number: a leading "-" or digit, then decimal
// general notation (or inf, infinity, nan(...) after the "-"), rounded to nearest.
// Returns the number of bytes read, or 0 when there is no such prefix or it is out of range.
inline std::size_t readPrefix(std::string_view text, double& value) {
    if (text.empty()) return 0;
    const char c = text.front();
    if (c != '-' && (c < '0' || c > '9')) return 0;
    if (const std::size_t n = detail::readShortDecimal(text.data(), text.data() + text.size(), value)) return n;
    return readGeneral(text, value);
}

// True when `text` as a whole reads as a number by the rule above.
bool readWhole(std::string_view text, double& value);

// True when v is a float value exactly (no NaN; infinities count).
bool isExactFloat(double v);

// v rounded to the nearest 32-bit float, as IEEE conversion does (overflowing to infinity),
// without the undefined behaviour of casting an out-of-range double.
float roundToFloat(double v);

// The rule shared by formatNumber and adoptReadNumbers: `current` still stands for `read`.
inline bool sameOrSameFloat(double current, double read) {
    if (current == read) return true;
    return isExactFloat(current) && roundToFloat(read) == static_cast<float>(current);
}

}  // namespace orbi::json_number
