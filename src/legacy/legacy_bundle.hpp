// Reading a legacy bundle (.obsz): a zip archive holding preset.obpreset and the wavetable and
// sample files the preset uses, which travel with the preset as its bundleFiles.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "diagnostics/diagnostics.hpp"
#include "legacy/legacy_preset.hpp"

namespace orbi {

// Whether a bundle's carried files are read. Without them a bundle reads exactly as with them
// (same result, same name), only with no bundleFiles: enough to decide what becomes of a preset
// that will not be converted, for a fraction of the work, as the carried files are most of it.
enum class BundleFiles { read, skip };

// Nothing when the bytes are not a readable zip archive (the zip reader's findings are in the
// list) or hold no preset.obpreset ("not-a-preset"). The document's name is not checked: a bundle
// whose document is nameless or not JSON still gives a (default) preset.
std::optional<LegacyPreset> readLegacyBundle(std::span<const std::uint8_t> bytes, BundleFiles files,
                                             DiagnosticList& diagnostics);
inline std::optional<LegacyPreset> readLegacyBundle(std::span<const std::uint8_t> bytes, DiagnosticList& diagnostics) {
    return readLegacyBundle(bytes, BundleFiles::read, diagnostics);
}

}  // namespace orbi
