// Member names inside an instance's open JSON trees (meta, hints, state) and the key rules of
// its routings and point sets, shared by the conversion and by applying an instance.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orbi::member {

// meta
inline constexpr std::string_view kMetaName = "name";
inline constexpr std::string_view kMetaCategory = "category";
inline constexpr std::string_view kMetaTags = "tags";
inline constexpr std::string_view kMetaComplexity = "complexity";

// hints; savedFromMode holds "simple" or "advanced"
inline constexpr std::string_view kHintSavedFromMode = "savedFromMode";
inline constexpr std::string_view kHintSimple = "simple";
inline constexpr std::string_view kHintPresetName = "presetName";
inline constexpr std::string_view kSavedFromSimple = "simple";
inline constexpr std::string_view kSavedFromAdvanced = "advanced";

// the simple hint: the simple-mode panel's data
inline constexpr std::string_view kSimpleTimbreName = "timbreName";
inline constexpr std::string_view kSimpleTimbreCategory = "timbreCategory";
inline constexpr std::string_view kSimpleCharacter = "character";
inline constexpr std::string_view kSimpleSoundMap = "soundMap";
inline constexpr std::string_view kSimpleEffects = "effects";
inline constexpr std::string_view kSoundMapX = "x";
inline constexpr std::string_view kSoundMapY = "y";
inline constexpr std::string_view kSoundMapActive = "active";
// one entry of the simple hint's effects, keyed by effect id
inline constexpr std::string_view kEffectOn = "on";
inline constexpr std::string_view kEffectAmount = "amount";
inline constexpr std::string_view kEffectCharacter = "character";

// state, in the order the conversion rewrites them
inline constexpr std::string_view kStateRoutings = "routings";
inline constexpr std::string_view kStateLfoShapes = "lfoShapes";
inline constexpr std::string_view kStateMsegs = "msegs";
inline constexpr std::string_view kStateStepSeqs = "stepSeqs";
inline constexpr std::string_view kStateKnobMotions = "knobMotions";
inline constexpr std::string_view kStateMacroNames = "macroNames";
inline constexpr std::string_view kStateScript = "script";
inline constexpr std::string_view kStateVolumeShaper = "volumeShaper";
inline constexpr std::string_view kStateMpe = "mpe";
inline constexpr std::string_view kStateEffectTarget = "effectTarget";
inline constexpr std::string_view kStateImports = "imports";
inline constexpr std::string_view kStateAuditionMotif = "auditionMotif";

// keys inside lfoShapes, msegs and stepSeqs: prefix + number counted from 1
inline constexpr std::string_view kLfoKeyPrefix = "lfo";
inline constexpr std::string_view kMsegKeyPrefix = "mseg";
inline constexpr std::string_view kStepSeqKeyPrefix = "stepseq";

// one routing; scope is "global" unless the routing names another
inline constexpr std::string_view kRoutingSource = "source";
inline constexpr std::string_view kRoutingTarget = "target";
inline constexpr std::string_view kRoutingDepth = "depth";
inline constexpr std::string_view kRoutingScope = "scope";
inline constexpr std::string_view kRoutingAudioRate = "audioRate";
inline constexpr std::string_view kRoutingSlewMs = "slewMs";
inline constexpr std::string_view kGlobalRoutingScope = "global";

// one MSEG; loopStart and loopEnd come both or neither
inline constexpr std::string_view kMsegPoints = "points";
inline constexpr std::string_view kMsegSustain = "sustain";
inline constexpr std::string_view kMsegLoopStart = "loopStart";
inline constexpr std::string_view kMsegLoopEnd = "loopEnd";

// one step sequencer
inline constexpr std::string_view kStepSeqValues = "values";
inline constexpr std::string_view kStepSeqLength = "length";

// one knob motion
inline constexpr std::string_view kMotionLengthSeconds = "lengthSeconds";
inline constexpr std::string_view kMotionAmount = "amount";
inline constexpr std::string_view kMotionPoints = "points";

// one point of a point set
inline constexpr std::string_view kPointTime = "time";
inline constexpr std::string_view kPointValue = "value";
inline constexpr std::string_view kPointCurve = "curve";

// one import record, keyed by asset slot name
inline constexpr std::string_view kImportName = "name";
inline constexpr std::string_view kImportFile = "file";

// The key of a routing: source ">" target, and for the second and later routings with the same
// source and target "#" and the ordinal (ordinal counts from 1: lfo1>filt_cutoff,
// lfo1>filt_cutoff#2).
std::string routingKey(std::string_view source, std::string_view target, std::size_t ordinal);

// The id of point k (counted from 0) of a point set: "p" followed by k + 1.
std::string pointId(std::size_t position);

}  // namespace orbi::member
