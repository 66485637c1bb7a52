// The five user-replaceable sound sources of an instance, by slot name, in the fixed order in
// which conversion and applying visit them.
#pragma once

#include <array>
#include <string_view>

namespace orbi {

enum class AssetSlotKind { Wavetable, Sample };

struct AssetSlot {
    std::string_view name;              // key in an instance's assets
    AssetSlotKind holds;
    int oscillator;                     // 1 to 3
    std::string_view factoryPrefix;     // prefix of a factory sound in a legacy reference
    std::string_view defaultReference;  // legacy reference of the sound the slot falls back to
};

// Instances write every factory sound as "factory:" + name, samples included; "factory_sample:"
// exists only in legacy references. A package asset is "asset:" + 64 lower-case hex digits.
inline constexpr std::string_view kFactoryRefPrefix = "factory:";
inline constexpr std::string_view kAssetRefPrefix = "asset:";
inline constexpr std::string_view kLegacyFactorySamplePrefix = "factory_sample:";
inline constexpr std::string_view kLegacyBundledPrefix = "bundled:";

inline constexpr std::array<AssetSlot, 5> kAssetSlots = {{
    {"osc1.table",  AssetSlotKind::Wavetable, 1, "factory:",        "factory:analog_stack"},
    {"osc2.table",  AssetSlotKind::Wavetable, 2, "factory:",        "factory:analog_stack"},
    {"osc1.sample", AssetSlotKind::Sample,    1, "factory_sample:", "factory_sample:bowed_metal"},
    {"osc2.sample", AssetSlotKind::Sample,    2, "factory_sample:", "factory_sample:bowed_metal"},
    {"osc3.sample", AssetSlotKind::Sample,    3, "factory_sample:", "factory_sample:bowed_metal"},
}};

}  // namespace orbi
