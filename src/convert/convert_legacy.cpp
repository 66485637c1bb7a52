// The conversion in two layers: the preset body (sound data into params, state, assets and
// hints) and the whole preset (identity, metadata, audition, and the written document in the
// package). Each step replaces what an earlier content of the instance held under the same
// names, so converting into an instance that is not fresh leaves no stale values behind.
#include "convert/convert_legacy.hpp"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/convert_identity.hpp"
#include "convert/convert_messages.hpp"
#include "convert/convert_state.hpp"
#include "convert/package_assets.hpp"
#include "model/asset_slots.hpp"
#include "model/float_number.hpp"
#include "model/instance_members.hpp"
#include "model/param_values.hpp"
#include "model/parameter_registry.hpp"
#include "model/sections.hpp"

namespace orbi {

namespace {

using BundleFileMap = std::map<std::string, std::vector<std::uint8_t>>;

// The files a legacy bundle carries, handed to the package one slot at a time: copied when the
// caller keeps the preset, moved when it gave it up. A file used by several slots is hashed and
// stored once; later slots get the reference of the first.
class CarriedFiles {
public:
    CarriedFiles(const BundleFileMap& files, BundleFileMap* movable) : files_(files), movable_(movable) {}

    // "asset:" + digest for the named file, or nothing when the bundle does not carry it.
    std::optional<std::string> store(Package& package, const std::string& name) {
        for (const auto& [storedName, reference] : stored_) {
            if (storedName == name) return reference;
        }
        const auto found = files_.find(name);
        if (found == files_.end()) return std::nullopt;
        std::vector<std::uint8_t> bytes;
        if (movable_ != nullptr) {
            bytes = std::move(movable_->find(name)->second);
        } else {
            bytes = found->second;
        }
        std::string reference = addPackageAsset(package, std::move(bytes));
        stored_.emplace_back(name, reference);
        return reference;
    }

private:
    const BundleFileMap& files_;
    BundleFileMap* movable_;
    std::vector<std::pair<std::string, std::string>> stored_;
};

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The legacy references in the order of kAssetSlots.
std::array<const std::string*, 5> legacyReferences(const LegacyPreset& preset) {
    return {&preset.wavetable1, &preset.wavetable2, &preset.sample1, &preset.sample2, &preset.sample3};
}

// The user file a carried file was imported from: the first wavetable record whose path is the
// name, else the first sample record; empty name and file when neither matches.
JsonValue importRecord(const LegacyPreset& preset, const std::string& carriedName) {
    std::string name;
    std::string file;
    bool matched = false;
    for (const WavetableRecord& record : preset.bundledWavetables) {
        if (record.path == carriedName) {
            name = record.name;
            file = record.sourceFile;
            matched = true;
            break;
        }
    }
    if (!matched) {
        for (const SampleRecord& record : preset.bundledSamples) {
            if (record.path == carriedName) {
                name = record.name;
                file = record.sourceFile;
                break;
            }
        }
    }
    JsonValue import = JsonValue::makeObject();
    setMember(import, member::kImportName, JsonValue::makeString(std::move(name)));
    setMember(import, member::kImportFile, JsonValue::makeString(std::move(file)));
    return import;
}

std::string factoryReference(std::string_view name) {
    std::string reference(kFactoryRefPrefix);
    reference.append(name);
    return reference;
}

void convertParameters(InstanceDocument& instance, const LegacyPreset& preset) {
    // Every registry id goes first, so values at their default (which are never stored) do not
    // leave an older value standing; entries under other keys are not ours to drop.
    for (std::size_t index = 0; index < paramCount(); ++index) removeEntry(instance.params, paramAt(index).id);
    for (const LegacyParameter& parameter : preset.parameters) {
        const std::size_t index = findParam(parameter.name);
        if (index == kUnknownParam || macroNumberOf(index) != 0) continue;
        setParamValue(instance, index, parameter.value);
    }
    for (std::size_t k = 0; k < kMacroSlots.size(); ++k) setParamValue(instance, kMacroSlots[k], preset.macros[k]);
}

constexpr std::array<std::string_view, 11> kConvertedStateMembers = {
    member::kStateRoutings, member::kStateLfoShapes,    member::kStateMsegs,       member::kStateStepSeqs,
    member::kStateKnobMotions, member::kStateMacroNames, member::kStateScript,     member::kStateVolumeShaper,
    member::kStateMpe,      member::kStateEffectTarget, member::kStateImports,
};

// Everything of the state but "imports", which the asset slots fill in afterwards (it is the
// last member either way).
void convertState(InstanceDocument& instance, const LegacyPreset& preset) {
    if (!instance.state.isObject()) instance.state = JsonValue::makeObject();
    JsonValue& state = instance.state;
    for (const std::string_view name : kConvertedStateMembers) removeMember(state, name);

    if (!preset.modRoutings.empty()) setMember(state, member::kStateRoutings, routingsToJson(preset.modRoutings));
    if (!preset.lfoShapes.empty()) setMember(state, member::kStateLfoShapes, lfoShapesToJson(preset.lfoShapes));
    if (!preset.msegs.empty()) setMember(state, member::kStateMsegs, msegsToJson(preset.msegs));
    if (!preset.stepSeqs.empty()) setMember(state, member::kStateStepSeqs, stepSeqsToJson(preset.stepSeqs));
    if (!preset.knobMotions.empty()) {
        setMember(state, member::kStateKnobMotions, knobMotionsToJson(preset.knobMotions));
    }
    JsonValue macroNames = macroNamesToJson(preset.macroNames);
    if (!macroNames.members().empty()) setMember(state, member::kStateMacroNames, std::move(macroNames));
    if (!preset.script.empty()) setMember(state, member::kStateScript, JsonValue::makeString(preset.script));
    if (!preset.volumeShaperTable.empty()) {
        setMember(state, member::kStateVolumeShaper, jsonArrayFromFloats(preset.volumeShaperTable));
    }
    if (preset.mpeEnabled) setMember(state, member::kStateMpe, JsonValue::makeBool(true));
    if (!preset.effectTarget.empty()) {
        setMember(state, member::kStateEffectTarget, JsonValue::makeString(preset.effectTarget));
    }
}

// Fills the five slots in table order and returns the import records (an object, maybe empty).
JsonValue convertAssetSlots(InstanceDocument& instance, Package& package, const LegacyPreset& preset,
                            CarriedFiles& carried, DiagnosticList& diagnostics) {
    JsonValue imports = JsonValue::makeObject();
    const std::array<const std::string*, 5> references = legacyReferences(preset);
    for (std::size_t i = 0; i < kAssetSlots.size(); ++i) {
        const AssetSlot& slot = kAssetSlots[i];
        removeEntry(instance.assets, slot.name);
        const std::string& reference = *references[i];
        if (reference.empty()) continue;

        if (startsWith(reference, slot.factoryPrefix)) {
            setEntry(instance.assets, slot.name,
                     JsonValue::makeString(factoryReference(std::string_view(reference).substr(slot.factoryPrefix.size()))));
            continue;
        }
        if (startsWith(reference, kLegacyBundledPrefix)) {
            const std::string carriedName = reference.substr(kLegacyBundledPrefix.size());
            if (std::optional<std::string> stored = carried.store(package, carriedName)) {
                setEntry(instance.assets, slot.name, JsonValue::makeString(std::move(*stored)));
                setMember(imports, slot.name, importRecord(preset, carriedName));
                continue;
            }
        }
        std::string path(convert_text::kAssetsPathPrefix);
        path.append(slot.name);
        addWarning(diagnostics, std::string(convert_text::kAssetNotSavedCode), std::move(path),
                   convert_text::assetNotSavedMessage(reference));
        setEntry(instance.assets, slot.name,
                 JsonValue::makeString(factoryReference(slot.defaultReference.substr(slot.factoryPrefix.size()))));
    }
    return imports;
}

void convertHints(InstanceDocument& instance, const LegacyPreset& preset) {
    if (!instance.hints.isObject()) instance.hints = JsonValue::makeObject();
    // The legacy savedFromMode text is not used: simple-mode data decides.
    setMember(instance.hints, member::kHintSavedFromMode,
              JsonValue::makeString(preset.hasSimpleMeta ? member::kSavedFromSimple : member::kSavedFromAdvanced));
    removeMember(instance.hints, member::kHintSimple);
    if (preset.hasSimpleMeta) setMember(instance.hints, member::kHintSimple, simpleToJson(preset));
}

void convertBody(InstanceDocument& instance, Package& package, const LegacyPreset& preset, CarriedFiles& carried,
                 DiagnosticList& diagnostics) {
    package = Package{};  // document name "instance.json", no document, assets or other entries

    instance.plugin = kPluginId;
    instance.pluginVersion = convert_identity::kMigratedPluginVersion;
    instance.formatVersion = convert_identity::kFormatVersion;
    instance.scope = preset.scope <= static_cast<std::uint32_t>(kSectionCount)
                         ? sectionName(static_cast<int>(preset.scope))
                         : kCompleteScope;

    convertParameters(instance, preset);
    convertState(instance, preset);
    JsonValue imports = convertAssetSlots(instance, package, preset, carried, diagnostics);
    if (!imports.members().empty()) setMember(instance.state, member::kStateImports, std::move(imports));
    convertHints(instance, preset);
}

void convertWhole(InstanceDocument& instance, Package& package, const LegacyPreset& preset, CarriedFiles& carried,
                  const std::string& presetId, DiagnosticList& diagnostics) {
    convertBody(instance, package, preset, carried, diagnostics);

    instance.id = presetId;
    instance.provenance = JsonValue::makeNull();
    removeMember(instance.hints, member::kHintPresetName);
    removeMember(instance.state, member::kStateAuditionMotif);

    if (preset.motif && !preset.motif->notes.empty()) {
        instance.audition = motifToClip(*preset.motif);
    } else {
        instance.audition.reset();
    }

    if (!instance.meta.isObject()) instance.meta = JsonValue::makeObject();
    setMember(instance.meta, member::kMetaName, JsonValue::makeString(preset.name));
    setMember(instance.meta, member::kMetaCategory, JsonValue::makeString(preset.category));
    JsonValue tags = JsonValue::makeArray();
    std::vector<JsonValue>& tagItems = tags.editItems();
    tagItems.reserve(preset.characterTags.size());
    for (const std::string& tag : preset.characterTags) tagItems.push_back(JsonValue::makeString(tag));
    setMember(instance.meta, member::kMetaTags, std::move(tags));
    if (!preset.complexity.empty()) {
        setMember(instance.meta, member::kMetaComplexity, JsonValue::makeString(preset.complexity));
    } else {
        removeMember(instance.meta, member::kMetaComplexity);
    }

    package.document = writeInstanceDocument(instance);
}

}  // namespace

void convertPresetBody(InstanceDocument& instance, Package& package, const LegacyPreset& preset,
                       DiagnosticList& diagnostics) {
    CarriedFiles carried(preset.bundleFiles, nullptr);
    convertBody(instance, package, preset, carried, diagnostics);
}

void convertPresetBody(InstanceDocument& instance, Package& package, LegacyPreset&& preset,
                       DiagnosticList& diagnostics) {
    CarriedFiles carried(preset.bundleFiles, &preset.bundleFiles);
    convertBody(instance, package, preset, carried, diagnostics);
}

void convertLegacyPreset(InstanceDocument& instance, Package& package, const LegacyPreset& preset,
                         const std::string& presetId, DiagnosticList& diagnostics) {
    CarriedFiles carried(preset.bundleFiles, nullptr);
    convertWhole(instance, package, preset, carried, presetId, diagnostics);
}

void convertLegacyPreset(InstanceDocument& instance, Package& package, LegacyPreset&& preset,
                         const std::string& presetId, DiagnosticList& diagnostics) {
    CarriedFiles carried(preset.bundleFiles, &preset.bundleFiles);
    convertWhole(instance, package, preset, carried, presetId, diagnostics);
}

}  // namespace orbi
