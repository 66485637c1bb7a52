// Fuzzes the package reader and writer together: what was read is written and read again, which
// must give the same document, the same assets and the same other entries, without a single
// finding the second time. Beneath it readZip: an Error exactly when it returns nothing, a filtered
// read agrees with the whole one, and whatever it reads survives writeZip and a second readZip.
// The package's document read alone agrees with the whole package.
#include <map>

#include "archive/zip_reader.hpp"
#include "archive/zip_writer.hpp"
#include "library/package.hpp"
#include "support/fuzz_check.hpp"

using orbi::fuzz::fail;

namespace {

void checkZip(const std::uint8_t* data, std::size_t size) {
    const orbi::ZipLimits limits;
    orbi::DiagnosticList diagnostics, filteredDiagnostics, writeDiagnostics, again;
    const auto entries = orbi::readZip(std::span(data, size), limits, diagnostics);
    if (entries.has_value() == orbi::firstError(diagnostics).has_value()) fail("a result and an error disagree");

    // A filtered read gives the same verdict on the archive and exactly the entries asked for.
    const auto wanted = [](std::string_view name) { return name.size() % 2 == 0; };
    const auto some = orbi::readZip(std::span(data, size), limits, wanted, filteredDiagnostics);
    if (some.has_value() != entries.has_value() || orbi::firstError(filteredDiagnostics) != orbi::firstError(diagnostics))
        fail("a filtered read differs in its verdict");
    if (!entries) return;
    std::size_t next = 0;
    for (const auto& entry : *entries) {
        if (!wanted(entry.name)) continue;
        if (next == some->size() || (*some)[next].name != entry.name || (*some)[next].data != entry.data) fail("a filtered read differs");
        ++next;
    }
    if (next != some->size()) fail("a filtered read has more entries");

    const auto archive = orbi::writeZip(*entries, writeDiagnostics);
    if (!archive || !writeDiagnostics.empty()) fail("what was read cannot be written");
    const auto back = orbi::readZip(*archive, limits, again);
    if (!back || !again.empty() || back->size() != entries->size()) fail("what was written does not read back");
    // A stored entry may come back deflated and the reverse, as deflating pays or not.
    for (std::size_t i = 0; i < back->size(); ++i)
        if ((*entries)[i].name != (*back)[i].name || (*entries)[i].data != (*back)[i].data) fail("an entry changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkZip(data, size);
    const orbi::ZipLimits limits;
    orbi::DiagnosticList diagnostics, writeDiagnostics, again;
    auto package = orbi::readPackage(std::span<const std::uint8_t>(data, size), "instance.json", limits, diagnostics);
    if (package.has_value() == orbi::firstError(diagnostics).has_value()) fail("a result and an error disagree");
    // The document alone reads exactly when the whole package does, and to the same document.
    orbi::MemoryZipSource source(std::span<const std::uint8_t>(data, size));
    orbi::DiagnosticList documentDiagnostics;
    const auto alone = orbi::readPackageDocument(source, limits, documentDiagnostics);
    if (alone.has_value() != package.has_value() || (alone && !(alone->document == package->document)))
        fail("the document read alone differs");
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
