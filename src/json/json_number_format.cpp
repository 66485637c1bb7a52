// Number text for the writer: the read spelling while it still stands for the value, else the
// shortest round-trip digits (std::to_chars, which picks the candidate nearest the exact value)
// set in plain or scientific notation, whichever is shorter, plain on a tie.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

#include "json/json_number.hpp"
#include "json/json_writer.hpp"

namespace orbi {

namespace {

int decimalWidth(int n) {
    int width = 1;
    while (n >= 10) {
        n /= 10;
        ++width;
    }
    return width;
}

}  // namespace

void appendDouble(double v, std::string& out) {
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    if (std::signbit(v)) out += '-';
    const double magnitude = std::fabs(v);
    if (magnitude == 0.0) {
        out += '0';
        return;
    }
    // Shortest digits in the form d[.ddd]e(+|-)XX, which is already the scientific form wanted.
    char sci[40];
    const auto written = std::to_chars(sci, sci + sizeof sci, magnitude, std::chars_format::scientific);
    const std::size_t sciLength = static_cast<std::size_t>(written.ptr - sci);

    char digits[24];
    int count = 0;
    std::size_t i = 0;
    for (; i < sciLength && sci[i] != 'e'; ++i) {
        if (sci[i] != '.') digits[count++] = sci[i];
    }
    int exponent = 0;
    std::from_chars(sci + i + 1 + (sci[i + 1] == '+' ? 1 : 0), sci + sciLength, exponent);

    int plainLength = 0;
    if (exponent >= count - 1) {
        plainLength = exponent + 1;  // digits then zeros
    } else if (exponent >= 0) {
        plainLength = count + 1;  // digits with a point inside
    } else {
        plainLength = count + 1 - exponent;  // "0." then zeros then digits
    }
    const int scientificLength = count + (count > 1 ? 1 : 0) + 2 + std::max(2, decimalWidth(std::abs(exponent)));
    if (plainLength > scientificLength) {
        out.append(sci, sciLength);
        return;
    }
    if (exponent >= count - 1) {
        out.append(digits, static_cast<std::size_t>(count));
        out.append(static_cast<std::size_t>(exponent - (count - 1)), '0');
    } else if (exponent >= 0) {
        out.append(digits, static_cast<std::size_t>(exponent + 1));
        out += '.';
        out.append(digits + exponent + 1, static_cast<std::size_t>(count - exponent - 1));
    } else {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out.append(digits, static_cast<std::size_t>(count));
    }
}

std::string formatDouble(double v) {
    std::string out;
    appendDouble(v, out);
    return out;
}

void appendNumber(const JsonValue& number, std::string& out) {
    double read = 0.0;
    const JsonText& text = number.numberText();
    if (!text.empty() && json_number::readWhole(text, read) && json_number::sameOrSameFloat(number.number(), read)) {
        out += text;
        return;
    }
    appendDouble(number.number(), out);
}

std::string formatNumber(const JsonValue& number) {
    std::string out;
    appendNumber(number, out);
    return out;
}

}  // namespace orbi
