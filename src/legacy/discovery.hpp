// Finding the legacy preset files below the legacy folder, in path order, and reading one.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "documents/diagnostics.hpp"
#include "legacy/legacy_preset.hpp"
#include "platform/platform.hpp"

namespace orbi {

std::vector<platform::Path> findLegacyPresets(const platform::Path& folder);
std::optional<LegacyPreset> readLegacyPresetFile(const platform::Path& path, DiagnosticList& diagnostics);
std::optional<std::vector<std::uint8_t>> readFileBytes(const platform::Path& path, DiagnosticList& diagnostics);

}  // namespace orbi
