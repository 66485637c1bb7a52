// Modulation and editor state: routings with repeat keys, LFO shapes, MSEGs, step sequencers,
// knob motions, macro names and the smaller members, in their fixed order.
#include <gtest/gtest.h>

#include "convert/convert_state.hpp"
#include "convert_test_support.hpp"

namespace orbi::test {
namespace {

TEST(ConvertState, RoutingsGetRepeatKeysAndOptionalMembers) {
    std::vector<LegacyRouting> routings = {{"lfo1", "filt_cutoff", 0.5f, "global", false, 0.0f},
                                           {"lfo1", "filt_cutoff", -0.25f, "voice", true, 12.5f},
                                           {"lfo1", "filt_reso", 1.0f, "", false, 0.0f},  // written "global"
                                           {"lfo1", "filt_cutoff", 0.1f, "global", false, 0.0f}};
    EXPECT_EQ(writeCompact(routingsToJson(routings)),
              R"({"lfo1>filt_cutoff":{"source":"lfo1","target":"filt_cutoff","depth":0.5,"scope":"global"},)"
              R"("lfo1>filt_cutoff#2":{"source":"lfo1","target":"filt_cutoff","depth":-0.25,"scope":"voice",)"
              R"("audioRate":true,"slewMs":12.5},)"
              R"("lfo1>filt_reso":{"source":"lfo1","target":"filt_reso","depth":1,"scope":"global"},)"
              R"("lfo1>filt_cutoff#3":{"source":"lfo1","target":"filt_cutoff","depth":0.1,"scope":"global"}})");
    EXPECT_EQ(writeCompact(routingsToJson({})), "{}");

    // Names are copied unchanged, so a target spelled "b#2" meets the second a>b routing's key
    // and replaces it in place.
    routings = {{"a", "b", 0.1f}, {"a", "b", 0.2f}, {"a", "b#2", 0.3f}};
    EXPECT_EQ(writeCompact(routingsToJson(routings)),
              R"({"a>b":{"source":"a","target":"b","depth":0.1,"scope":"global"},)"
              R"("a>b#2":{"source":"a","target":"b#2","depth":0.3,"scope":"global"}})");
}

TEST(ConvertState, MsegsWithTheirPointSets) {
    const LegacyMseg fresh;  // three default points, sustain 1, no loop
    const LegacyMseg looped{1, {{0.0f, 0.0f, 0.0f}, {0.5f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {2.0f, 0.5f, 0.1f}}, -1, 1, 3};
    const LegacyMseg halfLoop{4, {{0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.0f}}, 0, 0, -1};  // a loop start alone: neither
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

    LegacyStepSeq seq{1, {}, 12};
    seq.values[0] = 1.0f;
    seq.values[15] = 0.7f;
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
    EXPECT_EQ(writtenMember(convertPreset(LegacyPreset{}), "state"), "{}");

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
    const Converted converted = convertPreset(preset);
    Lines keys;
    for (const JsonMember& m : converted.instance.state.members) keys.push_back(m.key);
    EXPECT_EQ(keys, (Lines{"routings", "lfoShapes", "msegs", "stepSeqs", "knobMotions", "macroNames", "script",
                           "volumeShaper", "mpe", "effectTarget"}));
    EXPECT_EQ(writtenState(converted, "macroNames"), R"({"macro2":"Bright","macro4":"Space"})");
    EXPECT_EQ(writtenState(converted, "volumeShaper") + writtenState(converted, "mpe") +
                  writtenState(converted, "script") + writtenState(converted, "effectTarget"),
              R"([0,1,0.25]true"out = lfo1 * 0.5""delay")");
}

TEST(ConvertState, ExtremeNumbersAndManyRepeatsMakeKeysWithoutOverflow) {
    LegacyPreset preset;
    preset.lfoShapes = {{2147483647, {1.0f}}, {-1, {2.0f}}};
    preset.stepSeqs.resize(1);
    preset.stepSeqs[0].stepseq = -2147483647 - 1;
    preset.msegs.resize(1);
    preset.msegs[0].sustain = 2147483647;
    const Converted converted = convertPreset(preset);
    EXPECT_EQ(writtenState(converted, "lfoShapes"), R"({"lfo2147483648":[1],"lfo0":[2]})");
    EXPECT_EQ(findMember(converted.instance.state, "stepSeqs")->members[0].key, "stepseq-2147483647");
    EXPECT_EQ(writeCompact(*findMember(*findMember(*findMember(converted.instance.state, "msegs"), "mseg1"), "sustain")),
              R"("p2147483648")");

    // Each source-target pair counts its repeats on its own.
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
}  // namespace orbi::test
