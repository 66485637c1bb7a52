// Fuzzes the whole road of one legacy preset: any bytes are read as a bundle (zip signature) or a
// bare document, converted, written as a package, read back and applied, and that preset converted
// and applied once more. Whatever a first trip loses is lost for good, so from the second trip on
// the package bytes must not change, and every package written must read back without an error.
#include "convert/apply_instance.hpp"
#include "convert/convert_legacy.hpp"
#include "legacy/legacy_bundle.hpp"
#include "legacy/legacy_document.hpp"
#include "library/package.hpp"
#include "support/fuzz_check.hpp"

using orbi::fuzz::fail;

namespace {

std::vector<std::uint8_t> convertAndWrite(const orbi::LegacyPreset& preset) {
    orbi::InstanceDocument instance;
    orbi::Package package;
    orbi::DiagnosticList diagnostics;
    orbi::convertLegacyPreset(instance, package, preset, "fuzz-preset", diagnostics);
    auto bytes = orbi::writePackage(package, diagnostics);
    if (!bytes) fail("a converted preset cannot be written");
    return std::move(*bytes);
}

orbi::LegacyPreset readAndApply(const std::vector<std::uint8_t>& bytes) {
    orbi::DiagnosticList diagnostics;
    auto package = orbi::readPackage(bytes, "instance.json", orbi::ZipLimits{}, diagnostics);
    if (!package || orbi::firstError(diagnostics)) fail("a written package does not read back");
    orbi::ApplySideRecord side;
    auto preset = orbi::applyInstanceDocument(side, *package, true, diagnostics);
    if (!preset) fail("a converted preset does not apply");
    return std::move(*preset);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    orbi::DiagnosticList diagnostics;
    const auto preset = orbi::isZipSignature(bytes) ? orbi::readLegacyBundle(bytes, diagnostics) : orbi::readLegacyDocument(bytes);
    if (!preset) return 0;
    const std::vector<std::uint8_t> second = convertAndWrite(readAndApply(convertAndWrite(*preset)));
    const std::vector<std::uint8_t> third = convertAndWrite(readAndApply(second));
    if (second != third)
        fail("converting an applied preset is not a fixed point", std::string(second.begin(), second.end()), std::string(third.begin(), third.end()));
    return 0;
}
