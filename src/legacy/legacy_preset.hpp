// LegacyPreset: the common in-memory form of a preset, read from legacy files or obtained by
// applying a current instance document.
#pragma once

#include <cstdint>
#include <string>

namespace orbi {

struct LegacyPreset {
    std::string name;
    std::int32_t version = 6;
    std::uint32_t scope = 0;  // 0 = the whole instrument, 1..17 a section
    std::string category;
};

}  // namespace orbi
