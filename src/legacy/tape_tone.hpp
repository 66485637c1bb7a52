// The tape tone upgrade of documents older than format version 6, whose "tape_tone" was a
// different control: the old value is mapped onto the new one.
#pragma once

#include "legacy/legacy_preset.hpp"

namespace orbi {

// f(x), computed in double precision: 0.5 for x <= 0; else with the old control's cut-off
// fc = -ln(1 - 0.85 x) * 48000 / 2pi, 0 up to 2000 Hz and 0.5 (1 - sqrt(2000 / fc)) above.
double upgradedTapeTone(double oldValue);

// For a document older than version 6 whose scope is the whole instrument, "effects" or
// "effect_tape": maps every "tape_tone" parameter through f, or appends one of f(0.5) when there
// is none. Leaves other presets alone. Reads preset.version and preset.scope as read.
void applyTapeToneUpgrade(LegacyPreset& preset);

}  // namespace orbi
