// The legacy document format member by member: a full document, the order of "parameters", and
// the edge rules of the list members and of "simpleMeta".
#include <gtest/gtest.h>

#include "legacy/document_support.hpp"

namespace orbi::test {
namespace {

TEST(LegacyDocumentMembers, AFullDocumentFillsEveryField) {
    LegacyPreset preset = readText(R"({
        "name": "Wobble", "version": 6, "scope": "effect_tape", "effectTarget": "fx2",
        "tags": {"category": "Bass", "complexity": "simple", "character": ["dark", 1, "wide"]},
        "wavetable1": "bundled:wavetables/a.wav", "wavetable2": "factory:analog_stack",
        "sample1": "s1", "sample2": "s2", "sample3": "s3",
        "bundledWavetables": [{"path": "wavetables/a.wav", "name": "A", "sourceFile": "a.wav",
                               "frameCount": 64, "frameSize": 1024}, 5],
        "bundledSamples": [{"path": "samples/b.wav", "name": "B", "sourceFile": "b.wav",
                            "length": 1000, "channels": 2, "sourceRate": 48000.5}],
        "parameters": {"osc1_level": 0.75, "filter_cutoff": 0.25},
        "modRoutings": [{"source": "lfo1", "target": "filter_cutoff", "depth": -0.5, "scope": "voice",
                         "audioRate": true, "slewMs": 12}],
        "lfoShapes": [{"lfo": 1, "table": [0, 0.5, true, false]}],
        "msegs": [{"mseg": 2, "sustain": 0, "loopStart": 1, "loopEnd": 2,
                   "points": [{"t": 0, "v": 0, "c": 0}, {"t": 1, "v": 1, "c": 0.5}]}],
        "stepSeqs": [{"stepseq": 1, "length": 4, "values": [0.25, 0.5]}],
        "knobMotions": [{"target": "osc1_level", "length": 2, "amount": 0.5,
                         "points": [{"t": 0, "v": 0}, {"t": 1, "v": 1, "c": -1}]}],
        "macros": [0.1, 0.2, 0.3, 0.4], "macroNames": ["Cut", "Res", "Drive", "Mix"],
        "mpeEnabled": true, "volumeShaper": {"table": [1, 0.5, 0]},
        "savedFromMode": "simple", "script": "-- nothing",
        "simpleMeta": {"timbreName": "Growl", "timbreCategory": "Bass", "blockSteps": [0, 1, 2, 3, 4],
                       "metaVersion": 3, "character": [{"id": "bright", "pos": 0.25}, {"id": "warm"}],
                       "padX": 0.1, "padY": 0.9, "padActive": true,
                       "effects": [{"id": "reverb", "on": true, "amount": 0.7, "character": 0.2}, {"id": "delay"}]},
        "unknownKey": {"ignored": true}
    })");

    LegacyPreset expected;
    expected.name = "Wobble";
    expected.version = 6;
    expected.scope = 12;
    expected.effectTarget = "fx2";
    expected.category = "Bass";
    expected.complexity = "simple";
    expected.characterTags = {"dark", "wide"};
    expected.wavetable1 = "bundled:wavetables/a.wav";
    expected.wavetable2 = "factory:analog_stack";
    expected.sample1 = "s1";
    expected.sample2 = "s2";
    expected.sample3 = "s3";
    expected.bundledWavetables = {{"wavetables/a.wav", "A", "a.wav", 64, 1024}};
    expected.bundledSamples = {{"samples/b.wav", "B", "b.wav", 1000, 2, 48000.5}};
    expected.parameters = {{"filter_cutoff", 0.25f}, {"osc1_level", 0.75f}};
    expected.modRoutings = {{"lfo1", "filter_cutoff", -0.5f, "voice", true, 12.0f}};
    expected.lfoShapes = {{1, {0.0f, 0.5f, 1.0f, 0.0f}}};
    expected.msegs = {{2, {{0, 0, 0}, {1, 1, 0.5f}}, 0, 1, 2}};
    LegacyStepSeq steps;
    steps.stepseq = 1;
    steps.length = 4;
    steps.values[0] = 0.25f;
    steps.values[1] = 0.5f;
    expected.stepSeqs = {steps};
    expected.knobMotions = {{"osc1_level", 2.0f, 0.5f, {{0, 0, 0}, {1, 1, -1}}}};
    expected.macros = {0.1f, 0.2f, 0.3f, 0.4f};
    expected.macroNames = {"Cut", "Res", "Drive", "Mix"};
    expected.mpeEnabled = true;
    expected.volumeShaperTable = {1.0f, 0.5f, 0.0f};
    expected.savedFromMode = "simple";
    expected.script = "-- nothing";
    expected.hasSimpleMeta = true;
    expected.timbreName = "Growl";
    expected.timbreCategory = "Bass";
    expected.blockSteps = {0, 1, 2, 3, 4};
    expected.metaVersion = 3;
    expected.metaCharacter = {{"bright", 0.25f}, {"warm", 0.5f}};
    expected.padX = 0.1f;
    expected.padY = 0.9f;
    expected.padActive = true;
    expected.metaEffects = {{"reverb", true, 0.7f, 0.2f}, {"delay", false, 0.5f, 0.5f}};
    EXPECT_EQ(preset, expected);
}

TEST(LegacyDocumentMembers, FreshRecordDefaults) {
    LegacyPreset preset;
    EXPECT_EQ(preset.version, 6);
    EXPECT_EQ(preset.metaVersion, 2);
    EXPECT_EQ(preset.blockSteps, (std::array<std::int32_t, 5>{-1, -1, -1, -1, -1}));
    EXPECT_EQ(preset.padX, 0.5f);
    EXPECT_EQ(preset.padY, 0.5f);
    EXPECT_EQ(preset.macros, (std::array<float, 4>{}));
    EXPECT_FALSE(preset.motif);
    LegacyMseg mseg;
    EXPECT_EQ(mseg.points, (std::vector<CurvePoint>{{0.0f, -1.0f, 0.3f}, {0.4f, 1.0f, -0.3f}, {1.5f, -1.0f, 0.0f}}));
    EXPECT_EQ(mseg.sustain, 1);
    EXPECT_EQ(mseg.loopStart, -1);
    EXPECT_EQ(mseg.loopEnd, -1);
    EXPECT_EQ(LegacyStepSeq{}.length, 16);
    EXPECT_EQ(WavetableRecord{}.frameSize, 2048);
    EXPECT_EQ(SampleRecord{}.channels, 1);
    EXPECT_EQ(SampleRecord{}.sourceRate, 44100.0);
    EXPECT_EQ(LegacyKnobMotion{}.length, 1.0f);
    EXPECT_EQ(LegacyKnobMotion{}.amount, 1.0f);
    EXPECT_EQ(MetaCharacter{}.pos, 0.5f);
    EXPECT_EQ(MetaEffect{}.amount, 0.5f);
    EXPECT_EQ(MetaEffect{}.character, 0.5f);
}

TEST(LegacyDocumentMembers, ParametersComeInByteOrderOfTheirNames) {
    LegacyPreset preset = readCurrent(R"("parameters": {"b": 1, "a": "x", "c": 2})");
    EXPECT_EQ(preset.parameters, (std::vector<LegacyParameter>{{"b", 1.0f}, {"c", 2.0f}}));

    // Bytes compare unsigned: upper case before lower case, a prefix first, UTF-8 after ASCII.
    preset = readCurrent(R"("parameters": {"\u00e9": 5, "z": 4, "ab": 3, "a": 2, "B": 1, "a\u0000": 6,
                                          "n": null, "t": true, "o": {}, "l": [1]})");
    EXPECT_EQ(preset.parameters, (std::vector<LegacyParameter>{
                                     {"B", 1}, {"a", 2}, {std::string("a\0", 2), 6}, {"ab", 3}, {"z", 4}, {"\xC3\xA9", 5}}));

    // A repeated key counts with its last value, in its place by name.
    preset = readCurrent(R"("parameters": {"x": 1, "w": 2, "x": 3})");
    EXPECT_EQ(preset.parameters, (std::vector<LegacyParameter>{{"w", 2.0f}, {"x", 3.0f}}));
}

TEST(LegacyDocumentMembers, RepeatedTopLevelKeysCountWithTheirLastValue) {
    LegacyPreset preset = readText(R"({"name": "First", "tags": {"category": "Pads", "complexity": "x"},
                                      "version": 6, "name": "Second", "tags": {"complexity": "y"}})");
    EXPECT_EQ(preset.name, "Second");
    EXPECT_EQ(preset.category, "");
    EXPECT_EQ(preset.complexity, "y");

    // A later value of the wrong type wins too, and is then ignored.
    EXPECT_EQ(readText(R"({"name": "A", "name": 1})").name, "");
}

TEST(LegacyDocumentMembers, ScopeNamesAreMatchedExactly) {
    struct Case {
        const char* text;
        std::uint32_t expected;
    };
    for (Case c : std::initializer_list<Case>{{"complete", 0},
                                              {"oscillators", 1},
                                              {"filter", 2},
                                              {"Filter", 0},
                                              {"filter ", 0},
                                              {"effects", 4},
                                              {"effect_volume_shaper", 11},
                                              {"effect_tape", 12},
                                              {"effect_stutter", 17},
                                              {"", 0},
                                              {"section", 0}}) {
        EXPECT_EQ(readCurrent(std::string(R"("scope":")") + c.text + "\"").scope, c.expected) << c.text;
    }
}

TEST(LegacyDocumentMembers, EnvelopesAndKnobMotionsNeedTwoPoints) {
    LegacyPreset preset = readCurrent(R"("msegs": [
        {"mseg": 1, "points": [{"t": 0, "v": 1}]},
        {"mseg": 2},
        {"mseg": 3, "points": []},
        {"mseg": 4, "points": ["x", {"t": 0.5}, 7, {"v": 0.25, "c": "bend"}]},
        {"mseg": 5, "points": "none"},
        "not an envelope"
    ])");
    ASSERT_EQ(preset.msegs.size(), 3u);
    EXPECT_EQ(preset.msegs[0].mseg, 2);
    EXPECT_EQ(preset.msegs[0].points, LegacyMseg{}.points);
    EXPECT_EQ(preset.msegs[1].mseg, 4);
    EXPECT_EQ(preset.msegs[1].points, (std::vector<CurvePoint>{{0.5f, 0, 0}, {0, 0.25f, 0}}));
    EXPECT_EQ(preset.msegs[2].mseg, 5);
    EXPECT_EQ(preset.msegs[2].points, LegacyMseg{}.points);

    preset = readCurrent(R"("knobMotions": [
        {"target": "a"},
        {"target": "b", "points": [{"t": 0}]},
        {"target": "c", "points": [{"t": 0}, [], {"t": 1, "v": 1}]},
        {"target": "d", "points": {"t": 0}}
    ])");
    ASSERT_EQ(preset.knobMotions.size(), 1u);
    EXPECT_EQ(preset.knobMotions[0].target, "c");
    EXPECT_EQ(preset.knobMotions[0].points, (std::vector<CurvePoint>{{0, 0, 0}, {1, 1, 0}}));
}

TEST(LegacyDocumentMembers, StepSequencerValuesUseTheFirstSixteenPositions) {
    LegacyPreset preset = readCurrent(R"("stepSeqs": [
        {"values": [1, "x", 3, null, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18]},
        {"values": [0.5]},
        7
    ])");
    ASSERT_EQ(preset.stepSeqs.size(), 2u);
    EXPECT_EQ(preset.stepSeqs[0].values,
              (std::array<float, 16>{1, 0, 3, 0, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(preset.stepSeqs[0].length, 16);
    EXPECT_EQ(preset.stepSeqs[1].values, (std::array<float, 16>{0.5f}));
}

TEST(LegacyDocumentMembers, MacrosComeInPairs) {
    struct Case {
        const char* macros;
        std::array<float, 4> expected;
    };
    for (Case c : std::initializer_list<Case>{{"[0.5]", {0, 0, 0, 0}},
                                              {"[0.5, 0.25]", {0.5f, 0.25f, 0, 0}},
                                              {"[0.5, 0.25, 1]", {0.5f, 0.25f, 0, 0}},
                                              {"[0.5, 0.25, 1, 0.75]", {0.5f, 0.25f, 1, 0.75f}},
                                              {"[0.5, 0.25, 1, 0.75, 0.125]", {0.5f, 0.25f, 1, 0.75f}},
                                              {"[\"a\", 0.25, null, 0.75]", {0, 0.25f, 0, 0.75f}},
                                              {"[]", {0, 0, 0, 0}}}) {
        EXPECT_EQ(readCurrent(std::string(R"("macros":)") + c.macros).macros, c.expected) << c.macros;
    }
    LegacyPreset preset = readCurrent(R"("macroNames": [1, "Res", "Drive", "Mix", "Fifth"])");
    EXPECT_EQ(preset.macroNames, (std::array<std::string, 4>{"", "Res", "Drive", "Mix"}));
    EXPECT_EQ(readCurrent(R"("macroNames": ["Cut"])").macroNames, (std::array<std::string, 4>{"Cut", "", "", ""}));
}

TEST(LegacyDocumentMembers, RoutingScopeFallsBackToGlobal) {
    LegacyPreset preset = readCurrent(R"("modRoutings": [{"scope": ""}, {}, {"scope": "voice"}, {"scope": 1}, []])");
    ASSERT_EQ(preset.modRoutings.size(), 4u);
    EXPECT_EQ(preset.modRoutings[0].scope, "global");
    EXPECT_EQ(preset.modRoutings[1].scope, "global");
    EXPECT_EQ(preset.modRoutings[2].scope, "voice");
    EXPECT_EQ(preset.modRoutings[3].scope, "global");
}

TEST(LegacyDocumentMembers, TablesHoldNumbersOrBooleansElseTheyAreLeftOut) {
    LegacyPreset preset = readCurrent(R"("lfoShapes": [
        {"lfo": 1, "table": []},
        {"lfo": 2, "table": [0.5, "x"]},
        {"lfo": 3},
        {"lfo": 4, "table": [true, -1, 0.25]},
        {"lfo": 5, "table": [null]}
    ])");
    ASSERT_EQ(preset.lfoShapes.size(), 1u);
    EXPECT_EQ(preset.lfoShapes[0].lfo, 4);
    EXPECT_EQ(preset.lfoShapes[0].table, (std::vector<float>{1, -1, 0.25f}));

    EXPECT_EQ(readCurrent(R"("volumeShaper": {"table": [0, false, 1]})").volumeShaperTable, (std::vector<float>{0, 0, 1}));
    EXPECT_TRUE(readCurrent(R"("volumeShaper": {"table": [0, [1]]})").volumeShaperTable.empty());
    EXPECT_TRUE(readCurrent(R"("volumeShaper": {"table": {}})").volumeShaperTable.empty());
    // A bad table spoils nothing else.
    LegacyPreset rest = readCurrent(R"("volumeShaper": {"table": ["x"]}, "script": "s", "macros": [1, 2])");
    EXPECT_EQ(rest.script, "s");
    EXPECT_EQ(rest.macros[1], 2.0f);
}

TEST(LegacyDocumentMembers, SimpleMetaSetsItsOwnVersion) {
    LegacyPreset none = readCurrent(R"("other": 1)");
    EXPECT_FALSE(none.hasSimpleMeta);
    EXPECT_EQ(none.metaVersion, 2);

    LegacyPreset notAnObject = readCurrent(R"("simpleMeta": null)");
    EXPECT_FALSE(notAnObject.hasSimpleMeta);
    EXPECT_EQ(notAnObject.metaVersion, 2);

    LegacyPreset empty = readCurrent(R"("simpleMeta": {})");
    EXPECT_TRUE(empty.hasSimpleMeta);
    EXPECT_EQ(empty.metaVersion, 1);

    LegacyPreset wrongVersion = readCurrent(R"("simpleMeta": {"metaVersion": 2.5})");
    EXPECT_EQ(wrongVersion.metaVersion, 1);

    LegacyPreset full = readCurrent(R"("simpleMeta": {"metaVersion": 0,
        "blockSteps": [3, 4],
        "character": [{"id": 1, "pos": 0.1}, {"pos": 0.2}, {"id": "a", "pos": "x"}, "b", {"id": "c", "pos": 0}],
        "effects": [{"on": true}, {"id": "chorus", "on": 1, "amount": 1, "character": null}]})");
    EXPECT_EQ(full.metaVersion, 0);
    EXPECT_EQ(full.blockSteps, (std::array<std::int32_t, 5>{3, 4, -1, -1, -1}));
    EXPECT_EQ(full.metaCharacter, (std::vector<MetaCharacter>{{"a", 0.5f}, {"c", 0.0f}}));
    EXPECT_EQ(full.metaEffects, (std::vector<MetaEffect>{{"chorus", false, 1.0f, 0.5f}}));
}

}  // namespace
}  // namespace orbi::test
