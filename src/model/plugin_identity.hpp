// The plugin this program's instances belong to: its id names every instance document's plugin
// and the plugin's folder below the preset root.
#pragma once

#include <string_view>

namespace orbi {

inline constexpr std::string_view kPluginId = "orbitrone";

}  // namespace orbi
