// Hostile archives through every reader that opens one (readZip, readLegacyBundle, readPackage;
// the tool's run over such a bundle is in the golden corpus): names that leave the archive, claims
// past the limits, a deflate bomb with a lying header, entries overlapping one bomb, nested archives.
// Each must give its exact findings, and memory must stay within what the limits allow: the
// sanitizer's allocation hooks measure the largest block and the peak of live bytes.
#include <gtest/gtest.h>

#include <algorithm>

#include "archive/sha256.hpp"
#include "archive/zip_reader.hpp"
#include "legacy/legacy_bundle.hpp"
#include "library/package.hpp"
#include "support/zip_builder.hpp"
#include "allocation_watch.hpp"

namespace orbi::test {
namespace {

using Usage = AllocationUsage;
using Entry = RawEntry;
constexpr std::size_t kMiB = 1 << 20;

Entry stored(std::string name, const Bytes& data) { return storedEntry(std::move(name), data); }
Entry deflated(std::string name, const Bytes& data) { return deflatedEntry(std::move(name), data); }
Bytes zip(std::vector<Entry> entries) {
    RawArchive archive;
    archive.entries = std::move(entries);
    return buildZip(archive);
}

Diagnostic warning(const std::string& code, const std::string& name, const std::string& message) {
    return Diagnostic{Severity::Warning, code, "/" + name, message};
}
Diagnostic tooLarge(const std::string& name) {
    return Diagnostic{Severity::Error, "zip-too-large", "/" + name, "The archive unpacks to more than allowed"};
}

const char* const kUnsafe = "The entry name leaves the archive; skipped";

const std::vector<std::string> kUnsafeNames{
    "../evil",       "a/../../evil",  "a/..",         "..",          "/etc/passwd", "//server/share",
    "C:/Windows/x",  "c:evil",        "C:\\evil",     "a\\..\\evil", "samples\\a",  std::string("nul\0byte", 8),
    "tab\tname",     "line\nbreak",   "\x1b[2Jclear", ""};
const std::vector<std::string> kOddButSafe{"./a", "a//b", "..a/b", "a../b", "a/.", "\xC3\xA9t\xC3\xA9", "del\x7F"};

TEST(HostileZip, NamesThatLeaveTheArchiveAreSkippedByEveryReader) {
    std::vector<Entry> entries;
    DiagnosticList expected;
    for (const std::string& name : kUnsafeNames) {
        entries.push_back(stored(name, bytesOf("x")));
        expected.push_back(warning("zip-unsafe-name", name, kUnsafe));
    }
    entries.push_back(stored("../", bytesOf("")));  // a directory entry: dropped without a word
    for (const std::string& name : kOddButSafe) entries.push_back(stored(name, bytesOf(name)));

    DiagnosticList diagnostics;
    auto read = readZip(zip(entries), ZipLimits{}, diagnostics);
    ASSERT_TRUE(read);
    EXPECT_EQ(diagnostics, expected);
    std::vector<std::string> names;
    for (const ZipEntry& e : *read) names.push_back(e.name);
    EXPECT_EQ(names, kOddButSafe);

    // A bundle carries only its safe files; the document is still read.
    std::vector<Entry> bundle{stored("preset.obpreset", bytesOf(R"({"name":"Trap","version":6})")),
                              stored("wavetables/../../../home/user/.bashrc", bytesOf("rm -rf ~")),
                              stored("samples/../../x.wav", bytesOf("up")),
                              stored("/samples/abs.wav", bytesOf("abs")),
                              stored("samples\\..\\win.wav", bytesOf("win")),
                              stored("C:samples/drive.wav", bytesOf("drive")),
                              stored("samples/ok.wav", bytesOf("ok"))};
    diagnostics.clear();
    auto preset = readLegacyBundle(zip(bundle), diagnostics);
    ASSERT_TRUE(preset);
    EXPECT_EQ(preset->name, "Trap");
    EXPECT_EQ(preset->bundleFiles, (std::map<std::string, Bytes>{{"samples/ok.wav", bytesOf("ok")}}));
    DiagnosticList bundleExpected;
    for (std::size_t i = 1; i + 1 < bundle.size(); ++i) bundleExpected.push_back(warning("zip-unsafe-name", bundle[i].name, kUnsafe));
    EXPECT_EQ(diagnostics, bundleExpected);

    // A package: an unsafe name that would land on the document, or on an asset, is no entry at all.
    const Bytes wave = bytesOf("wave");
    const std::string digest = sha256Hex(wave);
    std::vector<Entry> package{stored("../instance.json", bytesOf(R"({"kind":"clip"})")),
                               stored("instance.json", bytesOf(R"({"kind":"instance"})")),
                               stored("assets/../assets/" + digest, wave),
                               stored("assets/" + digest, wave)};
    diagnostics.clear();
    auto read2 = readPackage(zip(package), "instance.json", ZipLimits{}, diagnostics);
    ASSERT_TRUE(read2);
    EXPECT_EQ(stringMemberOr(read2->document, "kind", ""), "instance");
    ASSERT_EQ(read2->assets.size(), 1u);
    EXPECT_TRUE(read2->otherEntries.empty());
    EXPECT_EQ(diagnostics, (DiagnosticList{warning("zip-unsafe-name", "../instance.json", kUnsafe),
                                           warning("zip-unsafe-name", "assets/../assets/" + digest, kUnsafe)}));
}

TEST(HostileZip, ClaimsPastTheLimitsFailBeforeAnythingIsUnpacked) {
    auto claiming = [&](std::string name, std::uint32_t size) {
        Entry e = deflated(std::move(name), bytesOf("small"));
        e.unpackedSize = size;
        return e;
    };

    struct Case {
        const char* what;
        std::vector<Entry> entries;
        ZipLimits limits;
        Diagnostic expected;
    };
    const std::vector<Case> cases{
        {"one entry claims 4 GiB", {claiming("big", 0xFFFFFFFEu)}, ZipLimits{}, tooLarge("big")},
        {"one entry claims a byte past 1 GiB", {claiming("a", 1u << 30), claiming("b", (1u << 30) + 1)}, ZipLimits{},
         tooLarge("b")},
        {"three entries of 1 GiB pass 2 GiB together",
         {claiming("a", 1u << 30), claiming("b", 1u << 30), claiming("c", 1)}, ZipLimits{}, tooLarge("c")},
        {"a directory entry's claim counts too", {claiming("dir/", 10), claiming("x", 1)}, ZipLimits{100, 10, 10},
         tooLarge("x")},
        {"more entries than allowed", {claiming("a", 1), claiming("b", 1), claiming("c", 1)}, ZipLimits{2, 10, 10},
         Diagnostic{Severity::Error, "zip-too-large", "", "More entries than allowed (2)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes archive = zip(c.entries);
        DiagnosticList diagnostics;
        Usage usage = measureAllocations([&] { EXPECT_FALSE(readZip(archive, c.limits, diagnostics)); });
        ASSERT_FALSE(diagnostics.empty());
        EXPECT_EQ(diagnostics.back(), c.expected);
        if (usage.measured) {
            EXPECT_LT(usage.largestBlock, kMiB);
        }
    }

    // The bundle and package readers pass the same limits on.
    DiagnosticList diagnostics;
    std::vector<Entry> bundle{stored("preset.obpreset", bytesOf(R"({"name":"B","version":6})")),
                              claiming("samples/a.wav", 1u << 30), claiming("samples/b.wav", (1u << 30) - 1024),
                              claiming("samples/c.wav", 2048)};
    Usage usage = measureAllocations([&] { EXPECT_FALSE(readLegacyBundle(zip(bundle), diagnostics)); });
    EXPECT_EQ(diagnostics.back(), tooLarge("samples/c.wav"));
    if (usage.measured) {
        EXPECT_LT(usage.largestBlock, kMiB);
    }

    diagnostics.clear();
    const std::string asset = "assets/" + std::string(64, 'a');
    std::vector<Entry> package{stored("instance.json", bytesOf("{}")), claiming(asset, (1u << 30) + 1)};
    EXPECT_FALSE(readPackage(zip(package), "instance.json", ZipLimits{}, diagnostics));
    EXPECT_EQ(diagnostics, (DiagnosticList{tooLarge(asset)}));
}

TEST(HostileZip, ADeflateBombGetsNoMoreMemoryThanItsHeaderOrItsInputAllow) {
    // 8 MiB of zeros in some 50 KB of DEFLATE.
    const Bytes zeros(8 * kMiB, 0);
    const Entry bomb = deflated("bomb", zeros);
    ASSERT_LT(bomb.packed.size(), 64u * 1024);

    // The header says 4 KiB: inflating stops there.
    Entry lying = bomb;
    lying.unpackedSize = 4096;
    DiagnosticList diagnostics;
    const Bytes lyingZip = zip({lying});
    Usage usage = measureAllocations([&] {
        auto read = readZip(lyingZip, ZipLimits{}, diagnostics);
        ASSERT_TRUE(read);
        EXPECT_TRUE(read->empty());
    });
    EXPECT_EQ(diagnostics, (DiagnosticList{warning("zip-damaged-entry", "bomb",
                                                   "Cannot decompress: more data than declared; skipped")}));
    if (usage.measured) {
        EXPECT_LT(usage.peakGrowth, kMiB);
    }

    // The header says nearly 4 GiB and the limits let it: what is reserved follows the input's
    // size (at most 1032 bytes out for one byte in), not the claim.
    Entry claiming = bomb;
    claiming.unpackedSize = 0xFFFFFFFEu;
    const ZipLimits generous{10, 8ull << 30, 8ull << 30};
    diagnostics.clear();
    const Bytes claimingZip = zip({claiming});
    usage = measureAllocations([&] { ASSERT_TRUE(readZip(claimingZip, generous, diagnostics)); });
    EXPECT_EQ(diagnostics,
              (DiagnosticList{warning("zip-damaged-entry", "bomb", "Cannot decompress: wrong size; skipped")}));
    RecordProperty("largestBlockForA4GiBClaim", std::to_string(usage.largestBlock));
    if (usage.measured) {
        EXPECT_LE(usage.largestBlock, bomb.packed.size() * 1032 + 1024);
        EXPECT_LT(usage.peakGrowth, 2 * bomb.packed.size() * 1032 + 2 * kMiB);
    }

    // Declared honestly, it unpacks, and costs its size.
    diagnostics.clear();
    const Bytes honestZip = zip({bomb});
    usage = measureAllocations([&] {
        auto read = readZip(honestZip, ZipLimits{}, diagnostics);
        ASSERT_TRUE(read);
        ASSERT_EQ(read->size(), 1u);
        EXPECT_TRUE((*read)[0].data == zeros);
    });
    EXPECT_TRUE(diagnostics.empty());
    if (usage.measured) {
        EXPECT_LT(usage.peakGrowth, zeros.size() + 2 * kMiB);
    }
}

TEST(HostileZip, OverlappingEntriesAreBoundedByTheTotalLimit) {
    // One deflated MiB under one local header, and 40 central entries that all point at it.
    const Bytes zeros(kMiB, 0);
    std::vector<Entry> entries{deflated("e000", zeros)};
    for (int i = 1; i < 40; ++i) {
        Entry e = entries[0];
        e.name = "e" + std::string(i < 10 ? "00" : "0") + std::to_string(i);
        e.writeLocal = false;
        e.localOffset = 0;
        entries.push_back(e);
    }
    const Bytes archive = zip(entries);
    ASSERT_LT(archive.size(), 20u * 1024);

    // 16 MiB in total: the 17th entry passes the limit; nothing is returned.
    DiagnosticList diagnostics;
    Usage usage = measureAllocations([&] { EXPECT_FALSE(readZip(archive, ZipLimits{10000, kMiB, 16 * kMiB}, diagnostics)); });
    EXPECT_EQ(diagnostics, (DiagnosticList{tooLarge("e016")}));
    if (usage.measured) {
        EXPECT_LT(usage.peakGrowth, 16 * kMiB + 2 * kMiB);
    }

    // Within the limits they are read, each a copy of the same data.
    diagnostics.clear();
    auto read = readZip(archive, ZipLimits{10000, kMiB, 40 * kMiB}, diagnostics);
    ASSERT_TRUE(read);
    EXPECT_TRUE(diagnostics.empty());
    ASSERT_EQ(read->size(), 40u);
    EXPECT_TRUE(read->back().data == zeros);
}

TEST(HostileZip, ArchivesInsideArchivesStayUnopened) {
    // Ten inner archives of ten deflated MiB each: 100 MiB if anything opened them.
    const Bytes zeros(kMiB, 0);
    std::vector<Entry> inner;
    for (int i = 0; i < 10; ++i) inner.push_back(deflated("samples/z" + std::to_string(i) + ".wav", zeros));
    const Bytes innerZip = zip(inner);
    std::vector<Entry> outer{stored("preset.obpreset", bytesOf(R"({"name":"Nest","version":6})")),
                             stored("instance.json", bytesOf(R"({"kind":"instance"})"))};
    for (int i = 0; i < 10; ++i) outer.push_back(stored("samples/n" + std::to_string(i) + ".obsz", innerZip));
    const Bytes archive = zip(outer);

    DiagnosticList diagnostics;
    Usage usage = measureAllocations([&] {
        auto preset = readLegacyBundle(archive, diagnostics);
        ASSERT_TRUE(preset);
        ASSERT_EQ(preset->bundleFiles.size(), 10u);
        EXPECT_TRUE(preset->bundleFiles.at("samples/n9.obsz") == innerZip);
    });
    EXPECT_TRUE(diagnostics.empty());
    if (usage.measured) {
        EXPECT_LT(usage.peakGrowth, 4 * archive.size() + kMiB);
    }

    usage = measureAllocations([&] {
        auto package = readPackage(archive, "instance.json", ZipLimits{}, diagnostics);
        ASSERT_TRUE(package);
        ASSERT_EQ(package->otherEntries.size(), 11u);
        EXPECT_TRUE(package->otherEntries.back().data == innerZip);
    });
    EXPECT_TRUE(diagnostics.empty());
    if (usage.measured) {
        EXPECT_LT(usage.peakGrowth, 4 * archive.size() + kMiB);
    }
}

}  // namespace
}  // namespace orbi::test
