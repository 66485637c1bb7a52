// The presets already in the target's user preset folder, read and applied into the same
// in-memory form as legacy presets, so that the migration knows which names and ids are taken.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/diagnostics.hpp"
#include "legacy/legacy_preset.hpp"
#include "platform/platform.hpp"

namespace orbi {

struct UserPresetEntry {
    std::string name;
    std::string category;
    LegacyPreset preset;  // without its bundle files
    std::string bank;     // as the library scan gives it
    std::string id;       // as the library scan gives it
};

// The lines written to standard error: a file left out (its path and the reason), and a
// finding of the scan itself. The reason is "does not read" when the file's list holds no error.
inline constexpr std::string_view kLeftOutLinePrefix = "orbitrone: user preset ";
inline constexpr std::string_view kLeftOutLineMiddle = " left out: ";
inline constexpr std::string_view kScanLinePrefix = "orbitrone: user presets: ";
inline constexpr std::string_view kDoesNotRead = "does not read";

// Reads a preset file as a package and applies its instance; nothing when the file cannot be
// read, is not a package, or does not apply (another plugin, a section scope).
std::optional<LegacyPreset> readPresetPackageFile(const platform::Path& path, DiagnosticList& diagnostics);

// Every preset of the user preset folder (preset root / "orbitrone") that reads and applies, in
// the library scan's order. Writes its own notes to standard error; never fails.
std::vector<UserPresetEntry> listUserPresets(const platform::Path& presetRoot);

}  // namespace orbi
