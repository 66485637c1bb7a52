// Applying an instance document: the plugin and scope checks, parameters by number and by
// choice id with clamping and macros, the descriptive data and the side record.
#include <gtest/gtest.h>

#include "convert/apply_test_support.hpp"
#include "legacy/legacy_preset.hpp"

namespace orbi::test {
namespace {

using Lines = std::vector<std::string>;

TEST(ApplyInstance, RefusesAnotherPluginAndKeepsAnEmptyOne) {
    Applied other = applyText(R"({"kind":"instance","spec":"1.0","plugin":"vexa.synth","meta":{"name":"X"}})");
    EXPECT_FALSE(other.preset);
    EXPECT_EQ(lines(other.diagnostics), (Lines{"E wrong-plugin /plugin | An instance of vexa.synth, not Orbitrone"}));

    // The plugin check refuses only a different non-empty id; the reader notes the missing one.
    Applied unnamed = applyText(R"({"kind":"instance","spec":"1.0","meta":{"name":"Pad"}})");
    ASSERT_TRUE(unnamed.preset);
    EXPECT_EQ(unnamed.preset->name, "Pad");
    EXPECT_EQ(lines(unnamed.diagnostics), (Lines{"W instance-without-plugin /plugin | An instance names its plugin"}));

    // The check is exact: the id in capitals is another plugin.
    Applied capitals = applyText(R"({"kind":"instance","spec":"1.0","plugin":"Orbitrone"})");
    EXPECT_FALSE(capitals.preset);
    EXPECT_EQ(lines(capitals.diagnostics), (Lines{"E wrong-plugin /plugin | An instance of Orbitrone, not Orbitrone"}));
}

TEST(ApplyInstance, NothingWhenTheReaderFails) {
    Applied clip = applyText(R"({"kind":"clip","spec":"1.0"})");
    EXPECT_FALSE(clip.preset);
    EXPECT_EQ(lines(clip.diagnostics), (Lines{R"(E wrong-kind /kind | Expected kind "instance", found "clip")"}));

    Applied array = applyText("[1]");
    EXPECT_FALSE(array.preset);
    EXPECT_EQ(lines(array.diagnostics), (Lines{"E not-a-document  | Expected a JSON object"}));
}

TEST(ApplyInstance, ScopeChecks) {
    Applied section = applyText(orbitrone(R"(,"scope":"filter")"));
    EXPECT_FALSE(section.preset);
    EXPECT_EQ(lines(section.diagnostics),
              (Lines{"E unsupported-scope /scope | Only a whole instrument loads here, not filter"}));

    Applied allowed = applyText(orbitrone(R"(,"scope":"effect_stutter")"), true);
    ASSERT_TRUE(allowed.preset);
    EXPECT_EQ(allowed.preset->scope, 17u);
    EXPECT_TRUE(allowed.diagnostics.empty());

    // Unknown scopes are refused whether or not sections are allowed.
    for (bool allowSections : {false, true}) {
        Applied wrongCase = applyText(orbitrone(R"(,"scope":"Filter")"), allowSections);
        EXPECT_FALSE(wrongCase.preset);
        EXPECT_EQ(lines(wrongCase.diagnostics),
                  (Lines{"E unsupported-scope /scope | Not a scope this build knows: Filter"}));
    }
    Applied empty = applyText(orbitrone(R"(,"scope":"")"));
    EXPECT_EQ(lines(empty.diagnostics), (Lines{"E unsupported-scope /scope | Not a scope this build knows: "}));

    Applied complete = applyText(orbitrone(R"(,"scope":"complete")"));
    ASSERT_TRUE(complete.preset);
    EXPECT_EQ(complete.preset->scope, 0u);
    Applied absent = applyText(orbitrone(""));
    ASSERT_TRUE(absent.preset);
    EXPECT_EQ(absent.preset->scope, 0u);
}

TEST(ApplyInstance, ParametersByNumberAndChoice) {
    Applied a = applyText(orbitrone(R"(,"params":{
        "lfo1_shape":"saw-up", "lfo2_shape":9, "filt_type":2.5, "osc1_tune":12.34, "osc1_detune":150,
        "delay_division":"2-bars", "osc1_unison":8.4, "master_tune":1e300, "stutter_bypass":"on"})"));
    ASSERT_TRUE(a.preset);
    EXPECT_TRUE(a.diagnostics.empty());
    EXPECT_EQ(a.preset->parameters, (std::vector<LegacyParameter>{
                                        {"lfo1_shape", 2.0f},
                                        {"lfo2_shape", 7.0f},       // clamped to the last choice
                                        {"filt_type", 3.0f},        // halves away from zero
                                        {"osc1_tune", 12.34f},      // continuous: not rounded
                                        {"osc1_detune", 100.0f},
                                        {"delay_division", 9.0f},   // its range ends before the list does
                                        {"osc1_unison", 8.0f},
                                        {"master_tune", 1200.0f},   // beyond the float range, then clamped
                                        {"stutter_bypass", 0.0f},
                                    }));
    EXPECT_EQ(a.preset->macros, (std::array<float, 4>{0, 0, 0, 0}));
}

TEST(ApplyInstance, MacroParametersSetTheMacroValues) {
    Applied a = applyText(orbitrone(R"(,"params":{"macro3":0.25,"macro1":2,"macro4":-1,"osc1_level":0.5})"));
    ASSERT_TRUE(a.preset);
    EXPECT_EQ(a.preset->macros, (std::array<float, 4>{1.0f, 0.0f, 0.25f, 0.0f}));
    EXPECT_EQ(a.preset->parameters, (std::vector<LegacyParameter>{{"osc1_level", 0.5f}}));
}

TEST(ApplyInstance, ParameterFindings) {
    Applied a = applyText(orbitrone(R"(,"params":{
        "filt_cutoff":true, "nope":1, "Filt_type":"lp24", "filt_type":"LP24", "filt2_type":"lp24 ",
        "osc1_unison":"on", "a/b~c":2, "lfo3_shape":null, "reverb_mix":0.5})"));
    ASSERT_TRUE(a.preset);
    EXPECT_EQ(lines(a.diagnostics),
              (Lines{
                  // the reader's own findings come first
                  "W wrong-type /params/filt_cutoff | Expected a value or choice id; kept as written, not applied",
                  "W wrong-type /params/lfo3_shape | Expected a value or choice id; kept as written, not applied",
                  "W bad-value /params/filt_cutoff | Neither a number nor a choice; left at its default",
                  "W unknown-param /params/nope | Not a Orbitrone parameter in this build; kept",
                  "W unknown-param /params/Filt_type | Not a Orbitrone parameter in this build; kept",
                  R"(W unknown-choice /params/filt_type | "LP24" is not one of its choices; left at its default)",
                  R"(W unknown-choice /params/filt2_type | "lp24 " is not one of its choices; left at its default)",
                  R"(W unknown-choice /params/osc1_unison | "on" is not one of its choices; left at its default)",
                  // the key goes into the path as it is, without pointer escaping
                  "W unknown-param /params/a/b~c | Not a Orbitrone parameter in this build; kept",
                  "W bad-value /params/lfo3_shape | Neither a number nor a choice; left at its default",
              }));
    EXPECT_EQ(a.preset->parameters, (std::vector<LegacyParameter>{{"reverb_mix", 0.5f}}));
}

TEST(ApplyInstance, DescriptiveData) {
    Applied a = applyText(orbitrone(R"(,
        "meta":{"name":"Glass Pad","category":"Pads","complexity":"simple","tags":["warm",5,"dark",null]},
        "provenance":{"preset":"factory:Glass","edited":true})"));
    ASSERT_TRUE(a.preset);
    EXPECT_EQ(a.preset->name, "Glass Pad");
    EXPECT_EQ(a.preset->category, "Pads");
    EXPECT_EQ(a.preset->complexity, "simple");
    EXPECT_EQ(a.preset->characterTags, (std::vector<std::string>{"warm", "dark"}));
    EXPECT_EQ(a.preset->savedFromMode, "advanced");
    EXPECT_FALSE(a.preset->hasSimpleMeta);
    EXPECT_EQ(a.preset->version, 6);
    EXPECT_EQ(a.side.displayName, "Glass Pad");
    EXPECT_EQ(a.side.provenancePreset, "factory:Glass");
    EXPECT_TRUE(a.side.provenanceEdited);

    // The older place of the name wins when it is not empty.
    Applied older = applyText(orbitrone(R"(,"meta":{"name":"New"},"hints":{"presetName":"Old"})"));
    EXPECT_EQ(older.preset->name, "Old");
    Applied emptyOlder = applyText(orbitrone(R"(,"meta":{"name":"New"},"hints":{"presetName":""})"));
    EXPECT_EQ(emptyOlder.preset->name, "New");

    // Wrong types are passed over without findings.
    Applied wrong = applyText(orbitrone(R"(,"meta":{"name":5,"category":[],"tags":"x"},"provenance":"p")"));
    ASSERT_TRUE(wrong.preset);
    EXPECT_TRUE(wrong.diagnostics.empty());
    EXPECT_EQ(wrong.preset->category, "");
    EXPECT_TRUE(wrong.preset->characterTags.empty());
    EXPECT_EQ(wrong.side.provenancePreset, "");
    EXPECT_FALSE(wrong.side.provenanceEdited);
}

TEST(ApplyInstance, AnEmptyNameIsInit) {
    for (const char* members : {"", R"(,"meta":{"name":""})", R"(,"meta":"Pad")", R"(,"hints":{"presetName":5})"}) {
        Applied a = applyText(orbitrone(members));
        ASSERT_TRUE(a.preset) << members;
        EXPECT_EQ(a.preset->name, "Init") << members;
        EXPECT_EQ(a.side.displayName, "Init") << members;
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

    Applied emptySimple = applyText(orbitrone(R"(,"hints":{"simple":{}})"));
    EXPECT_TRUE(emptySimple.preset->hasSimpleMeta);
    EXPECT_EQ(emptySimple.preset->padX, 0.5f);
    EXPECT_FALSE(emptySimple.preset->padActive);
}

TEST(ApplyInstance, SideRecordHoldsTheInstanceAndOtherEntries) {
    Package package;
    package.document = parseText(orbitrone(R"(,"id":"glass","params":{"osc1_level":0.5},"foo":1)"));
    package.otherEntries.push_back({"notes.txt", {'h', 'i'}, true});
    Applied a = applyPackage(package);
    ASSERT_TRUE(a.preset);
    EXPECT_EQ(a.side.instance.id, "glass");
    EXPECT_EQ(a.side.instance.plugin, "orbitrone");
    ASSERT_EQ(a.side.instance.params.size(), 1u);
    EXPECT_EQ(a.side.instance.params[0].key, "osc1_level");
    ASSERT_EQ(a.side.instance.unread.members.size(), 1u);
    EXPECT_EQ(a.side.instance.unread.members[0].key, "foo");
    ASSERT_EQ(a.side.otherEntries.size(), 1u);
    EXPECT_EQ(a.side.otherEntries[0].name, "notes.txt");
    EXPECT_EQ(a.side.otherEntries[0].data, (std::vector<std::uint8_t>{'h', 'i'}));
    EXPECT_FALSE(a.side.auditionMotif);
}

}  // namespace
}  // namespace orbi::test
