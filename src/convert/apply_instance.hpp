// Applying an instance document: the reverse of the conversion. A package's instance document
// is read and turned back into a LegacyPreset; what the legacy model cannot hold is reported and
// left out, and what belongs to the plugin's editing state goes into a side record.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/diagnostics.hpp"
#include "documents/instance_document.hpp"
#include "json/json_value.hpp"
#include "legacy/legacy_preset.hpp"
#include "library/package.hpp"

namespace orbi {

// What applying gives that is editing state rather than preset: kept beside the preset by a
// plugin that loads it, dropped by the listing of the target.
struct ApplySideRecord {
    std::string displayName;
    std::string provenancePreset;  // provenance "preset"
    bool provenanceEdited = false; // provenance "edited"
    std::optional<LegacyMotif> auditionMotif;  // from state "auditionMotif", the older audition form
    InstanceDocument instance;                 // a copy of the applied instance
    decltype(Package::otherEntries) otherEntries;  // the package's entries that are neither document nor asset
};

// The preset, or nothing when the document is no instance, belongs to another plugin, or has a
// scope that may not be applied here (a section, unless allowSections). Findings of the instance
// reader come first in the list, then those of applying.
std::optional<LegacyPreset> applyInstanceDocument(ApplySideRecord& side, const Package& package, bool allowSections,
                                                  DiagnosticList& diagnostics);

// A point set (keys "p1", "p2", ...) read into legacy curve points sorted by time (stable, so
// equal times keep member order); ids holds the member keys in that sorted order.
struct PointSet {
    std::vector<std::string> ids;
    std::vector<CurvePoint> points;
};
PointSet readPointSet(const JsonValue& object);

// prefix + a decimal number 1..count (digits only) gives number - 1; anything else -1.
int parseNumberedKey(std::string_view key, std::string_view prefix, int count);

// The 29 modulation sources a routing may start from, numbered as the legacy model numbers them;
// kNotAModulationSource for any other name (exact, case-sensitive).
inline constexpr int kModulationSourceCount = 29;
inline constexpr int kNotAModulationSource = kModulationSourceCount;
int modulationSourceNumber(std::string_view name);

}  // namespace orbi
