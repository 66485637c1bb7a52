// Lookups over the constant parameter table. findParam runs once per parameter of every preset
// read, so it searches an index of the ids sorted at compile time rather than the table itself.
#include "model/parameter_registry.hpp"

#include <algorithm>
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

namespace {

struct IdEntry {
    std::string_view id;
    std::size_t index;
};

constexpr std::array<IdEntry, kParamCount> sortedIds() {
    std::array<IdEntry, kParamCount> entries{};
    for (std::size_t i = 0; i < kParamCount; ++i) entries[i] = {param_table::kRows[i].id, i};
    std::sort(entries.begin(), entries.end(), [](const IdEntry& a, const IdEntry& b) { return a.id < b.id; });
    return entries;
}

constexpr std::array<IdEntry, kParamCount> kSortedIds = sortedIds();

constexpr bool idsAreUnique() {
    for (std::size_t i = 1; i < kParamCount; ++i) {
        if (kSortedIds[i - 1].id == kSortedIds[i].id) return false;
    }
    return true;
}
static_assert(idsAreUnique(), "parameter ids are unique, so the sorted index finds the one row");

}  // namespace

std::size_t findParam(std::string_view id) {
    auto it = std::lower_bound(kSortedIds.begin(), kSortedIds.end(), id,
                               [](const IdEntry& entry, std::string_view key) { return entry.id < key; });
    return it != kSortedIds.end() && it->id == id ? it->index : kUnknownParam;
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
