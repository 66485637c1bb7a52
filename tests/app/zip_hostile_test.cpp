// Hostile archives through the readers above readZip (the zip reader's own cases are in
// tests/archive; the tool's run over a traversing bundle is in the golden corpus): each skips a
// name that leaves the archive with its exact warning, keeps a nested archive unopened, and
// passes the limits on.
#include <gtest/gtest.h>

#include "archive/sha256.hpp"
#include "legacy/legacy_bundle.hpp"
#include "library/package.hpp"
#include "support/zip_builder.hpp"

namespace orbi::test {
namespace {

TEST(HostileZip, BundleAndPackageReadersSkipUnsafeNamesAndKeepTheLimits) {
    const Bytes wave = bytesOf("wave"), nested = buildZip({deflatedEntry("samples/z.wav", Bytes(1 << 20, 0))});
    const std::string asset = "assets/" + sha256Hex(wave);
    std::vector<RawEntry> entries = {storedEntry("preset.obpreset", bytesOf(R"({"name":"Trap","version":6})")),
                                     storedEntry("instance.json", bytesOf(R"({"kind":"instance"})")), storedEntry("samples/n.obsz", nested),
                                     storedEntry(asset, wave)};
    DiagnosticList unsafe;
    for (const std::string& name : std::vector<std::string>{"../instance.json", "samples/../../x.wav", "/samples/abs.wav",
                                                            "samples\\..\\win.wav", "C:samples/d.wav", "assets/../" + asset}) {
        entries.push_back(storedEntry(name, bytesOf("bad")));
        unsafe.push_back({Severity::Warning, "zip-unsafe-name", "/" + name, "The entry name leaves the archive; skipped"});
    }
    const Bytes bytes = buildZip(entries);
    DiagnosticList d;
    const auto preset = readLegacyBundle(bytes, d);
    ASSERT_TRUE(preset);
    EXPECT_EQ(preset->name, "Trap");
    EXPECT_EQ(preset->bundleFiles, (std::map<std::string, Bytes>{{"samples/n.obsz", nested}}));
    EXPECT_EQ(d, unsafe);
    d.clear();
    const auto package = readPackage(bytes, "instance.json", ZipLimits{}, d);
    ASSERT_TRUE(package);
    EXPECT_EQ(stringMemberOr(package->document, "kind", ""), "instance");
    ASSERT_EQ(package->assets.size(), 1u);
    ASSERT_EQ(package->otherEntries.size(), 2u);
    EXPECT_EQ(package->otherEntries[1].data, nested);
    EXPECT_EQ(d, unsafe);

    // The package reader takes the limits it is given; the bundle reader keeps 1 GiB an entry.
    const Diagnostic tooMany{Severity::Error, "zip-too-large", "", "More entries than allowed (3)"};
    d.clear();
    EXPECT_FALSE(readPackage(bytes, "instance.json", ZipLimits{3, 1 << 20, 1 << 20}, d));
    EXPECT_EQ(d, DiagnosticList{tooMany});
    entries[2].unpackedSize = (1u << 30) + 1;
    d.clear();
    EXPECT_FALSE(readLegacyBundle(buildZip(entries), d));
    EXPECT_EQ(d, (DiagnosticList{{Severity::Error, "zip-too-large", "/samples/n.obsz", "The archive unpacks to more than allowed"}}));
}

}  // namespace
}  // namespace orbi::test
