// formatDouble against the listed examples and against an independent oracle: printf's
// correctly rounded digits at each precision, with strtod deciding which read back exactly.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <utility>

#include "json/json_parser.hpp"
#include "json/json_writer.hpp"
#include "support/host.hpp"

namespace orbi {
namespace {

TEST(JsonNumberFormat, ListedExamplesAndTiesBetweenTheTwoForms) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, const char*> cases[] = {
        {1e21, "1e+21"},       {0.0001, "1e-04"},   {1000000, "1e+06"},   {123456789, "123456789"},
        {100, "100"},          {0.5, "0.5"},        {1.5e300, "1.5e+300"}, {0.0, "0"},
        {-0.0, "-0"},          {-inf, "null"},      {std::nan(""), "null"},
        {std::ldexp(1.0, 60), "1152921504606847000"},  // shortest digits, then zeros
        {0.001, "0.001"},      {0.00012, "0.00012"}, {1.5e6, "1500000"},  // ties go to plain notation
        {100000, "1e+05"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(formatDouble(value), text) << text;
}

// The decimal d.ddd x 10^exponent as digits (no trailing zeros) and exponent.
struct Decimal {
    std::string digits;
    int exponent = 0;
};

Decimal fromScientific(const char* text) {
    Decimal d;
    const char* p = text;
    for (; *p != 'e'; ++p) {
        if (*p != '.') d.digits += *p;
    }
    d.exponent = std::atoi(p + 1);
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

std::string toScientific(const Decimal& d) {
    std::string s = d.digits.substr(0, 1);
    if (d.digits.size() > 1) s += "." + d.digits.substr(1);
    char e[16];
    std::snprintf(e, sizeof e, "e%+03d", d.exponent);
    return s + e;
}

bool readsBackAs(const std::string& text, double v) {
    return std::bit_cast<std::uint64_t>(std::strtod(text.c_str(), nullptr)) == std::bit_cast<std::uint64_t>(v);
}

// The p-digit decimal one unit in the last place away from d, on the side given.
Decimal step(Decimal d, std::size_t p, int direction) {
    d.digits.resize(p, '0');
    std::uint64_t m = std::stoull(d.digits);
    m = direction > 0 ? m + 1 : m - 1;
    std::string digits = std::to_string(m);
    if (digits.size() > p) {  // 99..9 + 1
        ++d.exponent;
        digits.resize(p);
    } else if (digits.size() < p || digits == "0") {  // 10..0 - 1
        --d.exponent;
        digits += '9';
    }
    d.digits = digits;
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

// The shortest decimal that reads back as v, the nearest one when two of that length do.
Decimal shortestOracle(double v) {
    for (int p = 1; p <= 17; ++p) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*e", p - 1, v);
        const Decimal nearest = fromScientific(buf);
        if (readsBackAs(toScientific(nearest), v)) return nearest;
        const double nearestValue = std::strtod(buf, nullptr);
        const Decimal other = step(fromScientific(buf), static_cast<std::size_t>(p), nearestValue > v ? -1 : 1);
        if (readsBackAs(toScientific(other), v)) return other;
    }
    ADD_FAILURE() << "no decimal of 17 digits reads back";
    return {};
}

std::string toPlain(const Decimal& d) {
    const int n = static_cast<int>(d.digits.size());
    const int point = d.exponent + 1;  // digits before the decimal point
    if (point >= n) return d.digits + std::string(static_cast<std::size_t>(point - n), '0');
    if (point > 0) return d.digits.substr(0, static_cast<std::size_t>(point)) + "." + d.digits.substr(static_cast<std::size_t>(point));
    return "0." + std::string(static_cast<std::size_t>(-point), '0') + d.digits;
}

std::string expectedText(double v) {
    const Decimal d = shortestOracle(std::fabs(v));
    const std::string plain = toPlain(d);
    const std::string scientific = toScientific(d);
    return (std::signbit(v) ? "-" : "") + (plain.size() <= scientific.size() ? plain : scientific);
}

void checkAgainstOracle(double v) {
    if (!std::isfinite(v) || v == 0.0) return;
    const std::string text = formatDouble(v);
    ASSERT_EQ(text, expectedText(v)) << std::hexfloat << v;
    ASSERT_TRUE(readsBackAs(text, v)) << text;
    // The writer's text is also valid input for the parser and reads back the same.
    JsonValue back;
    std::string reason;
    ASSERT_TRUE(parseJson(text, back, reason)) << text;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(back.number), std::bit_cast<std::uint64_t>(v));
}

TEST(JsonNumberFormat, MatchesTheOracle) {
    ORBI_SKIP_ON_WINDOWS("the oracle reads decimals back with strtod, and the MinGW-w64 C runtime's strtod misrounds some "
                         "near powers of two (5.005207737957752e-147 reads as 0x1p-486)");
    std::mt19937_64 rng(0x5eed);
    for (int i = 0; i < 40000; ++i) checkAgainstOracle(std::bit_cast<double>(rng()));  // random bit patterns
    for (int i = 0; i < 20000; ++i) {
        // Few significant digits at any scale: the plain/scientific choice matters here.
        const std::uint64_t mantissa = rng() % 100000;
        const int exponent = static_cast<int>(rng() % 60) - 30;
        checkAgainstOracle(std::strtod((std::to_string(mantissa) + "e" + std::to_string(exponent)).c_str(), nullptr));
    }
    for (int shift = 0; shift < 1024; ++shift) {
        checkAgainstOracle(std::ldexp(1.0, shift));   // powers of two: uneven round-trip intervals
        checkAgainstOracle(std::ldexp(1.0, -shift));
        checkAgainstOracle(-std::ldexp(3.0, shift - 512));
    }
    for (std::uint64_t k = (1ULL << 53) - 50; k < (1ULL << 53) + 50; ++k) checkAgainstOracle(static_cast<double>(k));
    for (int i = 0; i < 2000; ++i) checkAgainstOracle(static_cast<double>(rng()));  // large whole numbers
    using limits = std::numeric_limits<double>;  // subnormals and the extremes
    for (double v : {limits::denorm_min(), limits::min(), limits::max(), -limits::max()}) checkAgainstOracle(v);
    for (int i = 0; i < 2000; ++i) checkAgainstOracle(std::bit_cast<double>(rng() >> 12));
    for (int i = 0; i < 2000; ++i) checkAgainstOracle(static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(rng()))));
}

}  // namespace
}  // namespace orbi
