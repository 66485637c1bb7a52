// Fuzzes the package reader and writer together: what was read is written and read again, which
// must give the same document, the same assets and the same other entries, without a single
// finding the second time.
#include <map>

#include "library/package.hpp"
#include "support/fuzz_check.hpp"

using orbi::fuzz::fail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const orbi::ZipLimits limits;
    orbi::DiagnosticList diagnostics, writeDiagnostics, again;
    auto package = orbi::readPackage(std::span<const std::uint8_t>(data, size), "instance.json", limits, diagnostics);
    if (package.has_value() == orbi::firstError(diagnostics).has_value()) fail("a result and an error disagree");
    if (!package) return 0;
    for (const orbi::PackageAsset& asset : package->assets)
        if (!orbi::isAssetName(asset.name)) fail("an asset read under a name that is no digest");

    auto bytes = orbi::writePackage(*package, writeDiagnostics);
    if (!bytes || !writeDiagnostics.empty()) fail("a package that was read cannot be written");
    const bool bare = package->assets.empty() && package->otherEntries.empty();
    if (bare != !orbi::isZipSignature(*bytes)) fail("the written form does not follow the contents");
    // A zip package may hold any JSON value as its document; the bare form reads back only objects.
    if (bare && !package->document.isObject()) return 0;

    auto back = orbi::readPackage(*bytes, "instance.json", limits, again);
    if (!back || !again.empty()) fail("a written package does not read back, or with findings");
    if (!(back->document == package->document)) fail("the document changed");
    auto byName = [](const std::vector<orbi::PackageAsset>& assets) {
        std::map<std::string, std::vector<std::uint8_t>> m;
        for (const orbi::PackageAsset& a : assets) m.emplace(a.name, a.data);
        return m;
    };
    if (byName(package->assets) != byName(back->assets) || package->assets.size() != back->assets.size()) fail("the assets changed");
    // Other entries keep their order; whether one comes back deflated depends on what pays.
    if (back->otherEntries.size() != package->otherEntries.size()) fail("the number of other entries changed");
    for (std::size_t i = 0; i < back->otherEntries.size(); ++i)
        if (package->otherEntries[i].name != back->otherEntries[i].name || package->otherEntries[i].data != back->otherEntries[i].data)
            fail("another entry changed");
    return 0;
}
