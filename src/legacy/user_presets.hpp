// The presets already in the target's user preset folder, in the same form as legacy presets.
#pragma once

#include <string>
#include <vector>

#include "legacy/legacy_preset.hpp"
#include "platform/platform.hpp"

namespace orbi {

struct UserPresetEntry {
    std::string name;
    std::string category;
    LegacyPreset preset;
    std::string bank;
    std::string id;
};

// Writes its own notes to standard error; never fails.
std::vector<UserPresetEntry> listUserPresets(const platform::Path& presetRoot);

}  // namespace orbi
