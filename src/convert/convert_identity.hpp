// The identity every converted instance carries besides its plugin id: the plugin version
// stamped on migrated presets (not read from the legacy file) and the state format version.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/plugin_identity.hpp"

namespace orbi::convert_identity {

inline constexpr std::string_view kMigratedPluginVersion = "0.7.4";
inline constexpr std::int32_t kFormatVersion = 1;

}  // namespace orbi::convert_identity
