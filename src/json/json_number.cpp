// The number rule and float-precision tests. std::from_chars in general notation reads exactly
// the grammar wanted (no "+", no hex, "1." and leading zeros allowed, inf/nan words) and
// reports overflow and underflow to zero as out of range. The plain decimals documents hold
// are converted before it, exactly: what Clinger's fast path cannot take (the 17-digit shortest
// spellings of doubles, mostly) by 128-bit integer arithmetic with a sticky bit, so that one
// hardware conversion rounds correctly; a division by 5^f goes through its reciprocal.
#include "json/json_number.hpp"

#include <array>
#include <bit>
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

namespace detail {

#if defined(__SIZEOF_INT128__)

namespace {

__extension__ using U128 = unsigned __int128;

// 5^0 to 5^27, the powers of five below 2^63.
constexpr std::array<std::uint64_t, 28> kPowersOfFive = [] {
    std::array<std::uint64_t, 28> t{};
    std::uint64_t p = 1;
    for (std::uint64_t& e : t) {
        e = p;
        p *= 5;
    }
    return t;
}();

// A power of five shifted up to bit 63, and its reciprocal for dividing by it with two
// multiplications (Moller and Granlund, "Improved division by invariant integers", 2011).
struct Divisor {
    std::uint64_t normalized;
    std::uint64_t reciprocal;  // floor((2^128 - 1) / normalized) - 2^64
    int shift;
};

constexpr std::array<Divisor, 28> kFifthDivisors = [] {
    std::array<Divisor, 28> t{};
    for (std::size_t f = 0; f < t.size(); ++f) {
        const int shift = std::countl_zero(kPowersOfFive[f]);
        const std::uint64_t normalized = kPowersOfFive[f] << shift;
        t[f] = Divisor{normalized, static_cast<std::uint64_t>(~U128{0} / normalized), shift};
    }
    return t;
}();

// (high * 2^64 + low) / d for high < d.normalized: the quotient, and whether it is inexact.
std::uint64_t divide(std::uint64_t high, std::uint64_t low, const Divisor& d, bool& inexact) {
    const U128 estimate = static_cast<U128>(d.reciprocal) * high + ((static_cast<U128>(high) << 64) | low);
    std::uint64_t quotient = static_cast<std::uint64_t>(estimate >> 64) + 1;
    std::uint64_t remainder = low - quotient * d.normalized;
    // One too high about half the time: corrected without a branch that would be mispredicted.
    const std::uint64_t tooHigh = 0 - static_cast<std::uint64_t>(remainder > static_cast<std::uint64_t>(estimate));
    quotient += tooHigh;
    remainder += tooHigh & d.normalized;
    if (remainder >= d.normalized) {  // rare
        ++quotient;
        remainder -= d.normalized;
    }
    inexact = remainder != 0;
    return quotient;
}

// 2^e as a double, for e in the normal range.
double powerOfTwo(int e) { return std::bit_cast<double>(static_cast<std::uint64_t>(1023 + e) << 52); }

// The magnitude of digits * 10^e for 0 <= e <= 27: digits * 5^e is exact in 128 bits, and its
// top 64 bits with a sticky bit for any ones below (which lies below the rounding position)
// round to the correctly rounded double in one conversion; 2^e then scales exactly.
double scaledUp(std::uint64_t digits, int e) {
    const U128 product = static_cast<U128>(digits) * kPowersOfFive[static_cast<std::size_t>(e)];
    const std::uint64_t high = static_cast<std::uint64_t>(product >> 64);
    const std::uint64_t low = static_cast<std::uint64_t>(product);
    if (high == 0) return static_cast<double>(low) * powerOfTwo(e);
    const int shift = 64 - std::countl_zero(high);  // 1 to 64: the low bits dropped
    const std::uint64_t top = static_cast<std::uint64_t>(product >> shift) | ((low << (64 - shift)) != 0 ? 1 : 0);
    return static_cast<double>(top) * powerOfTwo(e + shift);
}

// The magnitude of digits / 10^f for 1 <= f <= 27: digits * 2^62 over 5^f, both shifted up to
// the divisor's top bit, has its high word below the divisor and a quotient in (2^61, 2^63).
// The quotient with a sticky bit for a remainder rounds as above; 2^-f and the shifts scale.
double scaledDown(std::uint64_t digits, int f) {
    const Divisor& divisor = kFifthDivisors[static_cast<std::size_t>(f)];
    const int leading = std::countl_zero(digits);
    const std::uint64_t normalized = digits << leading;
    bool inexact = false;
    const std::uint64_t quotient = divide(normalized >> 2, normalized << 62, divisor, inexact);
    const auto top = static_cast<std::int64_t>(quotient | (inexact ? 1 : 0));  // below 2^63: a signed conversion
    return static_cast<double>(top) * powerOfTwo(divisor.shift - 62 - leading - f);
}

}  // namespace

bool toDoubleWide(const ShortDecimal& d, double& value) {
    if (d.exponent < -27 || d.exponent > 27) return false;
    const double magnitude = d.digits == 0      ? 0.0
                             : d.exponent >= 0 ? scaledUp(d.digits, d.exponent)
                                               : scaledDown(d.digits, -d.exponent);
    value = d.negative ? -magnitude : magnitude;
    return true;
}

#else

bool toDoubleWide(const ShortDecimal&, double&) { return false; }  // the general reader converts these

#endif

}  // namespace detail

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
