// Codes and message texts of the legacy readers, in one place so the code and its tests agree.
#pragma once

#include <string_view>

namespace orbi::legacy_text {

inline constexpr std::string_view kUnreadableCode = "unreadable";
inline constexpr std::string_view kNotAPresetCode = "not-a-preset";

// "Could not open " + the file's full path.
inline constexpr std::string_view kCouldNotOpen = "Could not open ";
// The file name + " is not a Orbitrone preset".
inline constexpr std::string_view kNotAPresetSuffix = " is not a Orbitrone preset";
// A bundle's document entry, and the reason given when a bundle lacks it.
inline constexpr std::string_view kBundleDocumentName = "preset.obpreset";
inline constexpr std::string_view kBundleWithoutDocument = "A .obsz without its preset.obpreset";

}  // namespace orbi::legacy_text
