// Zip reading and writing: faults and skipped entries with their exact codes, messages and paths,
// limits and lying sizes; the writer's exact layout and refusals; and zip(1), unzip and Python's
// zipfile as controls both ways.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <new>

#include "archive/archive_messages.hpp"
#include "archive/zip_reader.hpp"
#include "archive/zip_writer.hpp"
#include "support/host.hpp"
#include "support/temp_folder.hpp"
#include "support/zip_builder.hpp"

namespace orbi {
// The largest block asked of operator new while armed: what a lying header gets the reader to reserve.
std::atomic<bool> gWatching{false};
std::atomic<std::size_t> gLargestBlock{0};
}  // namespace orbi
void* operator new(std::size_t n) {
    if (orbi::gWatching && n > orbi::gLargestBlock) orbi::gLargestBlock = n;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace orbi {
namespace {

using test::Bytes;
using test::RawArchive;
using test::RawEntry;
namespace text = archive_text;

Diagnostic error(std::string_view code, std::string_view message, std::string path = {}) {
    return {Severity::Error, std::string(code), std::move(path), std::string(message)};
}
Diagnostic warning(std::string_view code, std::string_view message, std::string path) {
    return {Severity::Warning, std::string(code), "/" + path, std::string(message)};
}
Diagnostic cannotDecompress(std::string_view phrase, std::string path) {
    return warning(text::kCodeDamagedEntry, "Cannot decompress: " + std::string(phrase) + "; skipped", std::move(path));
}
const std::string kFailed = "(failed)";

// The names read, or kFailed; and the findings.
std::vector<std::string> read(const Bytes& archive, DiagnosticList& d, const ZipLimits& limits = {}, ZipEntryFilter filter = nullptr) {
    const auto entries = readZip(archive, limits, filter, d);
    if (!entries) return {kFailed};
    std::vector<std::string> names;
    for (const ZipEntry& e : *entries) names.push_back(e.name);
    return names;
}

TEST(ZipReader, ArchiveFaultsAndLimits) {
    struct Case {
        const char* what;
        Bytes archive;
        std::vector<std::string> names;
        DiagnosticList want;
        ZipLimits limits = {};
    };
    auto with = [](auto change) {
        RawArchive a;
        const std::pair<const char*, std::size_t> files[] = {{"dir/", 0}, {"a", 300}, {"../skipped", 300}, {"b", 200}};
        for (const auto& [name, size] : files) a.entries.push_back(test::storedEntry(name, Bytes(size, 1)));
        change(a);
        return test::buildZip(a);
    };
    const auto same = [](RawArchive&) {};
    const auto unsafe = warning(text::kCodeUnsafeName, text::kSkipUnsafeName, "../skipped");
    const auto split = error(text::kCodeUnsupported, text::kSplitArchive), zip64 = error(text::kCodeUnsupported, text::kZip64Archive),
               zip64Entry = error(text::kCodeUnsupported, text::kZip64Entry, "/a"), damaged = error(text::kCodeUnreadable, text::kDamagedDirectory),
               outOfBounds = error(text::kCodeUnreadable, text::kDirectoryOutOfBounds), tooLarge = error(text::kCodeTooLarge, text::kUnpacksTooLarge, "/a"),
               tooLargeB = error(text::kCodeTooLarge, text::kUnpacksTooLarge, "/b");
    Bytes badSignature = with(same);
    badSignature[badSignature.size() - 22 - 4 * 46 - 16] ^= 0xFF;  // the first central header
    const Case cases[] = {
        {"empty archive", test::fromHex("504b0506 0000 0000 0000 0000 00000000 00000000 0000"), {}, {}},
        {"a comment naming the signature", with([](auto& a) { a.comment = "PK\x05\x06"; }), {"a", "b"}, {unsafe}},
        {"a byte after the comment", with([](auto& a) { a.afterComment = {0}; }), {kFailed}, {error(text::kCodeUnreadable, text::kNoEndRecord)}},
        {"21 bytes", Bytes(21, 0), {kFailed}, {error(text::kCodeUnreadable, text::kTooShort)}},
        {"this disk", with([](auto& a) { a.thisDisk = 1; }), {kFailed}, {split}},
        {"directory disk", with([](auto& a) { a.directoryDisk = 1; }), {kFailed}, {split}},
        {"entries on disk", with([](auto& a) { a.entriesOnDisk = 2; }), {kFailed}, {split}},
        {"zip64 count", with([](auto& a) { a.entriesOnDisk = a.totalEntries = 0xFFFF; }), {kFailed}, {zip64}},
        {"zip64 size", with([](auto& a) { a.directorySize = 0xFFFFFFFF; }), {kFailed}, {zip64}},
        {"zip64 offset", with([](auto& a) { a.directoryOffset = 0xFFFFFFFF; }), {kFailed}, {zip64}},
        {"directory past the end record", with([](auto& a) { a.directorySize = 1000; }), {kFailed}, {outOfBounds}},
        {"offset plus size overflows 32 bits", with([](auto& a) { a.directoryOffset = 0xFFFFFFF0u; a.directorySize = 0x20; }), {kFailed}, {outOfBounds}},
        {"more headers than the directory holds", with([](auto& a) { a.entriesOnDisk = a.totalEntries = 5; }), {kFailed}, {unsafe, damaged}},
        {"directory too small for a name", with([](auto& a) { a.directorySize = 4 * 46 + 8; }), {kFailed}, {unsafe, damaged}},
        {"directory starts in the wrong place", with([](auto& a) { a.directoryOffset = 1; a.directorySize = 47; }), {kFailed}, {damaged}},
        {"wrong central signature", badSignature, {kFailed}, {damaged}},
        {"zip64 packed size", with([](auto& a) { a.entries[1].packedSize = 0xFFFFFFFF; }), {kFailed}, {zip64Entry}},
        {"zip64 unpacked size", with([](auto& a) { a.entries[1].unpackedSize = 0xFFFFFFFF; }), {kFailed}, {zip64Entry}},
        {"zip64 local offset", with([](auto& a) { a.entries[1].localOffset = 0xFFFFFFFF; }), {kFailed}, {zip64Entry}},
        {"300 bytes claiming 4 GiB, refused from the directory", with([](auto& a) { a.entries[1].unpackedSize = 0xFFFFFFFE; }), {kFailed}, {tooLarge}},
        // Skipped entries still count toward the total.
        // The default limits: 1 GiB an entry, 2 GiB in all ("../skipped" claims 1 GiB, "b" the rest).
        {"1 GiB in one entry", with([](auto& a) { a.entries[2].unpackedSize = 1u << 30; }), {"a", "b"}, {unsafe}},
        {"a byte past 1 GiB", with([](auto& a) { a.entries[3].unpackedSize = (1u << 30) + 1; }), {kFailed}, {unsafe, tooLargeB}},
        {"2 GiB in all", with([](auto& a) { a.entries[2].unpackedSize = 1u << 30, a.entries[3].unpackedSize = (1u << 30) - 300; }), {"a"},
         {unsafe, warning(text::kCodeDamagedEntry, text::kSkipStoredSizes, "b")}},
        {"a byte past 2 GiB", with([](auto& a) { a.entries[2].unpackedSize = 1u << 30, a.entries[3].unpackedSize = (1u << 30) - 299; }), {kFailed}, {unsafe, tooLargeB}},
        {"total one byte short", with(same), {kFailed}, {unsafe, tooLargeB}, {10000, 1u << 30, 799}},
        {"a directory's claim counts", with([](auto& a) { a.entries[0].unpackedSize = 1; }), {kFailed}, {unsafe, tooLargeB}, {10000, 1u << 30, 800}},
        {"total exactly reached", with(same), {"a", "b"}, {unsafe}, {10000, 1u << 30, 800}},
        {"one entry too large", with(same), {kFailed}, {tooLarge}, {10000, 299, 1u << 31}},
        {"entry count exactly reached", with(same), {"a", "b"}, {unsafe}, {4, 1u << 30, 1u << 31}},
        {"one entry too many", with(same), {kFailed}, {error(text::kCodeTooLarge, "More entries than allowed (3)")}, {3, 1u << 30, 1u << 31}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DiagnosticList d, filtered;
        EXPECT_EQ(read(c.archive, d, c.limits), c.names);
        EXPECT_EQ(d, c.want);
        // A filter leaves entries out after the directory checks: the verdict stays the same.
        if (c.names != std::vector<std::string>{kFailed}) continue;
        EXPECT_EQ(read(c.archive, filtered, c.limits, [](std::string_view) { return false; }), c.names);
        EXPECT_EQ(filtered, c.want);
    }
}

TEST(ZipReader, SkippedEntriesInOrderOthersKept) {
    const Bytes hello = test::bytesOf("hello, world"), json = test::jsonLike(5000, 3);
    struct Row {
        std::string name;  // "d:" deflates "0123456789"
        std::function<void(RawEntry&)> change = [](RawEntry&) {};
        std::string_view code = {};  // empty: kept, or dropped without a word
        std::string message = {};
    };
    std::vector<Row> rows = {{"keep1"}, {"dir/"}, {"../"}};  // directories are dropped without a word
    for (std::string name : {"../up", "a/../b", "a/..", "..", "", "/abs", "c:x", "C:", "a\\b", "tab\there", "nl\n", "\x1f", "nul?"}) {
        if (name == "nul?") name[3] = '\0';
        rows.push_back({name, {}, text::kCodeUnsafeName, std::string(text::kSkipUnsafeName)});
    }
    const std::vector<std::string> safe = {"a/./b", "./a", "a//b", "...", "a..b", "a../b", "..a/.", "sp ace", "\x7F\xC3\xA9t\xC3\xA9"};
    for (const std::string& name : safe) rows.push_back({name});
    const std::string damaged(text::kCodeDamagedEntry), decompress = "Cannot decompress: ";
    for (Row& row : std::vector<Row>{
             {"keep1", {}, text::kCodeDuplicateName, std::string(text::kSkipDuplicate)}, {"dir/"},
             {"enc", [](auto& e) { e.flags = 1; }, text::kCodeEncrypted, std::string(text::kSkipEncrypted)},
             {"enc", {}, text::kCodeDuplicateName, std::string(text::kSkipDuplicate)},  // a duplicate of a skipped entry
             {"bzip", [](auto& e) { e.method = 12; }, text::kCodeMethod, std::string(text::kSkipMethod)},
             {"far", [](auto& e) { e.localOffset = 0x7FFFFFF0; }, damaged, std::string(text::kSkipDamagedHeader)},
             {"badlocal", [](auto& e) { e.localSignature = 0x04034b51; }, damaged, std::string(text::kSkipDamagedHeader)},
             {"lying", [](auto& e) { e.packedSize = 5; }, damaged, std::string(text::kSkipStoredSizes)},
             {"flipped", [](auto& e) { e.packed[3] ^= 0x20; }, text::kCodeChecksum, std::string(text::kSkipChecksum)},
             {"extra", [](auto& e) { e.localExtra = Bytes(37, 0xEE), e.centralExtra = Bytes(4, 0xDD), e.centralComment = "c"; }},
             {"d:more", [](auto& e) { e.unpackedSize = 9, e.crc = 0; }, damaged, decompress + "more data than declared; skipped"},
             {"d:less", [](auto& e) { e.unpackedSize = 11; }, damaged, decompress + "wrong size; skipped"},
             {"d:broken", [](auto& e) { e.packed = {7}, e.packedSize = 1; }, damaged, decompress + "invalid block type; skipped"},
             {"keep2", [&](auto& e) { e = test::deflatedEntry("keep2", json); }},
             {"past", [](auto& e) { e.packedSize = e.unpackedSize = 100000; }, damaged, std::string(text::kSkipRunsPast)}})
        rows.push_back(std::move(row));
    RawArchive a;
    DiagnosticList want;
    for (const Row& row : rows) {
        const bool deflated = row.name.starts_with("d:");
        a.entries.push_back(deflated ? test::deflatedEntry(row.name.substr(2), test::bytesOf("0123456789")) : test::storedEntry(row.name, hello));
        if (row.change) row.change(a.entries.back());
        if (!row.code.empty()) want.push_back(warning(row.code, row.message, a.entries.back().name));
    }
    const Bytes archive = test::buildZip(a);

    DiagnosticList d;
    const auto entries = readZip(archive, {}, d);
    ASSERT_TRUE(entries);
    std::vector<std::string> names;
    for (const ZipEntry& e : *entries) {
        names.push_back(e.name);
        EXPECT_EQ(e.data, e.name == "keep2" ? json : hello) << e.name;
        EXPECT_EQ(e.compress, e.name == "keep2") << e.name;
    }
    std::vector<std::string> kept = {"keep1"};
    kept.insert(kept.end(), safe.begin(), safe.end());
    kept.insert(kept.end(), {"extra", "keep2"});
    EXPECT_EQ(names, kept);
    EXPECT_EQ(d, want);

    // A filter keeps every finding about names, flags and methods and drops those about the data
    // of the entries it leaves out.
    DiagnosticList filtered;
    const auto wanted = [](std::string_view name) { return name == "keep2" || name == "flipped" || name == "enc"; };
    EXPECT_EQ(read(archive, filtered, {}, wanted), std::vector<std::string>{"keep2"});
    DiagnosticList wantFiltered(want.begin(), want.begin() + 17);
    wantFiltered.push_back(want[20]);
    EXPECT_EQ(filtered, wantFiltered);
}

TEST(ZipReader, LyingSizesCostNoMemoryAndOverlapsCountEachTime) {
    // 64 MiB of zeros claiming 1 MiB stops at the claim; 64 KiB claiming 1 GiB is the wrong size,
    // found with no more reserved than 1,032 bytes out for each byte in.
    RawArchive a;
    a.entries = {test::deflatedEntry("bomb", Bytes(64 << 20, 0)), test::deflatedEntry("claims-1GiB", Bytes(64 << 10, 0))};
    a.entries[0].unpackedSize = 1 << 20;
    a.entries[1].unpackedSize = 1u << 30;
    const Bytes bombs = test::buildZip(a);
    DiagnosticList d;
    gLargestBlock = 0, gWatching = true;
    EXPECT_EQ(read(bombs, d), std::vector<std::string>{});
    gWatching = false;
    EXPECT_LE(gLargestBlock, 1u << 20);
    EXPECT_EQ(d, (DiagnosticList{cannotDecompress(text::kMoreDataThanDeclared, "bomb"), cannotDecompress(text::kWrongSize, "claims-1GiB")}));

    // Fifty central headers share one local entry of 1 MiB; names come from the directory.
    RawArchive shared;
    shared.entries.push_back(test::deflatedEntry("0", Bytes(1 << 20, 0)));
    for (int i = 1; i < 50; ++i) {
        shared.entries.push_back(shared.entries[0]);
        shared.entries.back().name = std::to_string(i);
        shared.entries.back().writeLocal = false;
        shared.entries.back().localOffset = 0;
    }
    d.clear();
    EXPECT_EQ(read(test::buildZip(shared), d).size(), 50u);
    EXPECT_EQ(read(test::buildZip(shared), d, {10000, 1u << 30, 10 << 20}), std::vector<std::string>{kFailed});
    EXPECT_EQ(d, DiagnosticList{error(text::kCodeTooLarge, text::kUnpacksTooLarge, "/10")});
}

ZipEntry entry(std::string name, Bytes data, bool compress = false) { return {std::move(name), std::move(data), compress}; }

TEST(ZipWriter, ExactLayoutAndTheStoreOrDeflateChoice) {
    DiagnosticList d;
    EXPECT_EQ(writeZip({}, d), test::fromHex("504b0506 0000 0000 0000 0000 00000000 00000000 0000"));
    // Local header (version 20, flags 0x0800, stored, time 0, date 0x0021, CRC of "hi", sizes,
    // name length, no extra, name, data); central header (made by 20, offset 0); end record.
    EXPECT_EQ(writeZip({entry("a", test::bytesOf("hi"))}, d),
              test::fromHex("504b0304 1400 0008 0000 0000 2100 ac2a93d8 02000000 02000000 0100 0000 61 6869"
                            "504b0102 1400 1400 0008 0000 0000 2100 ac2a93d8 02000000 02000000 0100 0000 0000 0000 0000"
                            "00000000 00000000 61"
                            "504b0506 0000 0000 0100 0100 2f000000 21000000 0000"));
    // Deflated only when strictly shorter and allowed; read back with the same names, data and methods.
    const std::vector<ZipEntry> entries = {entry("doc.json", test::jsonLike(10000, 61), true), entry("stored.json", test::jsonLike(10000, 61)),
                                           entry("noise", test::randomBytes(40, 62), true), entry("empty", {}, true),
                                           entry("abc", test::bytesOf("abc"), true)};
    const auto archive = writeZip(entries, d);
    ASSERT_TRUE(archive);
    const auto back = readZip(*archive, {}, d);
    ASSERT_TRUE(back && back->size() == entries.size());
    EXPECT_TRUE(d.empty());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ((*back)[i].name, entries[i].name);
        EXPECT_EQ((*back)[i].data, entries[i].data);
        EXPECT_EQ((*back)[i].compress, i == 0) << entries[i].name;
    }
    EXPECT_EQ(writeZip(entries, d), archive) << "the same entries give the same bytes";
    EXPECT_EQ(writeZip(*back, d), archive) << "carried through, every entry keeps its method";
}

TEST(ZipWriter, Refusals) {
    auto unsafe = [](std::string name) { return error(text::kCodeUnsafeName, text::kWriteUnsafeName, "/" + name); };
    const Bytes x = test::bytesOf("x");
    const std::pair<std::vector<ZipEntry>, Diagnostic> cases[] = {
        {{entry("ok", x), entry("a/../b", x)}, unsafe("a/../b")}, {{entry("/abs", x)}, unsafe("/abs")},
        {{entry("c:x", x)}, unsafe("c:x")}, {{entry("a\\b", x)}, unsafe("a\\b")}, {{entry("a\tb", x)}, unsafe("a\tb")},
        {{entry("", x)}, unsafe("")}, {{entry(std::string(65536, 'n'), x)}, unsafe(std::string(65536, 'n'))},
        {{entry(std::string(65535, 'n'), x), entry(std::string("a\0b", 3), x)}, unsafe(std::string("a\0b", 3))},
        {{entry("x", x), entry("X", x), entry("x", x)}, error(text::kCodeDuplicateName, text::kWriteDuplicate, "/x")},
        {std::vector<ZipEntry>(65535), error(text::kCodeTooLarge, text::kWriteTooManyEntries)},  // before any name is looked at
    };
    for (const auto& [entries, want] : cases) {
        DiagnosticList d;
        EXPECT_FALSE(writeZip(entries, d)) << want.path;
        EXPECT_EQ(d, DiagnosticList{want});
    }
    std::vector<ZipEntry> most(65534);
    for (std::size_t i = 0; i < most.size(); ++i) most[i].name = std::to_string(i);
    DiagnosticList d;
    const auto archive = writeZip(most, d);
    ASSERT_TRUE(archive);
    EXPECT_EQ(read(*archive, d, {65534, 1, 1}).size(), 65534u);
    EXPECT_TRUE(d.empty());

    using zip_detail::entryFitsWithoutZip64;
    EXPECT_TRUE(entryFitsWithoutZip64(0xFFFFFFFEu, 0, 0) && entryFitsWithoutZip64(0, 0xFFFFFFFEu, 0) && entryFitsWithoutZip64(10, 0xFFFFFFF0u, 0xE));
    EXPECT_FALSE(entryFitsWithoutZip64(0xFFFFFFFFu, 0, 0) || entryFitsWithoutZip64(0, 0xFFFFFFFFu, 0) || entryFitsWithoutZip64(10, 0xFFFFFFF0u, 0xF));
    EXPECT_TRUE(zip_detail::archiveFitsWithoutZip64(0xFFFFFFFEu));
    EXPECT_FALSE(zip_detail::archiveFitsWithoutZip64(0xFFFFFFFFu));
}

// unzip -t and Python's zipfile accept what we write; we read what zip(1) and zipfile write,
// stored and deflated, with comments and directory entries.
TEST(ZipArchives, OtherToolsAgree) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsZipTools);
    test::TempFolder dir;
    const std::vector<ZipEntry> entries = {entry("doc.json", test::jsonLike(30000, 71), true), entry("sub/noise.bin", test::randomBytes(70000, 73), true),
                                           entry("empty.txt", {}, true), entry("run", Bytes(100000, 'r'), true),
                                           entry("sub/name with spaces and \xc3\xa9", test::bytesOf("utf-8 name"))};
    DiagnosticList d;
    test::writeFile(dir / "ours.zip", test::textOf(*writeZip(entries, d)));
    std::string listing;
    for (const ZipEntry& e : entries) {
        test::writeFile(dir / "src" / e.name, test::textOf(e.data));
        listing += e.name + "\n";
    }
    test::writeFile(dir / "names.txt", listing);
    const std::string q = "'" + dir.path().string() + "'";
    const std::string script =
        "import sys, zipfile\n"
        "d = sys.argv[1]; names = open(d + '/names.txt', encoding='utf-8').read().split('\\n')[:-1]\n"
        "with zipfile.ZipFile(d + '/ours.zip') as z:\n"
        "    assert z.testzip() is None and z.namelist() == names\n"
        "    assert all(z.read(n) == open(d + '/src/' + n, 'rb').read() for n in names)\n"
        "for m in (0, 8):\n"
        "    with zipfile.ZipFile(d + '/py%d.zip' % m, 'w', compression=m) as z:\n"
        "        z.comment = b'made by python'\n"
        "        z.writestr(zipfile.ZipInfo('sub/'), b'')\n"
        "        for n in names: z.write(d + '/src/' + n, n)\n";
    test::writeFile(dir / "check.py", script);
    const std::string cmd = "unzip -tqq " + q + "/ours.zip > /dev/null && python3 " + q + "/check.py " + q + " && cd " + q +
                            "/src && zip -q -r -0 ../zip0.zip . && zip -q -r -6 ../zip8.zip . && echo comment | zip -q -z ../zip8.zip";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    for (const char* name : {"py0.zip", "py8.zip", "zip0.zip", "zip8.zip"}) {
        SCOPED_TRACE(name);
        const auto got = readZip(test::bytesOf(test::readFile(dir / name)), {}, d);
        ASSERT_TRUE(got && d.empty());
        std::map<std::string, Bytes> byName;
        for (const ZipEntry& e : *got) {
            byName[e.name] = e.data;
            if (e.name == "doc.json") {
                EXPECT_EQ(e.compress, std::string_view(name).find('8') != std::string_view::npos);
            }
        }
        ASSERT_EQ(byName.size(), entries.size()) << "directory entries are dropped";
        for (const ZipEntry& e : entries) EXPECT_EQ(byName[e.name], e.data) << e.name;
    }
}

}  // namespace
}  // namespace orbi
