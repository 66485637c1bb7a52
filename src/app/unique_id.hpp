// Preset ids unique within their bank: base, then base-2, base-3, ...
#pragma once

#include <set>
#include <string>
#include <utility>

namespace orbi {

using TakenIds = std::set<std::pair<std::string, std::string>>;  // (bank, preset id), byte-wise

std::string uniquePresetId(const std::string& bank, const std::string& base, const TakenIds& taken);

}  // namespace orbi
