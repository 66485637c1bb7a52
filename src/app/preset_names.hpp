// The words a saved preset is known by: its bank from the category, its id from the name, made
// unique within the bank with -2, -3, ...; names are compared lowered.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace orbi {

// One byte per byte: space and " * / : < > ? \ | become '-', ASCII upper case is lowered.
std::string presetSlug(std::string_view text);
// "uncategorized" for an empty category, else its slug.
std::string bankForCategory(std::string_view category);
// ASCII-only lower-casing used for names and extensions.
std::string lowerAscii(std::string_view text);

using TakenIds = std::set<std::pair<std::string, std::string>>;  // (bank, preset id), byte-wise

// base, or the first of base-2, base-3, ... that the bank does not hold.
std::string uniquePresetId(const std::string& bank, const std::string& base, const TakenIds& taken);

}  // namespace orbi
