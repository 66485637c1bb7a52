// Codes, paths and message texts of applying an instance document, in one place so that the
// applier and its tests cannot drift apart.
#pragma once

#include <string_view>

namespace orbi::apply_text {

inline constexpr std::string_view kWrongPlugin = "wrong-plugin";
inline constexpr std::string_view kPluginPath = "/plugin";
inline constexpr std::string_view kAnInstanceOf = "An instance of ";
inline constexpr std::string_view kNotOrbitrone = ", not Orbitrone";

inline constexpr std::string_view kUnsupportedScope = "unsupported-scope";
inline constexpr std::string_view kScopePath = "/scope";
inline constexpr std::string_view kOnlyWholeInstrument = "Only a whole instrument loads here, not ";
inline constexpr std::string_view kUnknownScope = "Not a scope this build knows: ";

inline constexpr std::string_view kParamsPathPrefix = "/params/";
inline constexpr std::string_view kUnknownParam = "unknown-param";
inline constexpr std::string_view kNotAParameter = "Not a Orbitrone parameter in this build; kept";
inline constexpr std::string_view kUnknownChoice = "unknown-choice";
inline constexpr std::string_view kNotOneOfItsChoices = "\" is not one of its choices; left at its default";
inline constexpr std::string_view kBadValue = "bad-value";
inline constexpr std::string_view kNeitherNumberNorChoice = "Neither a number nor a choice; left at its default";

inline constexpr std::string_view kRoutingsPathPrefix = "/state/routings/";
inline constexpr std::string_view kUnknownRouting = "unknown-routing";
inline constexpr std::string_view kRoutingNotInBuild = "Its source or target is not in this build; skipped";

inline constexpr std::string_view kAssetsPathPrefix = "/assets/";
inline constexpr std::string_view kAssetMissing = "asset-missing";
inline constexpr std::string_view kAudioMissing = "The imported audio is missing or does not read; it plays the default";

// Names under which decoded package assets are carried in the legacy preset's bundle files:
// folder + "osc" + oscillator number + ".f32".
inline constexpr std::string_view kBundledWavetableFolder = "wavetables/";
inline constexpr std::string_view kBundledSampleFolder = "samples/";
inline constexpr std::string_view kBundledOscPrefix = "osc";
inline constexpr std::string_view kBundledExtension = ".f32";

// The name a preset without a display name is known by.
inline constexpr std::string_view kInitName = "Init";

// savedFromMode of an applied preset: "beginner" when it carries simple-mode data.
inline constexpr std::string_view kSavedFromBeginner = "beginner";
inline constexpr std::string_view kSavedFromAdvanced = "advanced";

}  // namespace orbi::apply_text
