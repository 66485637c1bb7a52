// Legacy preset -> conversion -> package bytes -> package reader -> applying: the preset that
// comes back must hold what the legacy preset held, up to what the rules change, which
// expectedAfterRoundTrip spells out: defaults, unknown ids and macro ids leave the parameters
// (repeats keep the first place and last value) and applying clamps and rounds; routings need
// one of the 29 sources and a registry target; numbered LFO shapes, MSEGs and step sequencers
// outside their ranges are dropped; points come back sorted by time with sustain and loop
// following them; simple-mode data merges repeated ids and gains "tone"/"density" before
// version 2; an empty name is "Init"; carried audio comes back under the slot's own bundle name
// when it decodes, else as the slot's default; the motif keeps the notes inside its loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <numeric>

#include "convert/apply_instance.hpp"
#include "convert/convert_legacy.hpp"
#include "convert/sample_buffer.hpp"
#include "convert/wavetable_file.hpp"
#include "legacy/discovery.hpp"
#include "model/asset_slots.hpp"
#include "model/parameter_registry.hpp"
#include "support/temp_folder.hpp"
#include "support/host.hpp"

namespace orbi::test {
namespace {

std::optional<LegacyPreset> roundTrip(const LegacyPreset& legacy, DiagnosticList& diagnostics) {
    InstanceDocument instance;
    Package package;
    convertLegacyPreset(instance, package, legacy, "round-trip", diagnostics);
    auto bytes = writePackage(package, diagnostics);
    if (!bytes) return std::nullopt;
    auto read = readPackage(*bytes, "instance.json", ZipLimits{}, diagnostics);
    if (!read) return std::nullopt;
    ApplySideRecord side;
    return applyInstanceDocument(side, *read, true, diagnostics);
}

// Keeps the first position of a key and the last value given for it.
template <typename T, typename Key>
std::vector<T> lastValueFirstPlace(const std::vector<T>& items, Key key) {
    std::vector<T> out;
    for (const T& item : items) {
        auto it = std::find_if(out.begin(), out.end(), [&](const T& o) { return key(o) == key(item); });
        if (it != out.end()) {
            *it = item;
        } else {
            out.push_back(item);
        }
    }
    return out;
}

// Sorted by time, stable; `order` receives the original position of each sorted point.
std::vector<CurvePoint> sortedPoints(const std::vector<CurvePoint>& points, std::vector<std::size_t>& order) {
    order.resize(points.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return points[a].t < points[b].t; });
    std::vector<CurvePoint> out;
    for (std::size_t i : order) out.push_back(points[i]);
    return out;
}

std::int32_t followPoint(std::int32_t original, const std::vector<std::size_t>& order) {
    if (original < 0) return -1;
    auto it = std::find(order.begin(), order.end(), static_cast<std::size_t>(original));
    return it == order.end() ? -1 : static_cast<std::int32_t>(it - order.begin());
}

void expectAssets(const LegacyPreset& legacy, LegacyPreset& out) {
    std::string* slots[] = {&out.wavetable1, &out.wavetable2, &out.sample1, &out.sample2, &out.sample3};
    const std::string* legacySlots[] = {&legacy.wavetable1, &legacy.wavetable2, &legacy.sample1, &legacy.sample2,
                                        &legacy.sample3};
    for (std::size_t i = 0; i < kAssetSlots.size(); ++i) {
        const AssetSlot& slot = kAssetSlots[i];
        const std::string& ref = *legacySlots[i];
        std::string& result = *slots[i];
        if (ref.empty()) {
            result.clear();
            continue;
        }
        if (ref.starts_with(slot.factoryPrefix)) {
            // "factory:" with nothing after it is no asset reference: the slot stays empty.
            result = ref.size() > slot.factoryPrefix.size() ? ref : std::string();
            continue;
        }
        const std::string carried = ref.starts_with("bundled:") ? ref.substr(8) : std::string();
        auto file = legacy.bundleFiles.find(carried);
        if (!ref.starts_with("bundled:") || file == legacy.bundleFiles.end()) {
            result = slot.defaultReference;
            continue;
        }
        const std::string name = std::string(slot.holds == AssetSlotKind::Wavetable ? "wavetables/osc" : "samples/osc") +
                                 std::to_string(slot.oscillator) + ".f32";
        std::string importName, importFile;  // from the first record of that path, wavetables first
        auto wt = std::find_if(legacy.bundledWavetables.begin(), legacy.bundledWavetables.end(),
                               [&](const WavetableRecord& r) { return r.path == carried; });
        auto sm = std::find_if(legacy.bundledSamples.begin(), legacy.bundledSamples.end(),
                               [&](const SampleRecord& r) { return r.path == carried; });
        if (wt != legacy.bundledWavetables.end()) {
            importName = wt->name, importFile = wt->sourceFile;
        } else if (sm != legacy.bundledSamples.end()) {
            importName = sm->name, importFile = sm->sourceFile;
        }
        if (slot.holds == AssetSlotKind::Wavetable) {
            auto frames = wavetableFrameCount(file->second);
            if (!frames) {
                result = slot.defaultReference;
                continue;
            }
            out.bundledWavetables.push_back({name, importName, importFile, *frames, 2048});
        } else {
            auto sample = dsp::decodeSampleFile(file->second);
            if (!sample) {
                result = slot.defaultReference;
                continue;
            }
            out.bundledSamples.push_back({name, importName, importFile, static_cast<std::int32_t>(sample->left.size()),
                                          dsp::channelsIdentical(*sample) ? 1 : 2, sample->sampleRate});
        }
        out.bundleFiles[name] = file->second;
        result = "bundled:" + name;
    }
}

LegacyPreset expectedAfterRoundTrip(const LegacyPreset& legacy) {
    LegacyPreset out;
    out.name = legacy.name.empty() ? "Init" : legacy.name;
    out.scope = legacy.scope;
    out.category = legacy.category;
    out.complexity = legacy.complexity;
    out.characterTags = legacy.characterTags;
    out.effectTarget = legacy.effectTarget;

    for (const LegacyParameter& p : legacy.parameters) {
        const std::size_t index = findParam(p.name);
        if (index == kUnknownParam || macroNumberOf(index) != 0 || p.value == paramAt(index).defaultValue) continue;
        auto it = std::find_if(out.parameters.begin(), out.parameters.end(),
                               [&](const LegacyParameter& o) { return o.name == p.name; });
        if (it != out.parameters.end()) {
            it->value = p.value;
        } else {
            out.parameters.push_back(p);
        }
    }
    for (LegacyParameter& p : out.parameters) p.value = clampParamValue(findParam(p.name), p.value);
    for (std::size_t k = 0; k < 4; ++k) out.macros[k] = clampParamValue(kMacroSlots[k], legacy.macros[k]);

    for (LegacyRouting r : legacy.modRoutings) {
        // The source list itself is checked against its table in apply_state_test.cpp.
        if (modulationSourceNumber(r.source) == kNotAModulationSource || findParam(r.target) == kUnknownParam) continue;
        if (r.scope.empty()) r.scope = "global";
        out.modRoutings.push_back(r);
    }
    for (const LegacyLfoShape& s : lastValueFirstPlace(legacy.lfoShapes, [](const auto& s) { return s.lfo; })) {
        if (s.lfo >= 0 && s.lfo < 4) out.lfoShapes.push_back(s);
    }
    for (const LegacyMseg& m : lastValueFirstPlace(legacy.msegs, [](const auto& m) { return m.mseg; })) {
        if (m.mseg < 0 || m.mseg >= 2) continue;
        std::vector<std::size_t> order;
        LegacyMseg e;
        e.mseg = m.mseg;
        e.points = sortedPoints(m.points, order);
        e.sustain = followPoint(m.sustain, order);
        e.loopStart = m.loopEnd >= 0 ? followPoint(m.loopStart, order) : -1;
        e.loopEnd = m.loopStart >= 0 ? followPoint(m.loopEnd, order) : -1;
        if (e.loopStart < 0 || e.loopEnd < 0) e.loopStart = e.loopEnd = -1;
        out.msegs.push_back(e);
    }
    for (LegacyStepSeq s : lastValueFirstPlace(legacy.stepSeqs, [](const auto& s) { return s.stepseq; })) {
        if (s.stepseq < 0 || s.stepseq >= 2) continue;
        s.length = std::clamp(s.length, 1, 16);
        out.stepSeqs.push_back(s);
    }
    for (LegacyKnobMotion m : lastValueFirstPlace(legacy.knobMotions, [](const auto& m) { return m.target; })) {
        std::vector<std::size_t> order;
        m.points = sortedPoints(m.points, order);
        out.knobMotions.push_back(m);
    }
    out.macroNames = legacy.macroNames;
    out.mpeEnabled = legacy.mpeEnabled;
    out.script = legacy.script;
    out.volumeShaperTable = legacy.volumeShaperTable;

    out.hasSimpleMeta = legacy.hasSimpleMeta;
    out.savedFromMode = legacy.hasSimpleMeta ? "beginner" : "advanced";
    if (legacy.hasSimpleMeta) {
        out.timbreName = legacy.timbreName;
        out.timbreCategory = legacy.timbreCategory;
        out.metaCharacter = lastValueFirstPlace(legacy.metaCharacter, [](const auto& c) { return c.id; });
        if (legacy.metaVersion < 2) {
            const std::pair<std::size_t, const char*> steps[] = {{0, "tone"}, {4, "density"}};
            for (const auto& [block, name] : steps) {
                const bool named = std::any_of(out.metaCharacter.begin(), out.metaCharacter.end(),
                                               [&](const MetaCharacter& c) { return c.id == name; });
                if (legacy.blockSteps[block] >= 0 && !named) {
                    out.metaCharacter.push_back({name, static_cast<float>(legacy.blockSteps[block] / 4.0)});
                }
            }
        }
        out.padX = legacy.padX;
        out.padY = legacy.padY;
        out.padActive = legacy.padActive;
        out.metaEffects = lastValueFirstPlace(legacy.metaEffects, [](const auto& e) { return e.id; });
    }

    if (legacy.motif && !legacy.motif->notes.empty()) {
        LegacyMotif motif;
        motif.loopBeats = std::clamp(legacy.motif->loopBeats, 1.0f, 32.0f);
        for (const LegacyMotifNote& n : legacy.motif->notes) {
            if (n.startBeat >= 0 && n.lengthBeats > 0 &&
                static_cast<double>(n.startBeat) + n.lengthBeats < motif.loopBeats && n.pitch < 128) {
                motif.notes.push_back({n.startBeat, n.lengthBeats, n.pitch, std::clamp(n.velocity, 0.0f, 1.0f)});
            }
        }
        if (!motif.notes.empty()) out.motif = motif;
    }
    expectAssets(legacy, out);
    return out;
}

// The parts most likely to differ one by one, so that a failure names them; then the whole.
void expectRoundTrip(const LegacyPreset& legacy, const std::string& label) {
    DiagnosticList diagnostics;
    std::optional<LegacyPreset> back = roundTrip(legacy, diagnostics);
    ASSERT_TRUE(back) << label << ": " << firstError(diagnostics).value_or("");
    const LegacyPreset expected = expectedAfterRoundTrip(legacy);
    const LegacyPreset& got = *back;
    EXPECT_EQ(got.name, expected.name) << label;
    EXPECT_EQ(got.parameters, expected.parameters) << label;
    EXPECT_EQ(got.macros, expected.macros) << label;
    EXPECT_EQ(got.modRoutings, expected.modRoutings) << label;
    EXPECT_EQ(got.msegs, expected.msegs) << label;
    EXPECT_EQ(got.stepSeqs, expected.stepSeqs) << label;
    EXPECT_EQ(got.knobMotions, expected.knobMotions) << label;
    EXPECT_EQ(got.metaCharacter, expected.metaCharacter) << label;
    EXPECT_EQ(got.bundledWavetables, expected.bundledWavetables) << label;
    EXPECT_EQ(got.bundledSamples, expected.bundledSamples) << label;
    EXPECT_EQ(got.motif, expected.motif) << label;
    EXPECT_EQ(got, expected) << label;  // everything else as well, the bundle files included
}

TEST(ApplyRoundTrip, GeneratedLegacyFolder) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    TempFolder folder;
    const std::string command = std::string("python3 '") + ORBI_SOURCE_DIR + "/tools/make-legacy-corpus.py' '" +
                                (folder / "legacy").string() +
                                "' --count 80 --seed 7 --max-sample-bytes 4096 --max-wavetable-frames 2 > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::size_t tried = 0, carried = 0, simple = 0, routed = 0, sections = 0;
    for (const platform::Path& path : findLegacyPresets(folder / "legacy")) {
        DiagnosticList read;
        std::optional<LegacyPreset> legacy = readLegacyPresetFile(path, read);
        if (!legacy) continue;
        ++tried;
        const LegacyPreset expected = expectedAfterRoundTrip(*legacy);
        carried += expected.bundleFiles.empty() ? 0 : 1;
        simple += expected.hasSimpleMeta ? 1 : 0;
        routed += expected.modRoutings.empty() ? 0 : 1;
        sections += expected.scope != 0 ? 1 : 0;
        expectRoundTrip(*legacy, path.string());
    }
    // The folder must have exercised the interesting parts, or the test proves little.
    EXPECT_GT(tried, 60u);
    EXPECT_GT(carried, 0u);
    EXPECT_GT(simple, 0u);
    EXPECT_GT(routed, 0u);
    EXPECT_GT(sections, 0u);
    std::cout << tried << " presets, " << carried << " with carried audio, " << simple << " with simple-mode data, "
              << routed << " with routings, " << sections << " section presets\n";
}

TEST(ApplyRoundTrip, WhatTheRulesChange) {
    LegacyPreset p;
    p.name = "";
    p.category = "Bass/Sub";
    p.parameters = {{"osc1_tune", 150.0f}, {"lfo2_shape", 5.6f}, {"lfo1_shape", 7.6f}, {"filt_type", 2.0f},
                    {"nope", 1.0f},        {"macro2", 0.5f},     {"osc1_tune", 20.0f}, {"filt_type", 2.0f},
                    {"osc1_unison", 4.0f}, {"osc2_unison", 3.4f}};
    p.macros = {0.25f, 1.5f, -1.0f, 0.0f};
    p.modRoutings = {{"lfo1", "filt_cutoff", 0.5f, "", false, 0.0f},
                     {"lfo5", "filt_cutoff", 1.0f, "global", false, 0.0f},
                     {"lfo1", "filt_cutof", 1.0f, "global", false, 0.0f},
                     {"lfo1", "filt_cutoff", -0.5f, "voice", true, 12.0f}};
    p.lfoShapes = {{7, {1.0f}}, {0, {0.5f}}, {2, {0.1f, 0.2f}}, {0, {0.25f}}};
    const LegacyMseg fresh;
    p.msegs = {{0, {{0.8f, 1.0f, 0.0f}, {0.2f, -1.0f, 0.5f}, {0.5f, 0.0f, 0.0f}}, 0, 1, 2},  // unsorted
               {1, fresh.points, 5, 0, -1},                                                // sustain past the end
               {2, fresh.points, 1, -1, -1}};                                               // no MSEG 3
    p.stepSeqs = {{0, {0, 0, 0, 0.75f}, 40}, {1, {}, 0}};
    p.knobMotions = {{"filt_cutoff", 2.0f, 0.5f, {{1.0f, 0.5f, 0.0f}, {0.0f, 0.1f, 0.0f}}},
                     {"osc1_level", 1.0f, 1.0f, {{0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.0f}}},
                     {"filt_cutoff", 3.0f, 0.25f, {{0.0f, 0.0f, 0.0f}, {0.5f, 1.0f, 0.0f}}}};
    p.macroNames = {"Cut", "", "Space", ""};
    p.hasSimpleMeta = true;
    p.metaVersion = 1;
    p.blockSteps = {2, -1, -1, -1, 4};
    p.metaCharacter = {{"density", 0.3f}, {"warm", 0.1f}, {"warm", 0.6f}};
    p.metaEffects = {{"reverb", true, 0.3f, 0.4f}, {"reverb", false, 0.2f, 0.1f}};
    p.savedFromMode = "beginner";
    p.timbreName = "Deep";
    p.motif = LegacyMotif{40.0f, {{0.0f, 1.0f, 60, 1.5f}, {31.5f, 0.5f, 62, 0.5f}, {2.0f, 1.0f, 130, 0.5f}}};
    p.script = "return lfo1";
    p.volumeShaperTable = {0.0f, 1.0f};
    p.mpeEnabled = true;
    p.effectTarget = "delay";
    expectRoundTrip(p, "hand-made");

    // The main rules stated outright, in case the expectation above shares a mistake.
    DiagnosticList d;
    auto back = roundTrip(p, d);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, "Init");
    EXPECT_EQ(back->msegs, (std::vector<LegacyMseg>{{0, {{0.2f, -1.0f, 0.5f}, {0.5f, 0.0f, 0.0f}, {0.8f, 1.0f, 0.0f}}, 2, 0, 1},
                                                    {1, fresh.points, -1, -1, -1}}));
    EXPECT_EQ(back->stepSeqs[0].length, 16);
    EXPECT_EQ(back->stepSeqs[1].length, 1);
    EXPECT_EQ(back->savedFromMode, "beginner");
}

TEST(ApplyRoundTrip, AssetSlots) {
    std::vector<std::uint8_t> table(8192 * 2, 0);
    table[5] = 0x3f;
    std::vector<std::uint8_t> sample = {'O', 'S', 'S', '1', 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x88, 0xe5, 0x40,
                                        0, 0, 0x80, 0x3f};
    LegacyPreset p;
    p.name = "Carried";
    p.wavetable1 = "bundled:wavetables/pad.wav";
    p.wavetable2 = "factory_sample:wrong_kind";
    p.sample1 = "bundled:samples/voice.wav";
    p.sample2 = "bundled:samples/tiny.wav";   // carried, but not a sample file
    p.sample3 = "factory_sample:bowed_metal";
    p.bundleFiles = {{"wavetables/pad.wav", table}, {"samples/voice.wav", sample}, {"samples/tiny.wav", {1, 2, 3}}};
    p.bundledWavetables = {{"wavetables/pad.wav", "Pad", "pad.wav", 2, 2048}};
    p.bundledSamples = {{"samples/voice.wav", "Voice", "C:/voice.wav", 1, 1, 44100.0}};
    expectRoundTrip(p, "assets");

    DiagnosticList d;
    auto back = roundTrip(p, d);
    ASSERT_TRUE(back);
    EXPECT_EQ((std::vector<std::string>{back->wavetable1, back->wavetable2, back->sample1, back->sample2, back->sample3}),
              (std::vector<std::string>{"bundled:wavetables/osc1.f32", "factory:analog_stack", "bundled:samples/osc1.f32",
                                        "factory_sample:bowed_metal", "factory_sample:bowed_metal"}));
    EXPECT_EQ(back->bundledSamples, (std::vector<SampleRecord>{{"samples/osc1.f32", "Voice", "C:/voice.wav", 1, 1, 44100.0}}));
}

}  // namespace
}  // namespace orbi::test
