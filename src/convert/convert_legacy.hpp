// Turning a legacy preset into an instance document and the package it is saved as. The
// conversion never fails: what it cannot carry over becomes a default plus a warning.
#pragma once

#include <string>

#include "diagnostics/diagnostics.hpp"
#include "documents/instance_document.hpp"
#include "legacy/legacy_preset.hpp"
#include "library/package.hpp"

namespace orbi {

// The sound data of the preset: parameters, modulation state, asset slots (carried files
// become package assets) and the simple-mode hints. The package is reset first. The only
// finding is the warning "asset-not-saved" for a slot whose audio is gone.
void convertPresetBody(InstanceDocument& instance, Package& package, const LegacyPreset& preset,
                       DiagnosticList& diagnostics);
// The same, moving the carried files' bytes into the package instead of copying them; the
// preset's bundleFiles are left in a valid but unspecified state.
void convertPresetBody(InstanceDocument& instance, Package& package, LegacyPreset&& preset,
                       DiagnosticList& diagnostics);

// The whole preset: the body, then id, metadata and the audition clip; finally the instance
// document is written into package.document.
void convertLegacyPreset(InstanceDocument& instance, Package& package, const LegacyPreset& preset,
                         const std::string& presetId, DiagnosticList& diagnostics);
// The same, moving the carried files' bytes (a bundle's samples may be megabytes) into the
// package; use it when the preset is not needed afterwards.
void convertLegacyPreset(InstanceDocument& instance, Package& package, LegacyPreset&& preset,
                         const std::string& presetId, DiagnosticList& diagnostics);

}  // namespace orbi
