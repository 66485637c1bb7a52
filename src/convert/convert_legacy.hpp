// Turning a legacy preset into an instance document and the package it is saved as.
#pragma once

#include <string>

#include "documents/diagnostics.hpp"
#include "documents/instance_document.hpp"
#include "legacy/legacy_preset.hpp"
#include "library/package.hpp"

namespace orbi {

void convertLegacyPreset(InstanceDocument& instance, Package& package, const LegacyPreset& preset,
                         const std::string& presetId, DiagnosticList& diagnostics);

}  // namespace orbi
