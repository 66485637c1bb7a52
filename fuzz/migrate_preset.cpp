// Fuzzes the whole road of one legacy preset: any bytes are read as a bundle (zip signature) or a
// bare document, converted, written as a package, read back and applied, and that preset converted
// and applied once more. Whatever a first trip loses is lost for good, so from the second trip on
// the package bytes must not change, and every package written must read back without an error.
// On the way: a bundle that gives no preset has an error to show for it, carries only files of its
// two folders, and gives the same name and scope from its document entry alone; a document's
// heading agrees with its full read; the version always ends at 6; and the strict
// parser accepts exactly the texts nlohmann's acceptor accepts, less those holding a zero byte or
// nested deeper than the limit.
#include <nlohmann/json.hpp>

#include "convert/apply_instance.hpp"
#include "convert/convert_legacy.hpp"
#include "legacy/legacy_bundle.hpp"
#include "legacy/legacy_document.hpp"
#include "legacy/legacy_json.hpp"
#include "library/package.hpp"
#include "support/fuzz_check.hpp"

using orbi::fuzz::fail;

namespace {

// Deepest nesting of an accepted JSON text (brackets inside strings do not count).
std::size_t nesting(std::string_view text) {
    std::size_t depth = 0, deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString && c == '\\') ++i;
        else if (c == '"') inString = !inString;
        else if (!inString && (c == '[' || c == '{')) deepest = std::max(deepest, ++depth);
        else if (!inString && (c == ']' || c == '}')) --depth;
    }
    return deepest;
}

// A bundle's heading, read from its document entry alone, agrees with the full read.
void checkBundle(std::span<const std::uint8_t> bytes, const std::optional<orbi::LegacyPreset>& preset, const orbi::DiagnosticList& diagnostics) {
    orbi::DiagnosticList headingDiagnostics;
    orbi::MemoryZipSource source(bytes);
    const auto heading = orbi::readLegacyBundleHeading(source, headingDiagnostics);
    if (preset.has_value() != heading.has_value()) fail("the heading read differs in result");
    if (orbi::firstError(diagnostics) != orbi::firstError(headingDiagnostics)) fail("the heading read differs in error");
    if (preset.has_value() == orbi::firstError(diagnostics).has_value()) fail("a preset and an error, or neither");
    if (!preset) return;
    if (heading->name != preset->name || heading->scope != preset->scope) fail("the heading read differs in name or scope");
    for (const auto& [name, bytes] : preset->bundleFiles)
        if (!name.starts_with("wavetables/") && !name.starts_with("samples/")) fail("carried a file of another folder");
}

void checkStrictParser(std::span<const std::uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const bool parsed = orbi::legacy::parseStrict(bytes).has_value();
    const bool accepted = text.find('\0') == std::string_view::npos && nlohmann::json::accept(text) && nesting(text) <= orbi::kMaxLegacyNesting;
    if (parsed != accepted) fail(parsed ? "parsed a text nlohmann refuses" : "refused a text nlohmann accepts");
}

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
    const bool bundle = orbi::isZipSignature(bytes);
    const auto preset = bundle ? orbi::readLegacyBundle(bytes, diagnostics) : orbi::readLegacyDocument(bytes);
    if (bundle) checkBundle(bytes, preset, diagnostics);
    const orbi::LegacyHeading heading = orbi::readLegacyHeading(bytes);
    const orbi::LegacyPreset document = bundle ? orbi::readLegacyDocument(bytes) : *preset;
    if (heading.name != document.name || heading.scope != document.scope) fail("the heading differs from the document");
    checkStrictParser(bytes);
    if (preset && preset->version != 6) fail("version is not 6 after reading");
    if (!preset) return 0;
    const std::vector<std::uint8_t> second = convertAndWrite(readAndApply(convertAndWrite(*preset)));
    const std::vector<std::uint8_t> third = convertAndWrite(readAndApply(second));
    if (second != third)
        fail("converting an applied preset is not a fixed point", std::string(second.begin(), second.end()), std::string(third.begin(), third.end()));
    return 0;
}
