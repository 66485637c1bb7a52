// The parameter registry: the 384 synthesizer parameters by index and id, their ranges,
// defaults and kinds, and the one rule by which a value is brought into a parameter's range.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "model/param_spec.hpp"

namespace orbi {

inline constexpr std::size_t kParamCount = 384;

// findParam's answer for an id that names no parameter (equal to the count).
inline constexpr std::size_t kUnknownParam = kParamCount;

// The four macro parameters macro1 to macro4, by index, in macro order.
inline constexpr std::array<std::size_t, 4> kMacroSlots = {75, 76, 253, 254};

// All rows in index order; constant data, never changed.
using ParameterRegistry = std::span<const ParamSpec, kParamCount>;

ParameterRegistry parameterRegistry();

std::size_t paramCount();

// The row at index; the caller keeps index below paramCount().
const ParamSpec& paramAt(std::size_t index);

// The index of the row whose id equals id byte for byte, or kUnknownParam.
std::size_t findParam(std::string_view id);

// 1 to 4 when index is the macro parameter of that number, else 0.
int macroNumberOf(std::size_t index);

// Clamps into [min, max] by ordered comparisons (a NaN passes unchanged), then rounds halves
// away from zero for stepped and choice-valued kinds.
float clampParamValue(std::size_t index, float value);

}  // namespace orbi
