// The JSON shapes the conversion gives a legacy preset's modulation and editor state inside an
// instance's `state` and `hints`, and the audition clip made from a legacy motif. Every number
// that comes from a 32-bit float keeps the float's shortest spelling.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "documents/clip_document.hpp"
#include "json/json_value.hpp"
#include "legacy/legacy_preset.hpp"

namespace orbi {

// Keyed source ">" target; repeats of a pair get "#2", "#3", ... Names are copied unchanged.
JsonValue routingsToJson(const std::vector<LegacyRouting>& routings);

// A point set: "p1", "p2", ... in point order, each {time, value, curve}.
JsonValue pointsToJson(const std::vector<CurvePoint>& points);

// "lfo" + n -> the drawn table.
JsonValue lfoShapesToJson(const std::vector<LegacyLfoShape>& shapes);

// "mseg" + n -> {points, sustain?, loopStart?, loopEnd?}.
JsonValue msegsToJson(const std::vector<LegacyMseg>& msegs);

// "stepseq" + n -> {values (16), length}.
JsonValue stepSeqsToJson(const std::vector<LegacyStepSeq>& stepSeqs);

// Target parameter id -> {lengthSeconds, amount, points}; a later motion of the same target
// replaces the earlier one in place.
JsonValue knobMotionsToJson(const std::vector<LegacyKnobMotion>& motions);

// macro1..macro4 -> name, only for named macros; an empty object when none is named.
JsonValue macroNamesToJson(const std::array<std::string, 4>& macroNames);

// The simple-mode panel's data: timbreName, timbreCategory, character, soundMap, effects.
JsonValue simpleToJson(const LegacyPreset& preset);

// An audition clip for the plugin "orbitrone" holding the motif's notes on a 1/16 grid.
ClipDocument motifToClip(const LegacyMotif& motif);

}  // namespace orbi
