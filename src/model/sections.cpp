// The section-name table and its two directions.
#include "model/sections.hpp"

#include <array>

namespace orbi {

namespace {

// Indexed by section number; entry 0 is the whole instrument.
constexpr std::array<std::string_view, kSectionCount + 1> kSectionNames = {
    kCompleteScope,          // 0
    "oscillators",           // 1
    "filter",                // 2
    "modulation",            // 3
    "effects",               // 4
    "effect_autofilter",     // 5
    "effect_distortion",     // 6
    "effect_chorus",         // 7
    "effect_delay",          // 8
    "effect_reverb",         // 9
    "effect_eq",             // 10
    "effect_volume_shaper",  // 11
    "effect_tape",           // 12
    "effect_phaser",         // 13
    "effect_flanger",        // 14
    "effect_disperser",      // 15
    "effect_texture",        // 16
    "effect_stutter",        // 17
};

}  // namespace

std::string_view sectionName(int number) {
    if (number < 1 || number > kSectionCount) return kCompleteScope;
    return kSectionNames[static_cast<std::size_t>(number)];
}

int sectionNumber(std::string_view name) {
    for (int n = 1; n <= kSectionCount; ++n) {
        if (kSectionNames[static_cast<std::size_t>(n)] == name) return n;
    }
    return 0;
}

bool isKnownScope(std::string_view scope) { return sectionName(sectionNumber(scope)) == scope; }

}  // namespace orbi
