// LegacyPreset: the common in-memory form of a preset, read from legacy files or obtained by
// applying a current instance document. Plain values with the defaults of a freshly made record;
// the document reader starts from these and changes only what the document gives.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orbi {

struct LegacyParameter {
    std::string name;
    float value = 0.0f;

    bool operator==(const LegacyParameter&) const = default;
};

struct LegacyRouting {
    std::string source;
    std::string target;
    float depth = 0.0f;
    std::string scope = "global";  // the document reader also turns an empty scope into "global"
    bool audioRate = false;
    float slewMs = 0.0f;

    bool operator==(const LegacyRouting&) const = default;
};

struct LegacyLfoShape {
    std::int32_t lfo = 0;
    std::vector<float> table;

    bool operator==(const LegacyLfoShape&) const = default;
};

struct CurvePoint {
    float t = 0.0f;
    float v = 0.0f;
    float c = 0.0f;

    bool operator==(const CurvePoint&) const = default;
};

struct LegacyMseg {
    std::int32_t mseg = 0;
    // A fresh envelope rises and falls once; a document's "points" replace these as a whole.
    std::vector<CurvePoint> points{{0.0f, -1.0f, 0.3f}, {0.4f, 1.0f, -0.3f}, {1.5f, -1.0f, 0.0f}};
    std::int32_t sustain = 1;
    std::int32_t loopStart = -1;
    std::int32_t loopEnd = -1;

    bool operator==(const LegacyMseg&) const = default;
};

struct LegacyStepSeq {
    std::int32_t stepseq = 0;
    std::array<float, 16> values{};
    std::int32_t length = 16;

    bool operator==(const LegacyStepSeq&) const = default;
};

struct LegacyKnobMotion {
    std::string target;
    float length = 1.0f;
    float amount = 1.0f;
    std::vector<CurvePoint> points;

    bool operator==(const LegacyKnobMotion&) const = default;
};

struct WavetableRecord {
    std::string path;
    std::string name;
    std::string sourceFile;
    std::int32_t frameCount = 0;
    std::int32_t frameSize = 2048;

    bool operator==(const WavetableRecord&) const = default;
};

struct SampleRecord {
    std::string path;
    std::string name;
    std::string sourceFile;
    std::int32_t length = 0;
    std::int32_t channels = 1;
    double sourceRate = 44100.0;

    bool operator==(const SampleRecord&) const = default;
};

struct MetaCharacter {
    std::string id;
    float pos = 0.5f;

    bool operator==(const MetaCharacter&) const = default;
};

struct MetaEffect {
    std::string id;
    bool on = false;
    float amount = 0.5f;
    float character = 0.5f;

    bool operator==(const MetaEffect&) const = default;
};

// The short phrase a preset is auditioned with. Only the reading of current-format files sets
// one; legacy documents never carry it.
struct LegacyMotifNote {
    float startBeat = 0.0f;
    float lengthBeats = 1.0f;
    std::int32_t pitch = 60;
    float velocity = 0.8f;

    bool operator==(const LegacyMotifNote&) const = default;
};

struct LegacyMotif {
    float loopBeats = 4.0f;
    std::vector<LegacyMotifNote> notes;

    bool operator==(const LegacyMotif&) const = default;
};

struct LegacyPreset {
    std::string name;
    std::int32_t version = 6;  // the document reader starts at 1 and ends at 6
    std::uint32_t scope = 0;   // 0 = the whole instrument, 1..17 a section
    std::string category;
    std::string complexity;
    std::vector<std::string> characterTags;
    std::string effectTarget;
    std::string wavetable1;
    std::string wavetable2;
    std::string sample1;
    std::string sample2;
    std::string sample3;
    std::vector<LegacyParameter> parameters;
    std::vector<LegacyRouting> modRoutings;
    std::vector<LegacyLfoShape> lfoShapes;
    std::vector<LegacyMseg> msegs;
    std::vector<LegacyStepSeq> stepSeqs;
    std::vector<LegacyKnobMotion> knobMotions;
    std::vector<WavetableRecord> bundledWavetables;
    std::vector<SampleRecord> bundledSamples;
    std::array<float, 4> macros{};
    std::array<std::string, 4> macroNames;
    bool mpeEnabled = false;
    std::int32_t metaVersion = 2;  // 1 when a document has "simpleMeta" without a version of its own
    std::string timbreName;
    std::string timbreCategory;
    std::array<std::int32_t, 5> blockSteps{-1, -1, -1, -1, -1};  // -1 = not set
    std::vector<MetaCharacter> metaCharacter;
    float padX = 0.5f;
    float padY = 0.5f;
    bool padActive = false;
    std::vector<MetaEffect> metaEffects;
    bool hasSimpleMeta = false;
    std::string savedFromMode;
    std::optional<LegacyMotif> motif;
    std::string script;
    std::vector<float> volumeShaperTable;
    // Files carried by a bundle, by their full name inside it (wavetables/pad.wav).
    std::map<std::string, std::vector<std::uint8_t>> bundleFiles;

    bool operator==(const LegacyPreset&) const = default;
};

}  // namespace orbi
