// Listing the target (not yet built): no presets are known to be there.
#include "legacy/user_presets.hpp"

namespace orbi {

std::vector<UserPresetEntry> listUserPresets(const platform::Path&) { return {}; }

}  // namespace orbi
