// Packages: the bare and zip forms, asset verification and ordering, checked with Python's
// zipfile as an independent reader.
#include <gtest/gtest.h>

#include <cstdlib>

#include "archive/sha256.hpp"
#include "archive/zip_reader.hpp"
#include "json/json_parser.hpp"
#include "json/json_writer.hpp"
#include "library/package.hpp"
#include "support/temp_folder.hpp"
#include "support/host.hpp"

namespace orbi {
namespace {

std::vector<std::uint8_t> bytesOf(std::string_view s) { return {s.begin(), s.end()}; }

JsonValue instanceDoc(const std::string& id) {
    JsonValue doc;
    setMember(doc, "kind", JsonValue::makeString("instance"));
    setMember(doc, "id", JsonValue::makeString(id));
    setMember(doc, "plugin", JsonValue::makeString("orbitrone"));
    return doc;
}

PackageAsset assetOf(std::string_view data) {
    auto bytes = bytesOf(data);
    return PackageAsset{sha256Hex(bytes), bytes};
}

TEST(Package, BareDocumentWhenNothingElse) {
    Package p;
    p.document = instanceDoc("soft-pad");
    DiagnosticList d;
    auto bytes = writePackage(p, d);
    ASSERT_TRUE(bytes);
    EXPECT_TRUE(d.empty());
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), writeDocument(p.document));
    EXPECT_FALSE(isZipSignature(*bytes));

    auto back = readPackage(*bytes, "instance.json", ZipLimits{}, d);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->document, p.document);
    EXPECT_TRUE(back->assets.empty());
    EXPECT_TRUE(back->otherEntries.empty());

    // A byte order mark and blank lines before the brace still make a bare document.
    auto padded = readPackage(bytesOf("\xEF\xBB\xBF\r\n\t {\"kind\":\"instance\"}"), "instance.json", ZipLimits{}, d);
    ASSERT_TRUE(padded);
    EXPECT_EQ(stringMemberOr(padded->document, "kind", ""), "instance");
    EXPECT_TRUE(d.empty());
}

TEST(Package, NeitherJsonNorZip) {
    for (std::string_view text : {"", "   \n", "[1,2]", "PK", "\xEF\xBB\xBF", "hello"}) {
        DiagnosticList d;
        EXPECT_FALSE(readPackage(bytesOf(text), "instance.json", ZipLimits{}, d));
        ASSERT_EQ(d.size(), 1u) << text;
        EXPECT_EQ(d[0], (Diagnostic{Severity::Error, "package-unreadable", "", "Neither a JSON document nor a zip archive"}));
    }
    // A brace that does not parse is the JSON reader's own finding.
    DiagnosticList d;
    EXPECT_FALSE(readPackage(bytesOf("{\"a\":}"), "instance.json", ZipLimits{}, d));
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].code, "document-unreadable");
    EXPECT_EQ(d[0].path, "");
}

TEST(Package, EmptyArchiveHasNoDocument) {
    std::vector<std::uint8_t> empty{'P', 'K', 5, 6};
    empty.resize(22, 0);
    DiagnosticList d;
    EXPECT_FALSE(readPackage(empty, "instance.json", ZipLimits{}, d));
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0], (Diagnostic{Severity::Error, "document-missing", "/instance.json", "The archive has no instance.json"}));
}

TEST(Package, AssetsSortedStoredAfterTheDocumentAndVerifiedOnRead) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    Package p;
    p.document = instanceDoc("wobble");
    PackageAsset a = assetOf("first wavetable");
    PackageAsset b = assetOf("second sample");
    p.assets = {std::max(a, b, [](auto& x, auto& y) { return x.name < y.name; }),
                std::min(a, b, [](auto& x, auto& y) { return x.name < y.name; })};
    std::string upper(64, 'A');
    p.otherEntries.push_back(ZipEntry{"assets/" + upper, bytesOf("kept as is"), false});
    p.otherEntries.push_back(ZipEntry{"notes.txt", bytesOf("hello hello hello hello hello hello"), true});

    DiagnosticList d;
    auto bytes = writePackage(p, d);
    ASSERT_TRUE(bytes) << (d.empty() ? "" : d[0].message);
    EXPECT_TRUE(isZipSignature(*bytes));

    auto entries = readZip(*bytes, ZipLimits{}, d);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 5u);
    std::string low = std::min(a.name, b.name), high = std::max(a.name, b.name);
    EXPECT_EQ((*entries)[0].name, "instance.json");
    EXPECT_EQ((*entries)[1].name, "assets/" + low);
    EXPECT_EQ((*entries)[2].name, "assets/" + high);
    EXPECT_FALSE((*entries)[1].compress);
    EXPECT_FALSE((*entries)[2].compress);
    EXPECT_EQ((*entries)[3].name, "assets/" + upper);
    EXPECT_EQ((*entries)[4].name, "notes.txt");

    auto back = readPackage(*bytes, "instance.json", ZipLimits{}, d);
    ASSERT_TRUE(back);
    EXPECT_TRUE(d.empty());
    EXPECT_EQ(back->document, p.document);
    ASSERT_EQ(back->assets.size(), 2u);
    EXPECT_EQ(back->assets[0].name, low);
    ASSERT_EQ(back->otherEntries.size(), 2u);
    EXPECT_EQ(back->otherEntries[0].name, "assets/" + upper);
    EXPECT_EQ(std::string(back->otherEntries[0].data.begin(), back->otherEntries[0].data.end()), "kept as is");

    // Written again, the package comes out byte for byte the same.
    auto again = writePackage(*back, d);
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *bytes);

    // Python's zipfile agrees on names and contents.
    test::TempFolder tmp;
    test::writeFile(tmp / "p.orbi", std::string(bytes->begin(), bytes->end()));
    std::string cmd = "python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                      "assert z.testzip() is None; "
                      "assert z.namelist()[0]=='instance.json'; "
                      "assert z.read('notes.txt')==b'hello hello hello hello hello hello'\" " +
                      (tmp / "p.orbi").string();
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST(Package, CorruptAssetLeftOutRestRead) {
    PackageAsset good = assetOf("good");
    PackageAsset bad = assetOf("bad");
    std::vector<ZipEntry> entries{
        ZipEntry{"instance.json", bytesOf(writeDocument(instanceDoc("x"))), true},
        ZipEntry{"assets/" + good.name, good.data, false},
        ZipEntry{"assets/" + bad.name, bytesOf("altered"), false},
    };
    // Build the archive through a package with the asset data swapped in as an "other" entry.
    Package raw;
    raw.document = instanceDoc("x");
    raw.otherEntries = {entries[1], entries[2]};
    DiagnosticList d;
    auto bytes = writePackage(raw, d);
    ASSERT_TRUE(bytes);
    auto back = readPackage(*bytes, "instance.json", ZipLimits{}, d);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->assets.size(), 1u);
    EXPECT_EQ(back->assets[0].name, good.name);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0], (Diagnostic{Severity::Warning, "asset-corrupt", "/assets/" + bad.name,
                                "The asset does not match its name; left out, the plugin falls back"}));
}

TEST(Package, AssetNameFormIsCheckedBeforeWriting) {
    Package p;
    p.document = instanceDoc("x");
    p.assets.push_back(assetOf("fine"));
    p.assets.push_back(PackageAsset{"ABC", bytesOf("x")});
    DiagnosticList d;
    EXPECT_FALSE(writePackage(p, d));
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0], (Diagnostic{Severity::Error, "asset-name", "/ABC", "An asset is named by the sha256 of its data"}));
}

}  // namespace
}  // namespace orbi
