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

// Plain decimals of at most 19 digits with a short exponent, the numbers documents hold, are read
// here and converted exactly: by one correctly rounded operation (Clinger's fast path) when the
// digits fit a double and the power of ten is exact, else by exact integer arithmetic. Anything
// else is left to the general reader. Inline, as every number a document holds passes here.
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

inline bool isDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

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
    while (p < last && isDigit(*p)) {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
        ++p;
    }
    return static_cast<std::size_t>(p - start);
}

// A plain decimal as read: the value is (negative ? -1 : 1) * digits * 10^exponent.
struct ShortDecimal {
    std::uint64_t digits = 0;
    int exponent = 0;
    bool negative = false;
};

// Reads -?D+(.D+)?([eE][+-]?D{1,4})? with at most 19 digits before the exponent. 0 for
// anything else, which the general reader then decides on ("1.", "-.5", "1e", long spellings).
inline std::size_t readShortDecimal(const char* first, const char* last, ShortDecimal& out) {
    const char* p = first;
    out.negative = *p == '-';
    if (out.negative) ++p;
    std::uint64_t digits = 0;
    const char* wholeStart = p;
    while (p < last && isDigit(*p)) digits = digits * 10 + static_cast<std::uint64_t>(*p++ - '0');  // mostly 1 to 3 digits
    const auto whole = static_cast<std::size_t>(p - wholeStart);
    if (whole == 0) return 0;
    std::size_t fraction = 0;
    if (p < last && *p == '.') {
        ++p;
        fraction = readDigits(p, last, digits);
        if (fraction == 0) return 0;
    }
    if (whole + fraction > 19) return 0;
    int exponent = 0;
    if (p < last && (*p == 'e' || *p == 'E')) {
        ++p;
        const bool minus = p < last && *p == '-';
        if (p < last && (*p == '-' || *p == '+')) ++p;
        const char* start = p;
        while (p < last && isDigit(*p) && p - start < 5) exponent = exponent * 10 + (*p++ - '0');
        if (p == start || p - start > 4) return 0;
        if (minus) exponent = -exponent;
    }
    out.digits = digits;
    out.exponent = exponent - static_cast<int>(fraction);
    return static_cast<std::size_t>(p - first);
}

// The exact conversion beyond Clinger's fast path (digits above 2^53, or powers of ten up to
// 10^27 either way); false when it does not apply.
bool toDoubleWide(const ShortDecimal& d, double& value);

inline bool toDouble(const ShortDecimal& d, double& value) {
    if (d.digits <= (std::uint64_t{1} << 53) && d.exponent >= -22 && d.exponent <= 22) {
        const double digits = static_cast<double>(d.digits);
        const double magnitude = d.exponent < 0 ? digits / kPowersOfTen[-d.exponent] : digits * kPowersOfTen[d.exponent];
        value = d.negative ? -magnitude : magnitude;
        return true;
    }
    return toDoubleWide(d, value);
}

}  // namespace detail

// Reads the longest prefix of `text` that is a number: a leading "-" or digit, then decimal
// general notation (or inf, infinity, nan(...) after the "-"), rounded to nearest.
// Returns the number of bytes read, or 0 when there is no such prefix or it is out of range.
inline std::size_t readPrefix(std::string_view text, double& value) {
    if (text.empty()) return 0;
    const char c = text.front();
    if (c != '-' && !detail::isDigit(c)) return 0;
    detail::ShortDecimal decimal;
    if (const std::size_t n = detail::readShortDecimal(text.data(), text.data() + text.size(), decimal)) {
        if (detail::toDouble(decimal, value)) return n;
    }
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
