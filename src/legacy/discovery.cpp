// Legacy discovery (not yet built): finds nothing, so the run reports "No old presets found.".
#include "legacy/discovery.hpp"

namespace orbi {

std::vector<platform::Path> findLegacyPresets(const platform::Path&) { return {}; }

std::optional<LegacyPreset> readLegacyPresetFile(const platform::Path&, DiagnosticList&) { return std::nullopt; }

std::optional<std::vector<std::uint8_t>> readFileBytes(const platform::Path& path, DiagnosticList& diagnostics) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!platform::readWholeFile(path, bytes, error)) {
        addError(diagnostics, "unreadable", "", "Could not open " + platform::pathToUtf8(path));
        return std::nullopt;
    }
    return bytes;
}

}  // namespace orbi
