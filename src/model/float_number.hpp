// JSON numbers made from 32-bit floats: the double value plus the float's own shortest
// round-trip spelling, so that 0.3f is written "0.3" rather than its 17-digit double expansion.
#pragma once

#include <span>

#include "json/json_value.hpp"

namespace orbi {

// A number holding the float's value as a double and, for a finite float, its shortest
// round-trip text; NaN and the infinities keep no text.
JsonValue jsonNumberFromFloat(float value);

// An array of such numbers, one per float.
JsonValue jsonArrayFromFloats(std::span<const float> values);

}  // namespace orbi
