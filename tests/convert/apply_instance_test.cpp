// Applying an instance document: the plugin and scope checks, parameters by number and by
// choice id with clamping and macros, the descriptive data and the side record.
#include <gtest/gtest.h>

#include "convert_test_support.hpp"

namespace orbi::test {
namespace {

TEST(ApplyInstance, PluginAndScopeChecks) {
    struct Case {
        std::string text;
        bool allowSections;
        Lines findings;
        int scope;  // of the applied preset, or -1 when nothing is applied
    };
    const std::string bad = "E unsupported-scope /scope | ";
    const Case cases[] = {
        {R"({"kind":"instance","spec":"1.0","plugin":"vexa.synth"})", false,
         {"E wrong-plugin /plugin | An instance of vexa.synth, not Orbitrone"}, -1},
        {R"({"kind":"instance","spec":"1.0","plugin":"Orbitrone"})", false,  // the check is exact
         {"E wrong-plugin /plugin | An instance of Orbitrone, not Orbitrone"}, -1},
        // Only a different non-empty id is refused; the reader notes the missing one.
        {R"({"kind":"instance","spec":"1.0"})", false, {"W instance-without-plugin /plugin | An instance names its plugin"}, 0},
        {R"({"kind":"clip","spec":"1.0"})", false, {R"(E wrong-kind /kind | Expected kind "instance", found "clip")"}, -1},
        {orbitrone(R"(,"scope":"filter")"), false, {bad + "Only a whole instrument loads here, not filter"}, -1},
        {orbitrone(R"(,"scope":"effect_stutter")"), true, {}, 17},
        {orbitrone(R"(,"scope":"Filter")"), false, {bad + "Not a scope this build knows: Filter"}, -1},
        {orbitrone(R"(,"scope":"Filter")"), true, {bad + "Not a scope this build knows: Filter"}, -1},
        {orbitrone(R"(,"scope":"")"), false, {bad + "Not a scope this build knows: "}, -1},
        {orbitrone(R"(,"scope":"complete")"), false, {}, 0},
    };
    for (const Case& c : cases) {
        Applied a = applyText(c.text, c.allowSections);
        EXPECT_EQ(lines(a.diagnostics), c.findings) << c.text;
        EXPECT_EQ(a.preset ? static_cast<int>(a.preset->scope) : -1, c.scope) << c.text;
    }
}

TEST(ApplyInstance, ParametersByNumberAndChoiceAndMacros) {
    Applied a = applyText(orbitrone(R"(,"params":{
        "lfo1_shape":"saw-up", "lfo2_shape":9, "filt_type":2.5, "osc1_tune":12.34, "osc1_detune":150,
        "delay_division":"2-bars", "master_tune":1e300, "stutter_bypass":"on",
        "macro3":0.25, "macro1":2, "macro4":-1})"));
    ASSERT_TRUE(a.preset);
    EXPECT_TRUE(a.diagnostics.empty());
    EXPECT_EQ(a.preset->parameters, (std::vector<LegacyParameter>{
                                        {"lfo1_shape", 2.0f},
                                        {"lfo2_shape", 7.0f},       // clamped to the last choice
                                        {"filt_type", 3.0f},        // halves away from zero
                                        {"osc1_tune", 12.34f},      // continuous: not rounded
                                        {"osc1_detune", 100.0f},
                                        {"delay_division", 9.0f},   // its range ends before the list does
                                        {"master_tune", 1200.0f},   // beyond the float range, then clamped
                                        {"stutter_bypass", 0.0f},
                                    }));
    // Macro parameters set the macro values (clamped) and add no parameter entry.
    EXPECT_EQ(a.preset->macros, (std::array<float, 4>{1.0f, 0.0f, 0.25f, 0.0f}));
}

TEST(ApplyInstance, ParameterFindings) {
    Applied a = applyText(orbitrone(R"(,"params":{
        "filt_cutoff":true, "nope":1, "filt_type":"LP24", "filt2_type":"lp24 ",
        "osc1_unison":"on", "a/b~c":2, "lfo3_shape":null, "reverb_mix":0.5})"));
    ASSERT_TRUE(a.preset);
    EXPECT_EQ(lines(a.diagnostics),
              (Lines{
                  // the reader's own findings come first
                  "W wrong-type /params/filt_cutoff | Expected a value or choice id; kept as written, not applied",
                  "W wrong-type /params/lfo3_shape | Expected a value or choice id; kept as written, not applied",
                  "W bad-value /params/filt_cutoff | Neither a number nor a choice; left at its default",
                  "W unknown-param /params/nope | Not a Orbitrone parameter in this build; kept",
                  R"(W unknown-choice /params/filt_type | "LP24" is not one of its choices; left at its default)",
                  R"(W unknown-choice /params/filt2_type | "lp24 " is not one of its choices; left at its default)",
                  R"(W unknown-choice /params/osc1_unison | "on" is not one of its choices; left at its default)",
                  // the key goes into the path as it is, without pointer escaping
                  "W unknown-param /params/a/b~c | Not a Orbitrone parameter in this build; kept",
                  "W bad-value /params/lfo3_shape | Neither a number nor a choice; left at its default",
              }));
    EXPECT_EQ(a.preset->parameters, (std::vector<LegacyParameter>{{"reverb_mix", 0.5f}}));
}

TEST(ApplyInstance, DescriptiveDataAndTheSideRecord) {
    Package package;
    package.document = parseText(orbitrone(R"(,"id":"glass","foo":1,
        "meta":{"name":"Glass Pad","category":"Pads","complexity":"simple","tags":["warm",5,"dark",null]},
        "provenance":{"preset":"factory:Glass","edited":true})"));
    package.otherEntries.push_back({"notes.txt", {'h', 'i'}, true});
    Applied a = applyPackage(package);
    ASSERT_TRUE(a.preset);
    EXPECT_EQ(a.preset->name, "Glass Pad");
    EXPECT_EQ(a.preset->category, "Pads");
    EXPECT_EQ(a.preset->complexity, "simple");
    EXPECT_EQ(a.preset->characterTags, (std::vector<std::string>{"warm", "dark"}));
    EXPECT_EQ(a.preset->savedFromMode, "advanced");
    EXPECT_FALSE(a.preset->hasSimpleMeta);
    EXPECT_EQ(a.side.displayName, "Glass Pad");
    EXPECT_EQ(a.side.provenancePreset, "factory:Glass");
    EXPECT_TRUE(a.side.provenanceEdited);
    EXPECT_EQ(a.side.instance.id, "glass");
    EXPECT_EQ(writeCompact(a.side.instance.unread), R"({"foo":1})");
    ASSERT_EQ(a.side.otherEntries.size(), 1u);
    EXPECT_EQ(a.side.otherEntries[0].name, "notes.txt");
    EXPECT_EQ(a.side.otherEntries[0].data, (std::vector<std::uint8_t>{'h', 'i'}));
    EXPECT_FALSE(a.side.auditionMotif);

    // The older place of the name wins when it is not empty.
    EXPECT_EQ(applyText(orbitrone(R"(,"meta":{"name":"New"},"hints":{"presetName":"Old"})")).preset->name, "Old");
    EXPECT_EQ(applyText(orbitrone(R"(,"meta":{"name":"New"},"hints":{"presetName":""})")).preset->name, "New");

    // Wrong types are passed over without findings.
    Applied wrong = applyText(orbitrone(R"(,"meta":{"name":5,"category":[],"tags":"x"},"provenance":"p")"));
    ASSERT_TRUE(wrong.preset);
    EXPECT_TRUE(wrong.diagnostics.empty());
    EXPECT_EQ(wrong.preset->category, "");
    EXPECT_TRUE(wrong.preset->characterTags.empty());
    EXPECT_EQ(wrong.side.provenancePreset, "");
    EXPECT_FALSE(wrong.side.provenanceEdited);

    // An empty display name is "Init".
    for (const char* members : {"", R"(,"meta":{"name":""})", R"(,"meta":"Pad")", R"(,"hints":{"presetName":5})"}) {
        Applied init = applyText(orbitrone(members));
        ASSERT_TRUE(init.preset) << members;
        EXPECT_EQ(init.preset->name, "Init") << members;
        EXPECT_EQ(init.side.displayName, "Init") << members;
    }
}

TEST(ApplyInstance, SimpleModeHint) {
    Applied a = applyText(orbitrone(R"(,"hints":{"savedFromMode":"advanced","simple":{
        "timbreName":"Bright","timbreCategory":"Keys",
        "character":{"bright":0.7,"warm":"x"},
        "soundMap":{"x":0.2,"active":true},
        "effects":{"reverb":{"on":true,"amount":0.3},"delay":{},"chorus":3}}})"));
    ASSERT_TRUE(a.preset);
    const LegacyPreset& p = *a.preset;
    EXPECT_TRUE(p.hasSimpleMeta);
    EXPECT_EQ(p.savedFromMode, "beginner");  // the hint "savedFromMode" is not read
    EXPECT_EQ(p.timbreName, "Bright");
    EXPECT_EQ(p.timbreCategory, "Keys");
    EXPECT_EQ(p.metaCharacter, (std::vector<MetaCharacter>{{"bright", 0.7f}, {"warm", 0.5f}}));
    EXPECT_EQ(p.padX, 0.2f);
    EXPECT_EQ(p.padY, 0.5f);
    EXPECT_TRUE(p.padActive);
    EXPECT_EQ(p.metaEffects, (std::vector<MetaEffect>{{"reverb", true, 0.3f, 0.5f},
                                                       {"delay", false, 0.5f, 0.5f},
                                                       {"chorus", false, 0.5f, 0.5f}}));
    EXPECT_EQ(p.metaVersion, 2);
    EXPECT_EQ(p.blockSteps, (std::array<std::int32_t, 5>{-1, -1, -1, -1, -1}));

    Applied notObject = applyText(orbitrone(R"(,"hints":{"savedFromMode":"simple","simple":true})"));
    EXPECT_FALSE(notObject.preset->hasSimpleMeta);
    EXPECT_EQ(notObject.preset->savedFromMode, "advanced");
}

}  // namespace
}  // namespace orbi::test
