// Conversion (not yet built): carries only the identity over.
#include "convert/convert_legacy.hpp"

namespace orbi {

void convertLegacyPreset(InstanceDocument& instance, Package&, const LegacyPreset&, const std::string& presetId,
                         DiagnosticList&) {
    instance.id = presetId;
    instance.plugin = "orbitrone";
}

}  // namespace orbi
