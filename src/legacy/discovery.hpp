// Finding the legacy preset files below the legacy folder, in path order, and reading one.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "diagnostics/diagnostics.hpp"
#include "legacy/legacy_bundle.hpp"
#include "legacy/legacy_preset.hpp"
#include "platform/platform.hpp"

namespace orbi {

// Every regular .obpreset or .obsz file (extension in any ASCII case) at any depth below the
// folder, sorted component by component. Never fails: a folder that is not a directory gives
// nothing, and a walk error ends the walk with what was found up to then.
std::vector<platform::Path> findLegacyPresets(const platform::Path& folder);

// A .obsz file is read as a bundle; any other as a bare document, which must have a name
// ("not-a-preset" otherwise, naming the file). A file that cannot be read is "unreadable".
std::optional<LegacyPreset> readLegacyPresetFile(const platform::Path& path, DiagnosticList& diagnostics);
// The same for a file's bytes already read.
std::optional<LegacyPreset> readLegacyPreset(const platform::Path& path, std::span<const std::uint8_t> bytes,
                                             DiagnosticList& diagnostics);
// The name and scope readLegacyPresetFile would give, read cheaply: a document's in one pass that
// builds no tree, a bundle's from its document entry alone. Nothing where it would give no preset
// or a nameless one, or the file does not read so far; the full read then has the exact finding.
std::optional<LegacyHeading> readLegacyHeadingFile(const platform::Path& path);
// Whether the file is read as a bundle: a .obsz extension in any ASCII case.
bool isBundlePath(const platform::Path& path);

// The whole file; nothing with an "unreadable" error naming the full path when it cannot be read.
std::optional<std::vector<std::uint8_t>> readFileBytes(const platform::Path& path, DiagnosticList& diagnostics);

}  // namespace orbi
