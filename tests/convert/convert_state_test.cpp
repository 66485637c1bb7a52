// Modulation and editor state: routings with repeat keys, LFO shapes, MSEGs, step sequencers,
// knob motions, macro names and the smaller members, in their fixed order.
#include <gtest/gtest.h>

#include "convert/convert_state.hpp"
#include "convert_test_support.hpp"

namespace orbi {
namespace {

using test::convertPreset;
using test::writtenState;

TEST(ConvertState, RoutingsGetRepeatKeysAndOptionalMembers) {
    std::vector<LegacyRouting> routings(4);
    routings[0] = {"lfo1", "filt_cutoff", 0.5f, "global", false, 0.0f};
    routings[1] = {"lfo1", "filt_cutoff", -0.25f, "voice", true, 12.5f};
    routings[2] = {"lfo1", "filt_reso", 1.0f, "", false, 0.0f};  // an empty scope is written "global"
    routings[3] = {"lfo1", "filt_cutoff", 0.1f, "global", false, 0.0f};
    EXPECT_EQ(writeCompact(routingsToJson(routings)),
              R"({"lfo1>filt_cutoff":{"source":"lfo1","target":"filt_cutoff","depth":0.5,"scope":"global"},)"
              R"("lfo1>filt_cutoff#2":{"source":"lfo1","target":"filt_cutoff","depth":-0.25,"scope":"voice",)"
              R"("audioRate":true,"slewMs":12.5},)"
              R"("lfo1>filt_reso":{"source":"lfo1","target":"filt_reso","depth":1,"scope":"global"},)"
              R"("lfo1>filt_cutoff#3":{"source":"lfo1","target":"filt_cutoff","depth":0.1,"scope":"global"}})");
    EXPECT_EQ(writeCompact(routingsToJson({})), "{}");
}

TEST(ConvertState, RoutingWhoseKeyLooksLikeARepeatReplacesItInPlace) {
    // Names are copied unchanged, so a target spelled "b#2" meets the second a>b routing's key.
    std::vector<LegacyRouting> routings(3);
    routings[0] = {"a", "b", 0.1f};
    routings[1] = {"a", "b", 0.2f};
    routings[2] = {"a", "b#2", 0.3f};
    EXPECT_EQ(writeCompact(routingsToJson(routings)),
              R"({"a>b":{"source":"a","target":"b","depth":0.1,"scope":"global"},)"
              R"("a>b#2":{"source":"a","target":"b#2","depth":0.3,"scope":"global"}})");
}

TEST(ConvertState, PointSetsAndMsegs) {
    EXPECT_EQ(writeCompact(pointsToJson({})), "{}");
    EXPECT_EQ(writeCompact(pointsToJson({{0.0f, -1.0f, 0.3f}, {0.4f, 1.0f, -0.3f}})),
              R"({"p1":{"time":0,"value":-1,"curve":0.3},"p2":{"time":0.4,"value":1,"curve":-0.3}})");

    LegacyMseg fresh;  // three default points, sustain 1, no loop
    fresh.mseg = 0;
    LegacyMseg looped;
    looped.mseg = 1;
    looped.points = {{0.0f, 0.0f, 0.0f}, {0.5f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {2.0f, 0.5f, 0.1f}};
    looped.sustain = -1;
    looped.loopStart = 1;
    looped.loopEnd = 3;
    LegacyMseg halfLoop;  // a loop start without an end writes neither
    halfLoop.mseg = 4;
    halfLoop.points = {{0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.0f}};
    halfLoop.sustain = 0;
    halfLoop.loopStart = 0;
    halfLoop.loopEnd = -1;
    EXPECT_EQ(writeCompact(msegsToJson({fresh, looped, halfLoop})),
              R"({"mseg1":{"points":{"p1":{"time":0,"value":-1,"curve":0.3},"p2":{"time":0.4,"value":1,"curve":-0.3},)"
              R"("p3":{"time":1.5,"value":-1,"curve":0}},"sustain":"p2"},)"
              R"("mseg2":{"points":{"p1":{"time":0,"value":0,"curve":0},"p2":{"time":0.5,"value":1,"curve":0},)"
              R"("p3":{"time":1,"value":0,"curve":0},"p4":{"time":2,"value":0.5,"curve":0.1}},)"
              R"("loopStart":"p2","loopEnd":"p4"},)"
              R"("mseg5":{"points":{"p1":{"time":0,"value":0,"curve":0},"p2":{"time":1,"value":1,"curve":0}},)"
              R"("sustain":"p1"}})");
}

TEST(ConvertState, LfoShapesStepSeqsAndKnobMotions) {
    EXPECT_EQ(writeCompact(lfoShapesToJson({{0, {0.0f, 0.5f, -1.0f}}, {3, {0.1f}}})),
              R"({"lfo1":[0,0.5,-1],"lfo4":[0.1]})");

    LegacyStepSeq seq;
    seq.stepseq = 1;
    seq.values[0] = 1.0f;
    seq.values[15] = 0.7f;
    seq.length = 12;
    EXPECT_EQ(writeCompact(stepSeqsToJson({seq})),
              R"({"stepseq2":{"values":[1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0.7],"length":12}})");

    LegacyKnobMotion first{"filt_cutoff", 2.0f, 0.5f, {{0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.2f}}};
    LegacyKnobMotion other{"osc1_wt_pos", 1.0f, 1.0f, {}};
    LegacyKnobMotion again{"filt_cutoff", 4.0f, 0.25f, {{0.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}}};
    // The later motion of filt_cutoff replaces the first in its place.
    EXPECT_EQ(writeCompact(knobMotionsToJson({first, other, again})),
              R"({"filt_cutoff":{"lengthSeconds":4,"amount":0.25,"points":{"p1":{"time":0,"value":1,"curve":0},)"
              R"("p2":{"time":1,"value":0,"curve":0}}},)"
              R"("osc1_wt_pos":{"lengthSeconds":1,"amount":1,"points":{}}})");
}

TEST(ConvertState, StateMembersInTheirOrderAndOnlyWhenThePresetHasThem) {
    LegacyPreset bare;
    const test::Converted plain = convertPreset(bare);
    EXPECT_EQ(test::writtenMember(plain, "state"), "{}");

    LegacyPreset preset;
    preset.effectTarget = "delay";
    preset.mpeEnabled = true;
    preset.volumeShaperTable = {0.0f, 1.0f, 0.25f};
    preset.script = "out = lfo1 * 0.5";
    preset.macroNames = {"", "Bright", "", "Space"};
    preset.knobMotions = {{"macro1", 1.0f, 1.0f, {{0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.0f}}}};
    preset.stepSeqs = {LegacyStepSeq{}};
    preset.msegs = {LegacyMseg{}};
    preset.lfoShapes = {{1, {0.5f}}};
    preset.modRoutings = {{"mseg1", "osc1_level", 0.3f}};
    const test::Converted converted = convertPreset(preset);
    std::vector<std::string> keys;
    for (const JsonMember& m : converted.instance.state.members) keys.push_back(m.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"routings", "lfoShapes", "msegs", "stepSeqs", "knobMotions",
                                              "macroNames", "script", "volumeShaper", "mpe", "effectTarget"}));
    EXPECT_EQ(writtenState(converted, "macroNames"), R"({"macro2":"Bright","macro4":"Space"})");
    EXPECT_EQ(writtenState(converted, "script"), R"("out = lfo1 * 0.5")");
    EXPECT_EQ(writtenState(converted, "volumeShaper"), "[0,1,0.25]");
    EXPECT_EQ(writtenState(converted, "mpe"), "true");
    EXPECT_EQ(writtenState(converted, "effectTarget"), R"("delay")");
    EXPECT_EQ(writtenState(converted, "stepSeqs"),
              R"({"stepseq1":{"values":[0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0],"length":16}})");
}

TEST(ConvertState, ExtremeLegacyNumbersMakeKeysWithoutOverflow) {
    LegacyPreset preset;
    preset.lfoShapes = {{2147483647, {1.0f}}, {-1, {2.0f}}};
    preset.stepSeqs.resize(1);
    preset.stepSeqs[0].stepseq = -2147483647 - 1;
    preset.msegs.resize(1);
    preset.msegs[0].sustain = 2147483647;
    const test::Converted converted = convertPreset(preset);
    EXPECT_EQ(writtenState(converted, "lfoShapes"), R"({"lfo2147483648":[1],"lfo0":[2]})");
    EXPECT_EQ(findMember(converted.instance.state, "stepSeqs")->members[0].key, "stepseq-2147483647");
    EXPECT_EQ(writeCompact(*findMember(*findMember(*findMember(converted.instance.state, "msegs"), "mseg1"), "sustain")),
              R"("p2147483648")");
}

TEST(ConvertState, ManyRepeatsOfManyPairsCountEachPairOnItsOwn) {
    std::vector<LegacyRouting> routings(20000);
    for (std::size_t i = 0; i < routings.size(); ++i) {
        routings[i].source = "lfo" + std::to_string(i % 100);
        routings[i].target = "filt_cutoff";
    }
    const JsonValue object = routingsToJson(routings);
    ASSERT_EQ(object.members.size(), routings.size());
    EXPECT_EQ(object.members[100].key, "lfo0>filt_cutoff#2");
    EXPECT_EQ(object.members.back().key, "lfo99>filt_cutoff#200");
}

}  // namespace
}  // namespace orbi
