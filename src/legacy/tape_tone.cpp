// Tape tone upgrade. The formula is kept exactly as the old product computed it (including its
// constant for 2 pi), so presets sound the same after migration; the result is stored as f32.
#include "legacy/tape_tone.hpp"

#include <cmath>

#include "legacy/nearest_float.hpp"

namespace orbi {

namespace {
constexpr std::uint32_t kWholeInstrument = 0;
constexpr std::uint32_t kEffectsSection = 4;
constexpr std::uint32_t kTapeSection = 12;
constexpr std::int32_t kCurrentVersion = 6;
constexpr char kTapeTone[] = "tape_tone";
}  // namespace

double upgradedTapeTone(double oldValue) {
    if (oldValue <= 0) return 0.5;
    double cutoff = -std::log(1.0 - 0.85 * oldValue) * 48000.0 / 6.283185307179586;
    if (cutoff <= 2000.0) return 0.0;
    return 0.5 * (1.0 - std::sqrt(2000.0 / cutoff));
}

void applyTapeToneUpgrade(LegacyPreset& preset) {
    if (preset.version >= kCurrentVersion) return;
    if (preset.scope != kWholeInstrument && preset.scope != kEffectsSection && preset.scope != kTapeSection) return;
    bool found = false;
    for (LegacyParameter& parameter : preset.parameters) {
        if (parameter.name == kTapeTone) {
            parameter.value = legacy::nearestFloat(upgradedTapeTone(parameter.value));
            found = true;
        }
    }
    if (!found) preset.parameters.push_back({kTapeTone, legacy::nearestFloat(upgradedTapeTone(0.5))});
}

}  // namespace orbi
