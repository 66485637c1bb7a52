// Applying an instance's state: routings against the modulation sources and the registry,
// drawn LFO shapes, MSEGs with their point ids, step sequencers, knob motions, macro names,
// the smaller members, and the two forms of the audition motif.
#include <gtest/gtest.h>

#include "convert_test_support.hpp"

namespace orbi::test {
namespace {

LegacyPreset applyState(std::string_view state, DiagnosticList* diagnostics = nullptr) {
    Applied a = applyText(orbitrone(std::string(R"(,"state":)") + std::string(state)));
    EXPECT_TRUE(a.preset);
    if (diagnostics != nullptr) *diagnostics = a.diagnostics;
    return a.preset ? *a.preset : LegacyPreset{};
}

TEST(ApplyState, RoutingsFromTheTwentyNineSourcesToRegistryIds) {
    const char* names[] = {"lfo1", "lfo2", "lfo3", "lfo4", "modenv1", "modenv2", "macro1", "macro2",
                           "sample_and_hold", "velocity", "mod_wheel", "aftertouch", "pitch_bend", "mpe_pressure",
                           "mpe_slide", "mpe_glide", "chord_complexity", "note_bloom", "repetition_bloom",
                           "random_voice1", "random_voice2", "mseg1", "mseg2", "keytrack", "macro3", "macro4",
                           "stepseq1", "stepseq2", "note_length"};
    for (int i = 0; i < 29; ++i) EXPECT_EQ(modulationSourceNumber(names[i]), i) << names[i];
    for (const char* other : {"", "lfo5", "LFO1", "lfo1 ", "note_length2"}) EXPECT_EQ(modulationSourceNumber(other), 29) << other;

    DiagnosticList d;
    LegacyPreset p = applyState(R"({"routings":{
        "lfo1>filt_cutoff":{"source":"lfo1","target":"filt_cutoff","depth":0.5,"scope":"voice","audioRate":true,"slewMs":3},
        "lfo1>filt_cutoff#2":{"source":"lfo1","target":"filt_cutoff"},
        "lfo5>filt_cutoff":{"source":"lfo5","target":"filt_cutoff","depth":1},
        "velocity>filt_cutof":{"source":"velocity","target":"filt_cutof"},
        "odd/key":{"source":"note_length","target":"stutter_position","depth":"x","scope":7,"audioRate":"yes"},
        "broken":5,
        "no-source":{"target":"osc1_level"}}})", &d);  // a missing source reads as the empty name
    EXPECT_EQ(p.modRoutings, (std::vector<LegacyRouting>{
                                 {"lfo1", "filt_cutoff", 0.5f, "voice", true, 3.0f},
                                 {"lfo1", "filt_cutoff", 0.0f, "global", false, 0.0f},
                                 {"note_length", "stutter_position", 0.0f, "global", false, 0.0f},
                             }));
    const std::string skipped = " | Its source or target is not in this build; skipped";
    EXPECT_EQ(lines(d), (Lines{
                            "W unknown-routing /state/routings/lfo5>filt_cutoff" + skipped,
                            "W unknown-routing /state/routings/velocity>filt_cutof" + skipped,
                            "W unknown-routing /state/routings/broken" + skipped,
                            "W unknown-routing /state/routings/no-source" + skipped,
                        }));
}

TEST(ApplyState, NumberedKeysLfoShapesAndStepSeqs) {
    EXPECT_EQ(parseNumberedKey("lfo4", "lfo", 4), 3);
    EXPECT_EQ(parseNumberedKey("lfo0001", "lfo", 4), 0);
    for (const char* key : {"lfo", "lfo0", "lfo5", "LFO1", "lfo+1", "lfo 1", "lfo1 ", "lfo-1", "lf1",
                            "lfo99999999999999999999"}) {
        EXPECT_EQ(parseNumberedKey(key, "lfo", 4), -1) << key;
    }
    EXPECT_EQ(parseNumberedKey("n2147483647", "n", 2147483647), 2147483646);
    EXPECT_EQ(parseNumberedKey("n2147483648", "n", 2147483647), -1);
    EXPECT_EQ(parseNumberedKey("", "", 4), -1);

    LegacyPreset p = applyState(R"({"lfoShapes":{
        "lfo1":[0.1,"x",1,true], "lfo5":[1], "lfo02":[2], "lfo3":"flat", "x1":[1], "lfo4":[]}})");
    EXPECT_EQ(p.lfoShapes, (std::vector<LegacyLfoShape>{{0, {0.1f, 0.0f, 1.0f, 0.0f}}, {1, {2.0f}}, {3, {}}}));

    p = applyState(R"({"stepSeqs":{
        "stepseq1":{"values":[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20],"length":40},
        "stepseq2":{"values":[0.5,"x",0.25],"length":0.9},
        "stepseq3":{"length":4},
        "stepseq01":{"length":-3},
        "stepseq02":{"length":7.9,"values":"none"},
        "stepseq1x":{}}})");
    std::array<float, 16> counting{};  // elements past the sixteenth are not used
    for (std::size_t i = 0; i < 16; ++i) counting[i] = static_cast<float>(i + 1);
    EXPECT_EQ(p.stepSeqs, (std::vector<LegacyStepSeq>{{0, counting, 16}, {1, {0.5f, 0.0f, 0.25f}, 1}, {0, {}, 1}, {1, {}, 7}}));
    EXPECT_EQ(applyState(R"({"stepSeqs":{"stepseq1":{}}})").stepSeqs, (std::vector<LegacyStepSeq>{{0, {}, 16}}));
}

TEST(ApplyState, PointSetsMsegsAndKnobMotions) {
    PointSet set = readPointSet(parseText(R"({
        "b":{"time":1,"value":0.5,"curve":0.25}, "a":{"time":1}, "c":{"time":0,"value":"x"}, "d":7})"));
    EXPECT_EQ(set.ids, (std::vector<std::string>{"c", "d", "b", "a"}));
    EXPECT_EQ(set.points, (std::vector<CurvePoint>{{0, 0, 0}, {0, 0, 0}, {1, 0.5f, 0.25f}, {1, 0, 0}}));
    EXPECT_TRUE(readPointSet(parseText("{}")).points.empty());

    LegacyPreset p = applyState(R"({"msegs":{
        "mseg1":{"points":{"p2":{"time":0.5,"value":1},"p1":{"time":0.1,"value":-1,"curve":0.3}},"sustain":"p2","loopStart":"p1"},
        "mseg2":{"points":{"p1":{"time":0},"p2":{"time":1},"p3":{"time":2}},"loopStart":"p1","loopEnd":"p3","sustain":"p9"},
        "mseg3":{"points":{}},
        "mseg01":{"points":[1,2]},
        "mseg02":{"points":{"p1":{"time":0}},"sustain":2,"loopStart":"p1","loopEnd":"p1"}}})");
    // mseg1: sorted by time, the sustain follows its point, a loop needs both ends; mseg2: a sustain
    // naming no point; mseg02 (mseg 2 again): a sustain that is not a string.
    EXPECT_EQ(p.msegs, (std::vector<LegacyMseg>{{0, {{0.1f, -1.0f, 0.3f}, {0.5f, 1.0f, 0.0f}}, 1, -1, -1},
                                                {1, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, -1, 0, 2},
                                                {1, {{0, 0, 0}}, -1, 0, 0}}));

    p = applyState(R"({"knobMotions":{
        "filt_cutoff":{"lengthSeconds":2,"amount":0.5,"points":{"p2":{"time":1,"value":0.8},"p1":{"time":0,"value":0.2,"curve":0.1}}},
        "not_a_param":{},
        "osc1_level":{"points":[]}}})");
    EXPECT_EQ(p.knobMotions, (std::vector<LegacyKnobMotion>{{"filt_cutoff", 2.0f, 0.5f, {{0, 0.2f, 0.1f}, {1, 0.8f, 0}}},
                                                            {"not_a_param", 1.0f, 1.0f, {}},
                                                            {"osc1_level", 1.0f, 1.0f, {}}}));
}

TEST(ApplyState, MacroNamesAndSmallMembers) {
    LegacyPreset p = applyState(R"({"macroNames":{"macro1":"Cut","macro3":"Space","macro2":5,"macro5":"X"},
        "script":"return 1","volumeShaper":[0,0.5,"a"],"mpe":true,"effectTarget":"delay"})");
    EXPECT_EQ(p.macroNames, (std::array<std::string, 4>{"Cut", "", "Space", ""}));
    EXPECT_EQ(p.script, "return 1");
    EXPECT_EQ(p.volumeShaperTable, (std::vector<float>{0.0f, 0.5f, 0.0f}));
    EXPECT_TRUE(p.mpeEnabled);
    EXPECT_EQ(p.effectTarget, "delay");

    DiagnosticList d;
    LegacyPreset wrong = applyState(R"({"script":5,"volumeShaper":{},"mpe":"yes","effectTarget":[],
        "routings":[],"lfoShapes":[],"msegs":5,"stepSeqs":"x","knobMotions":null,"macroNames":[]})", &d);
    EXPECT_TRUE(d.empty());
    LegacyPreset untouched;
    untouched.name = "Init";
    untouched.savedFromMode = "advanced";
    EXPECT_EQ(wrong, untouched);

    // A state that is not an object applies nothing and draws no finding either.
    EXPECT_EQ(applyState("[1,2]", &d), untouched);
    EXPECT_TRUE(d.empty());
}

TEST(ApplyState, OlderMotifIntoTheSideRecordAndTheMotifFromTheAuditionClip) {
    Applied a = applyText(orbitrone(R"(,"state":{"auditionMotif":{"loopBeats":40,"notes":{
        "a":{"startBeat":0,"lengthBeats":1,"note":60.7,"velocity":1.5},
        "b":{"startBeat":31.5,"lengthBeats":0.5},
        "c":5,
        "d":{"note":128},
        "e":{"startBeat":-1},
        "f":{"lengthBeats":0},
        "g":{},
        "h":{"startBeat":2,"lengthBeats":0.5,"note":-3.9,"velocity":-1}}}})"));
    ASSERT_TRUE(a.preset);
    EXPECT_FALSE(a.preset->motif);  // only the audition clip makes the preset's motif
    ASSERT_TRUE(a.side.auditionMotif);
    EXPECT_EQ(a.side.auditionMotif->loopBeats, 32.0f);
    EXPECT_EQ(a.side.auditionMotif->notes, (std::vector<LegacyMotifNote>{
                                               {0.0f, 1.0f, 60, 1.0f},
                                               {0.0f, 1.0f, 60, 0.8f},
                                               {2.0f, 0.5f, -3, 0.0f},
                                           }));

    Applied shortLoop = applyText(orbitrone(R"(,"state":{"auditionMotif":{"loopBeats":0.5,"notes":[{"startBeat":0}]}})"));
    ASSERT_TRUE(shortLoop.side.auditionMotif);
    EXPECT_EQ(shortLoop.side.auditionMotif->loopBeats, 1.0f);
    EXPECT_TRUE(shortLoop.side.auditionMotif->notes.empty());  // "notes" must be an object

    Applied notObject = applyText(orbitrone(R"(,"state":{"auditionMotif":[1]})"));
    EXPECT_FALSE(notObject.side.auditionMotif);

    // The preset's own motif comes from the audition clip.
    a = applyText(orbitrone(R"(,"audition":{"kind":"clip","spec":"1.0","length":2,"notes":[
        {"at":0,"len":0.5,"pitch":60.5,"vel":0.7},
        {"at":1,"nudge":0.25,"len":0.5,"pitch":64},
        {"at":1.5,"len":0.5,"pitch":67},
        {"at":0,"pitch":50},
        {"len":1,"pitch":50},
        {"at":0,"len":1,"voice":"kick"},
        {"at":0.5,"len":0.25,"pitch":-0.5,"vel":3},
        {"at":0,"len":1,"pitch":127.5},
        "bad"]})"));
    ASSERT_TRUE(a.preset);
    ASSERT_TRUE(a.preset->motif);
    EXPECT_EQ(a.preset->motif->loopBeats, 2.0f);
    EXPECT_EQ(a.preset->motif->notes, (std::vector<LegacyMotifNote>{
                                          {0.0f, 0.5f, 61, 0.7f},   // halves away from zero
                                          {1.25f, 0.5f, 64, 1.0f},  // start = at + nudge; vel defaults to 1
                                          {0.5f, 0.25f, -1, 1.0f},
                                      }));

    Applied long_ = applyText(orbitrone(R"(,"audition":{"kind":"clip","spec":"1.0","length":100,"notes":[{"at":40,"len":1,"pitch":60}]})"));
    EXPECT_FALSE(long_.preset->motif);  // loop clamped to 32 beats; the note lies beyond it

    Applied noNotes = applyText(orbitrone(R"(,"audition":{"kind":"clip","spec":"1.0"})"));
    ASSERT_TRUE(noNotes.preset);
    EXPECT_FALSE(noNotes.preset->motif);

    Applied tiny = applyText(orbitrone(R"(,"audition":{"kind":"clip","spec":"1.0","length":0.25,"notes":[{"at":0,"len":0.5,"pitch":60}]})"));
    ASSERT_TRUE(tiny.preset->motif);
    EXPECT_EQ(tiny.preset->motif->loopBeats, 1.0f);
}

}  // namespace
}  // namespace orbi::test
