// The two places the tool works between: the legacy user preset folder and the preset root,
// found from APPDATA (or, where the system has none, its per-user data folder).
#pragma once

#include <optional>
#include <string>

#include "platform/platform.hpp"

namespace orbi {

// base / Quillmark / Orbitrone / Presets. Nullopt (with the system's text in error) only when
// no base can be named at all.
std::optional<platform::Path> legacyUserFolder(std::string& error);
// APPDATA / Orbi / Presets, or the empty path when this system names no preset root.
platform::Path defaultPresetRoot();
// preset root / orbitrone.
platform::Path userPresetFolder(const platform::Path& presetRoot);

}  // namespace orbi
