// Fuzzes applying a package: any bytes are read as a package (zip archive or bare JSON) and its
// instance document applied, with and without sections allowed. The answer must be consistent:
// nothing only with an error said, and a preset whose carried audio and references agree. Its
// document, read as an instance and as a clip, must write the same text once written and reread.
#include "convert/apply_instance.hpp"
#include "documents/clip_document.hpp"
#include "documents/instance_document.hpp"
#include "json/json_writer.hpp"
#include "library/package.hpp"
#include "support/fuzz_check.hpp"

using orbi::fuzz::fail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orbi::DiagnosticList packageDiagnostics;
    auto package = orbi::readPackage(std::span<const std::uint8_t>(data, size), "instance.json", orbi::ZipLimits{}, packageDiagnostics);
    if (package.has_value() == orbi::firstError(packageDiagnostics).has_value()) fail("a package and an error, or neither");
    if (!package) return 0;
    orbi::fuzz::checkWritingIsAFixedPoint(package->document, "an instance", [](const orbi::JsonValue& value) -> std::optional<std::string> {
        orbi::DiagnosticList diagnostics;
        auto instance = orbi::readInstanceDocument(value, diagnostics);
        if (!instance) return std::nullopt;
        return orbi::writeDocument(orbi::writeInstanceDocument(*instance));
    });
    orbi::fuzz::checkWritingIsAFixedPoint(package->document, "a clip", [](const orbi::JsonValue& value) -> std::optional<std::string> {
        orbi::DiagnosticList diagnostics;
        auto clip = orbi::readClipDocument(value, diagnostics);
        for (const orbi::Diagnostic& d : diagnostics)  // only the envelope can reject a clip
            if (clip && d.severity == orbi::Severity::Error) fail("error finding in a clip that was read", d.code, d.path);
        if (!clip) return std::nullopt;
        return orbi::writeDocument(orbi::writeClipDocument(*clip));
    });
    for (bool allowSections : {false, true}) {
        orbi::DiagnosticList diagnostics;
        orbi::ApplySideRecord side;
        auto preset = orbi::applyInstanceDocument(side, *package, allowSections, diagnostics);
        if (!preset) {
            if (!orbi::firstError(diagnostics)) fail("applying gave nothing without an error");
            continue;
        }
        if (preset->name.empty() || side.displayName != preset->name) fail("an applied preset has no name, or the side record another");
        if ((!allowSections && preset->scope != 0) || preset->scope > 17) fail("a section where none is allowed, or scope out of range");
        for (const std::string* ref : {&preset->wavetable1, &preset->wavetable2, &preset->sample1, &preset->sample2, &preset->sample3})
            if (ref->starts_with("bundled:") && !preset->bundleFiles.contains(ref->substr(8))) fail("a bundled reference names no carried file");
        if (preset->bundleFiles.size() != preset->bundledWavetables.size() + preset->bundledSamples.size())
            fail("carried files and their records disagree");
        for (const orbi::LegacyStepSeq& seq : preset->stepSeqs)
            if (seq.length < 1 || seq.length > 16) fail("step count out of range");
        if (preset->motif && preset->motif->notes.empty()) fail("a motif without notes");
    }
    return 0;
}
