// Shortest float spelling through std::to_chars, which picks the fewest digits that read back
// to the same float (plain or scientific notation, whichever is shorter).
#include "model/float_number.hpp"

#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

namespace orbi {

JsonValue jsonNumberFromFloat(float value) {
    if (!std::isfinite(value)) return JsonValue::makeNumber(static_cast<double>(value));
    char text[32];  // the longest float spelling ("-1.17549435e-38") is 15 characters
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
    return JsonValue::makeNumber(static_cast<double>(value),
                                 std::string_view(text, static_cast<std::size_t>(written.ptr - text)));
}

JsonValue jsonArrayFromFloats(std::span<const float> values) {
    std::vector<JsonValue> items;
    items.reserve(values.size());
    for (const float value : values) items.push_back(jsonNumberFromFloat(value));
    return JsonValue::makeArray(std::move(items));
}

}  // namespace orbi
