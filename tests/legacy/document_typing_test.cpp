// Typing rules of legacy documents: members of the wrong JSON type keep their defaults, integers
// are numbers written without fraction or exponent, i32 fields keep the low 32 bits, f32 fields
// take the nearest f32.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "legacy/document_support.hpp"

namespace orbi::test {
namespace {

TEST(LegacyDocumentTyping, MembersOfTheWrongTypeKeepTheirDefaults) {
    LegacyPreset preset = readText(R"({
        "name": "N", "version": 6, "scope": 2, "effectTarget": 1, "tags": ["category"],
        "wavetable1": null, "wavetable2": 2, "sample1": [], "sample2": {}, "sample3": true,
        "bundledWavetables": {"path": "x"}, "bundledSamples": "x", "parameters": [1, 2],
        "modRoutings": {"source": "a"}, "lfoShapes": 1, "msegs": {}, "stepSeqs": "s",
        "knobMotions": null, "macros": {"0": 1, "1": 2}, "macroNames": "m", "mpeEnabled": 1,
        "volumeShaper": [0.5], "savedFromMode": false, "script": 7, "simpleMeta": [1]
    })");
    EXPECT_EQ(preset, namedPreset());

    // Inside lists and objects the same rule holds member by member.
    preset = readCurrent(R"(
        "tags": {"category": 1, "complexity": [], "character": "warm"},
        "bundledWavetables": [{"path": 1, "name": null, "sourceFile": {}, "frameCount": "9", "frameSize": true}],
        "bundledSamples": [{"path": 1, "length": "9", "channels": false, "sourceRate": "48000"}],
        "modRoutings": [{"source": 1, "target": [], "depth": "1", "scope": 3, "audioRate": 1, "slewMs": null}],
        "msegs": [{"mseg": "1", "sustain": null, "loopStart": [], "loopEnd": {}, "points": {}}],
        "stepSeqs": [{"stepseq": "1", "length": true, "values": {"0": 1}}],
        "knobMotions": [{"target": 5, "length": "2", "amount": null, "points": [{"t": "1", "v": true, "c": []}, {}]}],
        "simpleMeta": {"timbreName": 1, "timbreCategory": null, "blockSteps": {}, "metaVersion": "2",
                       "character": {}, "padX": "1", "padY": null, "padActive": 1, "effects": {}},
        "volumeShaper": {"table": {"0": 1}}
    )");
    LegacyPreset expected = namedPreset();
    expected.bundledWavetables.emplace_back();
    expected.bundledSamples.emplace_back();
    expected.modRoutings.emplace_back();
    expected.msegs.emplace_back();
    expected.stepSeqs.emplace_back();
    expected.knobMotions.push_back({"", 1.0f, 1.0f, {CurvePoint{}, CurvePoint{}}});
    expected.hasSimpleMeta = true;
    expected.metaVersion = 1;
    EXPECT_EQ(preset, expected);
}

TEST(LegacyDocumentTyping, IntegersAreWrittenWithoutFractionOrExponent) {
    // "version" 5.0 is a number but no integer: the document stays at version 1 and is upgraded.
    for (const char* version : {"5.0", "6.0", "6e0", "60E-1", "\"6\"", "true"}) {
        LegacyPreset preset = readText(std::string(R"({"name":"N","version":)") + version + "}");
        ASSERT_EQ(preset.parameters.size(), 1u) << version;
        EXPECT_EQ(preset.parameters[0].name, "tape_tone") << version;
        EXPECT_EQ(preset.version, 6) << version;
    }
    EXPECT_TRUE(readText(R"({"name":"N","version":6})").parameters.empty());
    EXPECT_EQ(readText(R"({"name":"N","version":-0})").parameters.size(), 1u);

    LegacyPreset preset = readCurrent(R"(
        "lfoShapes": [{"lfo": 2.0, "table": [1]}, {"lfo": 3, "table": [1]}],
        "msegs": [{"mseg": 1.5, "sustain": 4, "loopStart": 0.0, "loopEnd": 2}],
        "stepSeqs": [{"stepseq": 1e0, "length": 8}],
        "simpleMeta": {"blockSteps": [1.0, 2, "3", true, -7, 9], "metaVersion": 3.0}
    )");
    ASSERT_EQ(preset.lfoShapes.size(), 2u);
    EXPECT_EQ(preset.lfoShapes[0].lfo, 0);
    EXPECT_EQ(preset.lfoShapes[1].lfo, 3);
    ASSERT_EQ(preset.msegs.size(), 1u);
    EXPECT_EQ(preset.msegs[0].mseg, 0);
    EXPECT_EQ(preset.msegs[0].sustain, 4);
    EXPECT_EQ(preset.msegs[0].loopStart, -1);
    EXPECT_EQ(preset.msegs[0].loopEnd, 2);
    ASSERT_EQ(preset.stepSeqs.size(), 1u);
    EXPECT_EQ(preset.stepSeqs[0].stepseq, 0);
    EXPECT_EQ(preset.stepSeqs[0].length, 8);
    EXPECT_EQ(preset.blockSteps, (std::array<std::int32_t, 5>{-1, 2, -1, -1, -7}));
    EXPECT_EQ(preset.metaVersion, 1);

    // Fields typed "number" take integers and any other number alike.
    preset = readCurrent(R"("modRoutings": [{"depth": 1, "slewMs": 2.5}],
                            "bundledSamples": [{"length": 7.9, "channels": 2, "sourceRate": 48000}])");
    ASSERT_EQ(preset.modRoutings.size(), 1u);
    EXPECT_EQ(preset.modRoutings[0].depth, 1.0f);
    EXPECT_EQ(preset.modRoutings[0].slewMs, 2.5f);
    ASSERT_EQ(preset.bundledSamples.size(), 1u);
    EXPECT_EQ(preset.bundledSamples[0].length, 7);
    EXPECT_EQ(preset.bundledSamples[0].channels, 2);
    EXPECT_EQ(preset.bundledSamples[0].sourceRate, 48000.0);
}

TEST(LegacyDocumentTyping, IntegersKeepTheirLow32Bits) {
    struct Case {
        const char* text;
        std::int32_t expected;
    };
    // Expected values computed as the text's value modulo 2^32, read as two's complement.
    for (Case c : std::initializer_list<Case>{
             {"2147483647", 2147483647},
             {"2147483648", -2147483647 - 1},
             {"4294967295", -1},
             {"4294967302", 6},
             {"-4294967290", 6},
             {"-2147483649", 2147483647},
             {"9223372036854775807", -1},
             {"-9223372036854775808", 0},
             {"18446744073709551615", -1},
             // Beyond 64 bits the text itself decides, not a rounded double.
             {"18446744073709551622", 6},
             {"-18446744073709551610", 6},
             {"100000000000000000000000000000000000006", 6},
             {"-100000000000000000000000000000000000006", -6},
         }) {
        LegacyPreset preset = readCurrent(std::string(R"("stepSeqs":[{"length":)") + c.text + "}]");
        ASSERT_EQ(preset.stepSeqs.size(), 1u) << c.text;
        EXPECT_EQ(preset.stepSeqs[0].length, c.expected) << c.text;
    }
    // A version that wraps to 6 counts as 6: no upgrade. One that wraps to -6 is upgraded.
    EXPECT_TRUE(readText(R"({"name":"N","version":100000000000000000000000000000000000006})").parameters.empty());
    EXPECT_EQ(readText(R"({"name":"N","version":-100000000000000000000000000000000000006})").parameters.size(), 1u);
}

TEST(LegacyDocumentTyping, NumbersIntoI32AreTruncatedTowardZero) {
    struct Case {
        const char* text;
        std::int32_t expected;
    };
    for (Case c : std::initializer_list<Case>{
             {"7.9", 7},
             {"-7.9", -7},
             {"-0.5", 0},
             {"2.5e3", 2500},
             {"2147483647.9", 2147483647},
             // Past the i32 range the truncated value keeps its low 32 bits, as an integer would.
             {"4294967297.9", 1},
             {"1e10", 1410065408},
             {"-2.5e9", 1794967296},
             {"1e300", 0},
         }) {
        LegacyPreset preset = readCurrent(std::string(R"("bundledWavetables":[{"frameCount":)") + c.text + "}]");
        ASSERT_EQ(preset.bundledWavetables.size(), 1u) << c.text;
        EXPECT_EQ(preset.bundledWavetables[0].frameCount, c.expected) << c.text;
        EXPECT_EQ(preset.bundledWavetables[0].frameSize, 2048) << c.text;
    }
}

TEST(LegacyDocumentTyping, NumbersIntoF32TakeTheNearestF32) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr float kMax = std::numeric_limits<float>::max();
    struct Case {
        const char* text;
        float expected;
    };
    for (Case c : std::initializer_list<Case>{
             {"0.1", 0.1f},
             {"16777217", 16777216.0f},  // 2^24 + 1: a tie, to even
             {"16777219", 16777220.0f},
             {"16777217.0", 16777216.0f},
             {"18446744073709551617", 18446744073709551616.0f},
             {"-0.0", -0.0f},
             {"1e-50", 0.0f},
             {"3.4028235e38", kMax},  // above the largest f32, below the halfway point
             {"3.4028236e38", kInf},
             {"-1e39", -kInf},
             {"1e300", kInf},
         }) {
        LegacyPreset preset = readCurrent(std::string(R"("modRoutings":[{"depth":)") + c.text + "}]");
        ASSERT_EQ(preset.modRoutings.size(), 1u) << c.text;
        EXPECT_EQ(preset.modRoutings[0].depth, c.expected) << c.text;
        EXPECT_EQ(std::signbit(preset.modRoutings[0].depth), std::signbit(c.expected)) << c.text;
    }
    // f64 fields are not rounded to f32.
    LegacyPreset preset = readCurrent(R"("bundledSamples":[{"sourceRate":0.1}])");
    ASSERT_EQ(preset.bundledSamples.size(), 1u);
    EXPECT_EQ(preset.bundledSamples[0].sourceRate, 0.1);
}

}  // namespace
}  // namespace orbi::test
