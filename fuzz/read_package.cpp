// Fuzzes the package reader and writer together: any bytes are read as a package; what was read
// is written and read again, which must give the same document, the same assets and the same
// other entries, without a single finding the second time.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "library/package.hpp"
#include "support/fuzz_check.hpp"

using orbi::fuzz::fail;

namespace {

std::vector<const orbi::PackageAsset*> byName(const std::vector<orbi::PackageAsset>& assets) {
    std::vector<const orbi::PackageAsset*> sorted;
    for (const orbi::PackageAsset& a : assets) sorted.push_back(&a);
    std::sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->name < b->name; });
    return sorted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const orbi::ZipLimits limits;
    orbi::DiagnosticList diagnostics;
    auto package = orbi::readPackage(std::span<const std::uint8_t>(data, size), "instance.json", limits, diagnostics);
    if (package.has_value() == orbi::firstError(diagnostics).has_value()) fail("a result and an error disagree");
    if (!package) return 0;
    for (const orbi::PackageAsset& asset : package->assets) {
        if (!orbi::isAssetName(asset.name)) fail("an asset read under a name that is no digest");
    }

    orbi::DiagnosticList writeDiagnostics;
    auto bytes = orbi::writePackage(*package, writeDiagnostics);
    if (!bytes || !writeDiagnostics.empty()) fail("a package that was read cannot be written");

    const bool bare = package->assets.empty() && package->otherEntries.empty();
    if (bare != !orbi::isZipSignature(*bytes)) fail("the written form does not follow the contents");
    // A zip package may hold any JSON value as its document, but the bare form is read only
    // when it is an object; anything else is written and not expected back.
    if (bare && !package->document.isObject()) return 0;

    orbi::DiagnosticList again;
    auto back = orbi::readPackage(*bytes, "instance.json", limits, again);
    if (!back) fail("a written package does not read back");
    if (!again.empty()) fail("reading a written package finds something to say");
    if (!(back->document == package->document)) fail("the document changed");

    auto before = byName(package->assets);
    auto after = byName(back->assets);
    if (before.size() != after.size()) fail("the number of assets changed");
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i]->name != after[i]->name || before[i]->data != after[i]->data) fail("an asset changed");
    }
    // Other entries keep their order; whether one comes back deflated depends on what pays.
    if (back->otherEntries.size() != package->otherEntries.size()) fail("the number of other entries changed");
    for (std::size_t i = 0; i < back->otherEntries.size(); ++i) {
        const orbi::ZipEntry& a = package->otherEntries[i];
        const orbi::ZipEntry& b = back->otherEntries[i];
        if (a.name != b.name || a.data != b.data) fail("another entry changed");
    }
    return 0;
}
