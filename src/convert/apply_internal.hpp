// Internal to applying an instance document: the steps that apply_instance.cpp runs in order,
// and the small readers of optional JSON members they share.
#pragma once

#include <string>
#include <string_view>

#include "convert/apply_instance.hpp"

namespace orbi::apply_detail {

// IEEE rounding of a double to a float (out-of-range values become infinities), without the
// undefined behaviour of casting a double beyond the float range.
float toFloat(double value);

// A member of an object when it has the named type, else the fallback (also when v is not an
// object).
double numberOr(const JsonValue& v, std::string_view key, double fallback);
std::string stringOr(const JsonValue& v, std::string_view key, std::string_view fallback = {});
bool boolOr(const JsonValue& v, std::string_view key, bool fallback);
const JsonValue* objectMember(const JsonValue& v, std::string_view key);
const JsonValue* arrayMember(const JsonValue& v, std::string_view key);

// The elements of an array as floats, non-numbers as 0.
std::vector<float> floatsOf(const JsonValue& array);

// Parameters: params into legacy parameters and macros.
void applyParams(LegacyPreset& preset, const InstanceDocument& instance, DiagnosticList& diagnostics);

// State: the modulation and editor state, and the motifs.
void applyState(LegacyPreset& preset, ApplySideRecord& side, const InstanceDocument& instance,
                DiagnosticList& diagnostics);

// Assets: the five asset slots, decoding package assets into bundle files.
void applyAssets(LegacyPreset& preset, const InstanceDocument& instance, const Package& package,
                 DiagnosticList& diagnostics);

// Description: provenance, meta and hints, and the display name.
void applyDescriptive(LegacyPreset& preset, ApplySideRecord& side, const InstanceDocument& instance);

// The older audition form in state "auditionMotif", and the audition clip.
LegacyMotif motifFromAuditionMotif(const JsonValue& object);
std::optional<LegacyMotif> motifFromClip(const ClipDocument& clip);

}  // namespace orbi::apply_detail
