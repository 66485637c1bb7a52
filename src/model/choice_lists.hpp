// Choice lists: the ordered choice ids of each choice-valued parameter kind, and the two
// mappings between a parameter value (an index into its kind's list) and a choice id.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "model/param_spec.hpp"

namespace orbi {

// The choice ids of one kind in value order (the first entry is value 0); views into constant
// text. Kinds without choices have an empty list.
using ChoiceList = std::span<const std::string_view>;

// The list of a kind; empty for kinds 0 to 3 and for any number outside 4 to 32.
ChoiceList choiceListFor(ParamKind kind);

// True when the parameter's kind has a non-empty list.
bool hasChoices(std::size_t index);

// The choice id of a value: rounded halves away from zero (not clamped) and used as an index;
// nothing when the kind has no list or the rounded value is NaN or outside the list.
std::optional<std::string_view> choiceIdFor(std::size_t index, float value);

// The value of a choice id (exact, case-sensitive match in the parameter's list), or nothing.
std::optional<float> valueForChoiceId(std::size_t index, std::string_view choiceId);

}  // namespace orbi
