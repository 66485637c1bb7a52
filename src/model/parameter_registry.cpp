// Lookups over the constant parameter table. findParam is a linear scan: 384 short ids, called
// once per parameter of a preset, and the table order is the only index there is.
#include "model/parameter_registry.hpp"

#include <cmath>

#include "model/parameter_table.hpp"

namespace orbi {

namespace {

constexpr bool rowIs(std::size_t index, std::string_view id) {
    return std::string_view(param_table::kRows[index].id) == id;
}

static_assert(std::size(param_table::kRows) == kParamCount);
static_assert(rowIs(kMacroSlots[0], "macro1") && rowIs(kMacroSlots[1], "macro2") &&
                  rowIs(kMacroSlots[2], "macro3") && rowIs(kMacroSlots[3], "macro4"),
              "the macro slots point at the macro rows");

}  // namespace

ParameterRegistry parameterRegistry() { return ParameterRegistry(param_table::kRows); }

std::size_t paramCount() { return kParamCount; }

const ParamSpec& paramAt(std::size_t index) { return param_table::kRows[index]; }

std::size_t findParam(std::string_view id) {
    for (std::size_t i = 0; i < kParamCount; ++i) {
        if (std::string_view(param_table::kRows[i].id) == id) return i;
    }
    return kUnknownParam;
}

int macroNumberOf(std::size_t index) {
    for (std::size_t k = 0; k < kMacroSlots.size(); ++k) {
        if (kMacroSlots[k] == index) return static_cast<int>(k) + 1;
    }
    return 0;
}

float clampParamValue(std::size_t index, float value) {
    const ParamSpec& row = param_table::kRows[index];
    if (row.min > value) value = row.min;
    if (value > row.max) value = row.max;
    if (row.kind >= kKindStepped) value = std::round(value);
    return value;
}

}  // namespace orbi
