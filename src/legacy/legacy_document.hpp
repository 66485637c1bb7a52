// Reading a legacy preset document (.obpreset, or the document inside a .obsz bundle) into a
// LegacyPreset. Forgiving: missing keys and keys of the wrong type leave their defaults.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "legacy/legacy_preset.hpp"

namespace orbi {

// Deepest nesting of arrays and objects a document may have (the top object is level 1); a deeper
// one is not read. Real documents nest about five levels.
inline constexpr std::size_t kMaxLegacyNesting = 1000;
// Most values (numbers, strings, literals, arrays and objects) a document may hold; one with more
// is not read. Real documents hold some thousands.
inline constexpr std::size_t kMaxLegacyValues = 4'000'000;

// Never fails and reports nothing. A text that is not JSON, or whose top value is not an object,
// gives a fresh record (empty name, version 6). Older documents are brought up to version 6.
LegacyPreset readLegacyDocument(std::span<const std::uint8_t> text);
LegacyPreset readLegacyDocument(std::string_view text);

// What a document says of itself: readLegacyDocument's name and scope for the same text, from one
// pass over it that builds no tree.
struct LegacyHeading {
    std::string name;
    std::uint32_t scope = 0;
};
LegacyHeading readLegacyHeading(std::span<const std::uint8_t> text);
LegacyHeading readLegacyHeading(std::string_view text);

}  // namespace orbi
