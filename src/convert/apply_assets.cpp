// Applying the five asset slots. A factory sound becomes the legacy factory reference; a
// package asset is decoded as the slot's kind and carried as a bundle file the legacy model can
// play, with the record the legacy bundles keep for it. An asset that is absent or does not
// decode falls back to the slot's default sound.
#include "convert/apply_internal.hpp"
#include "convert/apply_messages.hpp"
#include "convert/sample_buffer.hpp"
#include "convert/wavetable_file.hpp"
#include "model/asset_slots.hpp"
#include "model/instance_members.hpp"

namespace orbi::apply_detail {

namespace text = apply_text;

namespace {

std::string& legacyReference(LegacyPreset& preset, std::size_t slot) {
    switch (slot) {
        case 0: return preset.wavetable1;
        case 1: return preset.wavetable2;
        case 2: return preset.sample1;
        case 3: return preset.sample2;
        default: return preset.sample3;
    }
}

const PackageAsset* findAsset(const Package& package, std::string_view digest) {
    for (const PackageAsset& asset : package.assets) {
        if (asset.name == digest) return &asset;
    }
    return nullptr;
}

std::string bundledName(const AssetSlot& slot) {
    std::string name(slot.holds == AssetSlotKind::Wavetable ? text::kBundledWavetableFolder
                                                            : text::kBundledSampleFolder);
    name += text::kBundledOscPrefix;
    name += std::to_string(slot.oscillator);
    name += text::kBundledExtension;
    return name;
}

// Decodes the asset and records it; false when it does not decode as the slot's kind.
bool carryAsset(LegacyPreset& preset, const AssetSlot& slot, const PackageAsset& asset, const JsonValue& import) {
    const std::string name = bundledName(slot);
    if (slot.holds == AssetSlotKind::Wavetable) {
        auto frames = wavetableFrameCount(asset.data);
        if (!frames) return false;
        WavetableRecord record;
        record.path = name;
        record.name = stringOr(import, member::kImportName);
        record.sourceFile = stringOr(import, member::kImportFile);
        record.frameCount = *frames;
        preset.bundledWavetables.push_back(std::move(record));
    } else {
        auto sample = dsp::decodeSampleFile(asset.data);
        if (!sample) return false;
        SampleRecord record;
        record.path = name;
        record.name = stringOr(import, member::kImportName);
        record.sourceFile = stringOr(import, member::kImportFile);
        record.length = static_cast<std::int32_t>(sample->left.size());
        record.sourceRate = sample->sampleRate;
        record.channels = dsp::channelsIdentical(*sample) ? 1 : 2;
        preset.bundledSamples.push_back(std::move(record));
    }
    preset.bundleFiles[name] = asset.data;
    return true;
}

}  // namespace

void applyAssets(LegacyPreset& preset, const InstanceDocument& instance, const Package& package,
                 DiagnosticList& diagnostics) {
    const JsonValue* imports = objectMember(instance.state, member::kStateImports);
    for (std::size_t i = 0; i < kAssetSlots.size(); ++i) {
        const AssetSlot& slot = kAssetSlots[i];
        std::string& reference = legacyReference(preset, i);
        const JsonValue* value = findEntry(instance.assets, slot.name);
        if (value == nullptr || !value->isString()) continue;
        std::optional<AssetRef> ref = parseAssetRef(value->string());
        if (!ref) continue;
        if (ref->kind == AssetRefKind::Factory) {
            reference = std::string(slot.factoryPrefix) + ref->name;
            continue;
        }
        const JsonValue none;
        const JsonValue* import = imports != nullptr ? findMember(*imports, slot.name) : nullptr;
        const PackageAsset* asset = findAsset(package, ref->name);
        if (asset != nullptr && carryAsset(preset, slot, *asset, import != nullptr ? *import : none)) {
            reference = std::string(kLegacyBundledPrefix) + bundledName(slot);
            continue;
        }
        std::string path(text::kAssetsPathPrefix);
        path += slot.name;
        addWarning(diagnostics, std::string(text::kAssetMissing), std::move(path), std::string(text::kAudioMissing));
        reference = slot.defaultReference;
    }
}

}  // namespace orbi::apply_detail
