// A whole legacy preset converted: the instance document written into the package, exactly as
// it will be stored, and what the conversion replaces in an instance that was not fresh.
#include <gtest/gtest.h>

#include <string>

#include "convert/convert_state.hpp"
#include "convert_test_support.hpp"
#include "json/json_writer.hpp"

namespace orbi {
namespace {

using test::convertPreset;
using test::writtenMember;

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
    const test::Converted converted = convertPreset(wobble(), "wobble");
    EXPECT_TRUE(converted.diagnostics.empty());
    EXPECT_EQ(converted.package.documentName, "instance.json");
    EXPECT_TRUE(converted.package.assets.empty());
    EXPECT_EQ(writeDocument(converted.package.document), R"({
  "kind": "instance",
  "spec": "1.0",
  "id": "wobble",
  "plugin": "orbitrone",
  "formatVersion": 1,
  "pluginVersion": "0.7.4",
  "scope": "complete",
  "extensions": ["com.quillmark.audition/1"],
  "meta": {
    "name": "Wobble",
    "category": "Bass",
    "tags": ["dark","moving"]
  },
  "params": {
    "filt_type": "hp12",
    "osc1_level": 0.5,
    "macro1": 0.5
  },
  "state": {
    "routings": {
      "lfo1>filt_cutoff": {
        "source": "lfo1",
        "target": "filt_cutoff",
        "depth": 0.5,
        "scope": "global"
      }
    }
  },
  "hints": {
    "savedFromMode": "simple",
    "simple": {
      "timbreName": "Bass",
      "timbreCategory": "Low",
      "character": {
        "warmth": 0.7,
        "density": 0.1,
        "tone": 0.5
      },
      "soundMap": {
        "x": 0.25,
        "y": 0.5,
        "active": true
      },
      "effects": {
        "reverb": {
          "on": true,
          "amount": 0.3,
          "character": 0.5
        }
      }
    }
  },
  "assets": {
    "osc1.table": "factory:analog_stack"
  },
  "audition": {
    "kind": "clip",
    "spec": "1.0",
    "plugin": "orbitrone",
    "length": 4,
    "grid": "1/16",
    "notes": [
      {
        "at": 0,
        "len": 1,
        "pitch": 60,
        "vel": 0.8
      },
      {
        "at": 1.5,
        "len": 0.5,
        "pitch": 63,
        "vel": 0.1
      }
    ]
  }
}
)");

    // The written document reads back as an instance without a single finding.
    DiagnosticList findings;
    const std::optional<InstanceDocument> reread = readInstanceDocument(converted.package.document, findings);
    ASSERT_TRUE(reread.has_value());
    EXPECT_TRUE(findings.empty());
    ASSERT_TRUE(reread->audition.has_value());
    EXPECT_EQ(reread->audition->notes.size(), 2u);
}

TEST(ConvertPreset, MinimalPresetHasOnlyTheFixedMembers) {
    LegacyPreset preset;
    preset.name = "Plain";
    preset.complexity = "";
    const test::Converted converted = convertPreset(preset, "plain");
    EXPECT_EQ(writeDocument(converted.package.document), R"({
  "kind": "instance",
  "spec": "1.0",
  "id": "plain",
  "plugin": "orbitrone",
  "formatVersion": 1,
  "pluginVersion": "0.7.4",
  "scope": "complete",
  "meta": {
    "name": "Plain",
    "category": "",
    "tags": []
  },
  "params": {},
  "state": {},
  "hints": {
    "savedFromMode": "advanced"
  }
}
)");
}

TEST(ConvertPreset, SimpleModeCharacterFromOlderBlockSteps) {
    LegacyPreset preset;
    preset.hasSimpleMeta = true;
    preset.metaVersion = 1;
    preset.blockSteps = {0, 3, 3, 3, 3};
    EXPECT_EQ(writeCompact(*findMember(simpleToJson(preset), "character")), R"({"tone":0,"density":0.75})");
    preset.blockSteps = {-1, 3, 3, 3, 4};
    EXPECT_EQ(writeCompact(*findMember(simpleToJson(preset), "character")), R"({"density":1})");
    preset.metaVersion = 2;  // current simple-mode data: the character list alone
    preset.metaCharacter = {{"air", 0.5f}, {"air", 0.2f}};
    EXPECT_EQ(writeCompact(simpleToJson(preset)),
              R"({"timbreName":"","timbreCategory":"","character":{"air":0.2},)"
              R"("soundMap":{"x":0.5,"y":0.5,"active":false},"effects":{}})");
}

TEST(ConvertPreset, MotifWithoutNotesGivesNoAudition) {
    LegacyPreset preset = wobble();
    preset.motif = LegacyMotif{8.0f, {}};
    const test::Converted converted = convertPreset(preset);
    EXPECT_FALSE(converted.instance.audition.has_value());
    EXPECT_EQ(writtenMember(converted, "audition"), "<absent>");
    EXPECT_EQ(writtenMember(converted, "extensions"), "<absent>");

    const ClipDocument clip = motifToClip(LegacyMotif{2.5f, {{0.25f, 0.125f, 48, 1.0f}}});
    EXPECT_EQ(writeCompact(writeClipDocument(clip)),
              R"({"kind":"clip","spec":"1.0","plugin":"orbitrone","length":2.5,"grid":"1/16",)"
              R"("notes":[{"at":0.25,"len":0.125,"pitch":48,"vel":1}]})");
}

TEST(ConvertPreset, ReplacesWhatAnUsedInstanceHeldUnderItsNames) {
    InstanceDocument instance;
    instance.id = "old";
    instance.meta = JsonValue::makeString("not an object");
    instance.provenance = JsonValue::makeString("somewhere");
    instance.hints = JsonValue::makeObject();
    setMember(instance.hints, "presetName", JsonValue::makeString("Old"));
    setMember(instance.hints, "simple", JsonValue::makeObject());
    setMember(instance.hints, "editorZoom", JsonValue::makeNumber(2));
    instance.state = JsonValue::makeObject();
    setMember(instance.state, "auditionMotif", JsonValue::makeObject());
    setMember(instance.state, "mpe", JsonValue::makeBool(true));
    setMember(instance.state, "panelLayout", JsonValue::makeString("wide"));
    setEntry(instance.assets, "osc2.table", JsonValue::makeString("factory:old"));
    setEntry(instance.assets, "custom.slot", JsonValue::makeString("factory:kept"));
    instance.audition = motifToClip(LegacyMotif{4.0f, {{0.0f, 1.0f, 60, 0.8f}}});

    LegacyPreset preset;
    preset.name = "New";
    preset.scope = 2;
    preset.complexity = "simple";
    preset.sample1 = "factory_sample:choir";
    Package package;
    package.assets.push_back(PackageAsset{"stale", {1, 2, 3}});
    DiagnosticList diagnostics;
    convertLegacyPreset(instance, package, preset, "new", diagnostics);

    EXPECT_EQ(instance.id, "new");
    EXPECT_EQ(instance.scope, "filter");
    EXPECT_TRUE(instance.provenance.isNull());
    EXPECT_FALSE(instance.audition.has_value());
    EXPECT_TRUE(package.assets.empty());  // the package was reset
    EXPECT_EQ(writeCompact(instance.meta), R"({"name":"New","category":"","tags":[],"complexity":"simple"})");
    EXPECT_EQ(writeCompact(instance.hints), R"({"editorZoom":2,"savedFromMode":"advanced"})");
    EXPECT_EQ(writeCompact(instance.state), R"({"panelLayout":"wide"})");
    EXPECT_EQ(writeCompact(memberListValue(instance.assets)),
              R"({"custom.slot":"factory:kept","osc1.sample":"factory:choir"})");
    EXPECT_EQ(writeCompact(*findMember(package.document, "scope")), R"("filter")");
    EXPECT_EQ(findMember(package.document, "provenance"), nullptr);
}

TEST(ConvertPreset, SectionNumbersOutsideTheListAreTheWholeInstrument) {
    for (const std::uint32_t scope : {0u, 17u, 18u, 4294967295u}) {
        LegacyPreset preset;
        preset.scope = scope;
        InstanceDocument instance;
        Package package;
        DiagnosticList diagnostics;
        convertPresetBody(instance, package, preset, diagnostics);
        EXPECT_EQ(instance.scope, scope == 17u ? "effect_stutter" : "complete") << scope;
        EXPECT_TRUE(package.document.isNull());  // the body alone writes no document
    }
}

}  // namespace
}  // namespace orbi
