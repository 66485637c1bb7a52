// Fuzzes the legacy bundle reader: a bundle that gives no preset has an error to show for it, a
// preset carries only files of its two folders, and a read without the carried files gives the
// same result and the same preset otherwise.
#include "legacy/legacy_bundle.hpp"
#include "support/fuzz_check.hpp"

using orbi::fuzz::fail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orbi::DiagnosticList diagnostics, documentOnlyDiagnostics;
    auto preset = orbi::readLegacyBundle(std::span(data, size), diagnostics);
    auto documentOnly = orbi::readLegacyBundle(std::span(data, size), orbi::BundleFiles::skip, documentOnlyDiagnostics);
    if (preset.has_value() != documentOnly.has_value()) fail("the document-only read differs in result");
    if (orbi::firstError(diagnostics) != orbi::firstError(documentOnlyDiagnostics)) fail("the document-only read differs in error");
    if (preset.has_value() == orbi::firstError(diagnostics).has_value()) fail("a preset and an error, or neither");
    if (!preset) return 0;
    if (!documentOnly->bundleFiles.empty() || preset->version != 6) fail("the document-only read carried files, or version is not 6");
    documentOnly->bundleFiles = preset->bundleFiles;
    if (!(*documentOnly == *preset)) fail("the document-only read differs in the preset");
    for (const auto& [name, bytes] : preset->bundleFiles)
        if (!name.starts_with("wavetables/") && !name.starts_with("samples/")) fail("carried a file of another folder");
    return 0;
}
