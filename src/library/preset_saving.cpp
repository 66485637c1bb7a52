// Preset saving (not yet built): refuses with an error so no preset is reported as saved.
#include "library/preset_saving.hpp"

namespace orbi {

std::optional<std::string> savePreset(const platform::Path&, const std::string&, const Package&,
                                      DiagnosticList& diagnostics) {
    addError(diagnostics, "preset-unwritable", "", "Saving presets is not built yet");
    return std::nullopt;
}

}  // namespace orbi
