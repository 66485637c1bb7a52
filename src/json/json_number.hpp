// Internal: the one number rule shared by the parser, formatNumber and adoptReadNumbers, and
// the 32-bit float tests that decide whether a changed value still matches its read spelling.
#pragma once

#include <cstddef>
#include <string_view>

namespace orbi::json_number {

// Reads the longest prefix of `text` that is a number: a leading "-" or digit, then decimal
// general notation (or inf, infinity, nan(...) after the "-"), rounded to nearest.
// Returns the number of bytes read, or 0 when there is no such prefix or it is out of range.
std::size_t readPrefix(std::string_view text, double& value);

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
