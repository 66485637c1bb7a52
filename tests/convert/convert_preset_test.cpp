// A whole legacy preset converted: the instance document written into the package, parameters
// and macros as params, simple-mode hints, the audition, and what the conversion replaces in an
// instance that was not fresh.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "convert/convert_state.hpp"
#include "convert_test_support.hpp"

namespace orbi::test {
namespace {

LegacyPreset wobble() {
    LegacyPreset preset;
    preset.name = "Wobble";
    preset.category = "Bass";
    preset.characterTags = {"dark", "moving"};
    preset.savedFromMode = "advanced";  // not used: simple-mode data decides
    preset.parameters = {{"filt_type", 3.0f}, {"osc1_level", 0.5f}};
    preset.macros = {0.5f, 0.0f, 0.0f, 0.0f};
    preset.modRoutings = {{"lfo1", "filt_cutoff", 0.5f}};
    preset.wavetable1 = "factory:analog_stack";
    preset.hasSimpleMeta = true;
    preset.metaVersion = 1;
    preset.timbreName = "Bass";
    preset.timbreCategory = "Low";
    preset.blockSteps = {2, -1, -1, -1, 4};
    preset.metaCharacter = {{"warmth", 0.7f}, {"density", 0.1f}};
    preset.padX = 0.25f;
    preset.padActive = true;
    preset.metaEffects = {{"reverb", true, 0.3f, 0.5f}};
    preset.motif = LegacyMotif{4.0f, {{0.0f, 1.0f, 60, 0.8f}, {1.5f, 0.5f, 63, 0.1f}}};
    return preset;
}

TEST(ConvertPreset, WritesTheWholeInstanceDocument) {
    const Converted converted = convertPreset(wobble(), "wobble");
    EXPECT_TRUE(converted.diagnostics.empty());
    EXPECT_EQ(converted.package.documentName, "instance.json");
    EXPECT_TRUE(converted.package.assets.empty());
    EXPECT_EQ(writeCompact(converted.package.document),
              R"({"kind":"instance","spec":"1.0","id":"wobble","plugin":"orbitrone","formatVersion":1,)"
              R"("pluginVersion":"0.7.4","scope":"complete","extensions":["com.quillmark.audition/1"],)"
              R"("meta":{"name":"Wobble","category":"Bass","tags":["dark","moving"]},)"
              R"("params":{"filt_type":"hp12","osc1_level":0.5,"macro1":0.5},)"
              R"("state":{"routings":{"lfo1>filt_cutoff":{"source":"lfo1","target":"filt_cutoff","depth":0.5,"scope":"global"}}},)"
              R"("hints":{"savedFromMode":"simple","simple":{"timbreName":"Bass","timbreCategory":"Low",)"
              R"("character":{"warmth":0.7,"density":0.1,"tone":0.5},"soundMap":{"x":0.25,"y":0.5,"active":true},)"
              R"("effects":{"reverb":{"on":true,"amount":0.3,"character":0.5}}}},)"
              R"("assets":{"osc1.table":"factory:analog_stack"},)"
              R"("audition":{"kind":"clip","spec":"1.0","plugin":"orbitrone","length":4,"grid":"1/16",)"
              R"("notes":[{"at":0,"len":1,"pitch":60,"vel":0.8},{"at":1.5,"len":0.5,"pitch":63,"vel":0.1}]}})");
    // The written document reads back as an instance without a single finding.
    DiagnosticList findings;
    const std::optional<InstanceDocument> reread = readInstanceDocument(converted.package.document, findings);
    ASSERT_TRUE(reread.has_value());
    EXPECT_TRUE(findings.empty());
    ASSERT_TRUE(reread->audition.has_value());
    EXPECT_EQ(reread->audition->notes.size(), 2u);

    LegacyPreset plain;
    plain.name = "Plain";
    EXPECT_EQ(writeCompact(convertPreset(plain, "plain").package.document),
              R"({"kind":"instance","spec":"1.0","id":"plain","plugin":"orbitrone","formatVersion":1,)"
              R"("pluginVersion":"0.7.4","scope":"complete","meta":{"name":"Plain","category":"","tags":[]},)"
              R"("params":{},"state":{},"hints":{"savedFromMode":"advanced"}})");
}

TEST(ConvertPreset, ParamsInLegacyOrderThenMacrosWithoutDefaultsOrClamping) {
    LegacyPreset preset;
    preset.parameters = {{"filt_cutoff", 5000.0f}, {"no_such_param", 3.0f}, {"Filt_cutoff", 100.0f},
                         {"stutter_bypass", 1.0f}};  // defaults and unknown names
    EXPECT_EQ(writtenMember(convertPreset(preset), "params"), "{}");

    // Legacy parameters come sorted by name; params keep that order, macros follow.
    preset.parameters = {
        {"arp_rate", 4.0f},        // kind 6 -> "1-16t"
        {"filt_cutoff", 30000.0f}, // outside 20..20000: not clamped
        {"lfo2_shape", 5.6f},      // rounds to 6: "custom"
        {"lfo3_shape", 7.6f},      // rounds to 8, past the list: the number as given
        {"macro1", 0.9f},          // macros come from the macro values only
        {"master_tune", -1e-7f},   // the float's own spelling
        {"osc1_pan", std::numeric_limits<float>::quiet_NaN()},  // differs from every default: stored
        {"osc1_tune", 12.34f},     // continuous, kept unrounded
        {"osc1_unison", 8.0f},     // stepped: a number
        {"reverb_mix", 0.6f},      // repeated below: replaced in place
        {"stutter_bypass", 0.0f},  // default 1; 0 is "on"
        {"reverb_mix", 0.9f},
        {"osc2_level", 0.5f},
        {"osc2_level", 0.0f},      // a later default does not remove the earlier value
    };
    preset.macros = {0.0f, 0.25f, 0.0f, 1.0f};
    const Converted converted = convertPreset(preset);
    EXPECT_EQ(writtenMember(converted, "params"),
              R"({"arp_rate":"1-16t","filt_cutoff":30000,"lfo2_shape":"custom","lfo3_shape":7.6,)"
              R"("master_tune":-1e-07,"osc1_pan":null,"osc1_tune":12.34,"osc1_unison":8,"reverb_mix":0.9,)"
              R"("stutter_bypass":"on","osc2_level":0.5,"macro2":0.25,"macro4":1})");
    EXPECT_TRUE(converted.diagnostics.empty());
}

TEST(ConvertPreset, ReplacesWhatAnUsedInstanceHeldUnderItsNames) {
    InstanceDocument instance;
    instance.id = "old";
    instance.meta = JsonValue::makeString("not an object");
    instance.provenance = JsonValue::makeString("somewhere");
    instance.hints = parseText(R"({"presetName":"Old","simple":{},"editorZoom":2})");
    instance.state = parseText(R"({"auditionMotif":{},"mpe":true,"panelLayout":"wide"})");
    setEntry(instance.params, "lfo1_shape", JsonValue::makeString("chaos"));
    setEntry(instance.params, "vendor_private", JsonValue::makeNumber(3));
    setEntry(instance.params, "filt_reso", JsonValue::makeNumber(0.7));
    setEntry(instance.assets, "osc2.table", JsonValue::makeString("factory:old"));
    setEntry(instance.assets, "custom.slot", JsonValue::makeString("factory:kept"));
    instance.audition = motifToClip(LegacyMotif{4.0f, {{0.0f, 1.0f, 60, 0.8f}}});

    LegacyPreset preset;
    preset.name = "New";
    preset.scope = 2;
    preset.complexity = "simple";
    preset.sample1 = "factory_sample:choir";
    preset.parameters = {{"filt_reso", 0.2f}, {"lfo1_shape", 0.0f}};
    Package package;
    package.assets.push_back(PackageAsset{"stale", {1, 2, 3}});
    DiagnosticList diagnostics;
    convertLegacyPreset(instance, package, preset, "new", diagnostics);

    EXPECT_EQ(instance.id, "new");
    EXPECT_EQ(instance.scope, "filter");
    EXPECT_TRUE(instance.provenance.isNull());
    EXPECT_FALSE(instance.audition.has_value());
    EXPECT_TRUE(package.assets.empty());  // the package was reset
    // Old registry values are gone (lfo1_shape at its default is not stored again); others stay.
    EXPECT_EQ(writeCompact(memberListValue(instance.params)), R"({"vendor_private":3,"filt_reso":0.2})");
    EXPECT_EQ(writeCompact(instance.meta), R"({"name":"New","category":"","tags":[],"complexity":"simple"})");
    EXPECT_EQ(writeCompact(instance.hints), R"({"editorZoom":2,"savedFromMode":"advanced"})");
    EXPECT_EQ(writeCompact(instance.state), R"({"panelLayout":"wide"})");
    EXPECT_EQ(writeCompact(memberListValue(instance.assets)),
              R"({"custom.slot":"factory:kept","osc1.sample":"factory:choir"})");
    EXPECT_EQ(writeCompact(*findMember(package.document, "scope")), R"("filter")");
    EXPECT_EQ(findMember(package.document, "provenance"), nullptr);

    // Section numbers outside the list are the whole instrument; the body alone writes no document.
    for (const std::uint32_t scope : {17u, 18u, 4294967295u}) {
        preset.scope = scope;
        InstanceDocument body;
        Package bodyPackage;
        convertPresetBody(body, bodyPackage, preset, diagnostics);
        EXPECT_EQ(body.scope, scope == 17u ? "effect_stutter" : "complete") << scope;
        EXPECT_TRUE(bodyPackage.document.isNull());
    }
}

TEST(ConvertPreset, SimpleModeCharacterAndTheAuditionClip) {
    LegacyPreset preset;
    preset.hasSimpleMeta = true;
    preset.metaVersion = 1;  // older data: "tone" and "density" from the block steps, index / 4
    preset.blockSteps = {0, 3, 3, 3, 3};
    EXPECT_EQ(writeCompact(*findMember(simpleToJson(preset), "character")), R"({"tone":0,"density":0.75})");
    preset.blockSteps = {-1, 3, 3, 3, 4};
    EXPECT_EQ(writeCompact(*findMember(simpleToJson(preset), "character")), R"({"density":1})");
    preset.metaVersion = 2;  // current simple-mode data: the character list alone
    preset.metaCharacter = {{"air", 0.5f}, {"air", 0.2f}};
    EXPECT_EQ(writeCompact(simpleToJson(preset)),
              R"({"timbreName":"","timbreCategory":"","character":{"air":0.2},)"
              R"("soundMap":{"x":0.5,"y":0.5,"active":false},"effects":{}})");

    // A motif with a loop length but no notes gives no audition.
    LegacyPreset silent = wobble();
    silent.motif = LegacyMotif{8.0f, {}};
    const Converted converted = convertPreset(silent);
    EXPECT_FALSE(converted.instance.audition.has_value());
    EXPECT_EQ(writtenMember(converted, "audition"), "<absent>");
    EXPECT_EQ(writtenMember(converted, "extensions"), "<absent>");
    EXPECT_EQ(writeCompact(writeClipDocument(motifToClip(LegacyMotif{2.5f, {{0.25f, 0.125f, 48, 1.0f}}}))),
              R"({"kind":"clip","spec":"1.0","plugin":"orbitrone","length":2.5,"grid":"1/16",)"
              R"("notes":[{"at":0.25,"len":0.125,"pitch":48,"vel":1}]})");
}

}  // namespace
}  // namespace orbi::test
