// Shared pieces of the legacy document tests: reading a text, and the record a document of the
// current version with only a name gives.
#pragma once

#include <string>
#include <string_view>

#include "legacy/legacy_document.hpp"

namespace orbi::test {

inline LegacyPreset readText(std::string_view text) { return readLegacyDocument(text); }

// Wraps members in a version-6 document named "N", so the tape tone upgrade stays out of the way.
inline LegacyPreset readCurrent(std::string_view members) {
    return readLegacyDocument("{\"name\":\"N\",\"version\":6," + std::string(members) + "}");
}

inline LegacyPreset namedPreset() {
    LegacyPreset preset;
    preset.name = "N";
    return preset;
}

}  // namespace orbi::test
