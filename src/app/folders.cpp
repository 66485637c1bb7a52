// Folder defaults. APPDATA, when set, always wins; without it the per-user data folder of the
// platform stands in for it, and only the legacy folder falls back further to the temp folder.
#include "app/folders.hpp"

#include "model/plugin_identity.hpp"

namespace orbi {

std::optional<platform::Path> legacyUserFolder(std::string& error) {
    platform::Path base;
    if (auto appData = platform::environmentNarrow("APPDATA")) {
        base = platform::pathFromNarrow(*appData);
    } else if (auto fallback = platform::userDataFallback()) {
        base = *fallback;
    } else if (auto temp = platform::temporaryFolder(error)) {
        base = *temp;
    } else {
        return std::nullopt;
    }
    return base / "Quillmark" / "Orbitrone" / "Presets";
}

platform::Path defaultPresetRoot() {
    std::optional<platform::Path> base = platform::environmentPath("APPDATA");
    if (!base) base = platform::userDataFallback();
    if (!base || base->empty()) return {};
    return *base / "Orbi" / "Presets";
}

platform::Path userPresetFolder(const platform::Path& presetRoot) {
    return presetRoot / platform::pathFromUtf8(kPluginId);
}

}  // namespace orbi
