// Reading a legacy bundle (.obsz): a zip archive holding preset.obpreset and the wavetable and
// sample files the preset uses, which travel with the preset as its bundleFiles.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "archive/zip_reader.hpp"
#include "diagnostics/diagnostics.hpp"
#include "legacy/legacy_document.hpp"
#include "legacy/legacy_preset.hpp"

namespace orbi {

// Nothing when the bytes are not a readable zip archive (the zip reader's findings are in the
// list) or hold no preset.obpreset ("not-a-preset"). The document's name is not checked: a bundle
// whose document is nameless or not JSON still gives a (default) preset.
std::optional<LegacyPreset> readLegacyBundle(std::span<const std::uint8_t> bytes, DiagnosticList& diagnostics);

// The same bundle's name and scope, and the same findings as far as they concern the archive and
// its document, with only the document entry read from the source: the carried files, most of a
// bundle, are neither read nor checked.
std::optional<LegacyHeading> readLegacyBundleHeading(ZipSource& source, DiagnosticList& diagnostics);

}  // namespace orbi
