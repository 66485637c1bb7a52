// The exact codes and phrases of packages, the library scan and preset saving, kept in one
// place so the code and its tests cannot drift apart.
#pragma once

namespace orbi::library_messages {

// Diagnostic codes.
inline constexpr const char* kPresetUnreadableCode = "preset-unreadable";
inline constexpr const char* kPresetDuplicateCode = "preset-duplicate";
inline constexpr const char* kPackageUnreadableCode = "package-unreadable";
inline constexpr const char* kAssetCorruptCode = "asset-corrupt";
inline constexpr const char* kDocumentMissingCode = "document-missing";
inline constexpr const char* kAssetNameCode = "asset-name";
inline constexpr const char* kPresetUnsaveableCode = "preset-unsaveable";
inline constexpr const char* kUserPresetsUnavailableCode = "user-presets-unavailable";
inline constexpr const char* kPresetUnwritableCode = "preset-unwritable";

inline constexpr const char* kPackageUnreadable = "Neither a JSON document nor a zip archive";
inline constexpr const char* kAssetCorrupt = "The asset does not match its name; left out, the plugin falls back";
inline constexpr const char* kDocumentMissingPrefix = "The archive has no ";
inline constexpr const char* kAssetName = "An asset is named by the sha256 of its data";

inline constexpr const char* kCannotBeOpened = "cannot be opened";
inline constexpr const char* kIsUnreadable = "is unreadable";
inline constexpr const char* kNotAnInstance = "is not an instance document";
inline constexpr const char* kHasNoId = "has no id";
inline constexpr const char* kRepeatsPreset = " repeats preset ";
inline constexpr const char* kFirstFileWins = "; the first file in name order is the preset";

inline constexpr const char* kNoUserPresetFolder = "This system names no user preset folder";
inline constexpr const char* kPresetIsInstance = "A preset is an instance document";
inline constexpr const char* kCannotNameFile = " cannot name a file";
inline constexpr const char* kCouldNotWrite = "Could not write ";
inline constexpr const char* kCouldNotRemove = "Could not remove the replaced ";

}  // namespace orbi::library_messages
