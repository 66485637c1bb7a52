// Fuzzes the whole road of one legacy preset: any bytes are read as a bundle (zip signature) or
// a bare document, converted, written as a package, read back and applied, and that preset is
// converted and applied once more. Whatever a first trip loses is lost for good, so from the
// second trip on the package bytes must not change (a fixed point), and every package written
// must read back without an error.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

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
    std::optional<orbi::LegacyPreset> preset;
    if (orbi::isZipSignature(bytes)) {
        orbi::DiagnosticList diagnostics;
        preset = orbi::readLegacyBundle(bytes, diagnostics);
        if (!preset) return 0;
    } else {
        preset = orbi::readLegacyDocument(bytes);
    }

    const std::vector<std::uint8_t> first = convertAndWrite(*preset);
    const orbi::LegacyPreset once = readAndApply(first);
    const std::vector<std::uint8_t> second = convertAndWrite(once);
    const orbi::LegacyPreset twice = readAndApply(second);
    const std::vector<std::uint8_t> third = convertAndWrite(twice);
    if (second != third) {
        std::fprintf(stderr, "--- second ---\n%.*s\n--- third ---\n%.*s\n", static_cast<int>(second.size()),
                     reinterpret_cast<const char*>(second.data()), static_cast<int>(third.size()),
                     reinterpret_cast<const char*>(third.data()));
        fail("converting an applied preset is not a fixed point");
    }
    return 0;
}
