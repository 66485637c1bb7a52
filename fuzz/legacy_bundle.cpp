// Fuzzes the legacy bundle reader: no input may crash it, a bundle that gives no preset has an
// error to show for it, a preset carries only files of its two folders, and a read without the
// carried files gives the same result and the same preset otherwise.
#include <cstddef>
#include <cstdint>
#include <span>

#include "diagnostics/diagnostics.hpp"
#include "legacy/legacy_bundle.hpp"
#include "support/fuzz_check.hpp"

using orbi::fuzz::fail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orbi::DiagnosticList diagnostics;
    std::optional<orbi::LegacyPreset> preset = orbi::readLegacyBundle(std::span(data, size), diagnostics);
    orbi::DiagnosticList documentOnlyDiagnostics;
    std::optional<orbi::LegacyPreset> documentOnly =
        orbi::readLegacyBundle(std::span(data, size), orbi::BundleFiles::skip, documentOnlyDiagnostics);
    if (preset.has_value() != documentOnly.has_value()) fail("the document-only read differs in result");
    if (orbi::firstError(diagnostics) != orbi::firstError(documentOnlyDiagnostics)) fail("the document-only read differs in error");
    if (documentOnly) {
        if (!documentOnly->bundleFiles.empty()) fail("the document-only read carried files");
        documentOnly->bundleFiles = preset->bundleFiles;
        if (!(*documentOnly == *preset)) fail("the document-only read differs in the preset");
    }
    if (!preset) {
        if (!orbi::firstError(diagnostics)) fail("no preset and no error");
        return 0;
    }
    if (orbi::firstError(diagnostics)) fail("a preset and an error");
    if (preset->version != 6) fail("version is not 6 after reading");
    for (const auto& [name, bytes] : preset->bundleFiles) {
        if (!name.starts_with("wavetables/") && !name.starts_with("samples/")) fail("carried a file of another folder");
    }
    return 0;
}
