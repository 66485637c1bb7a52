// Zip reading: whole-archive faults and skipped entries with their exact codes, messages and
// paths, in order; limits; lying sizes and offsets; archives from zip(1) and Python's zipfile.
#include <gtest/gtest.h>

#include <map>

#include "archive/archive_messages.hpp"
#include "archive/zip_reader.hpp"
#include "support/temp_folder.hpp"
#include "support/zip_builder.hpp"
#include "support/host.hpp"

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
    return {Severity::Warning, std::string(code), std::move(path), std::string(message)};
}

struct Read {
    std::optional<std::vector<ZipEntry>> entries;
    DiagnosticList diagnostics;
};

Read read(const Bytes& archive, const ZipLimits& limits = {}) {
    Read r;
    r.entries = readZip(archive, limits, r.diagnostics);
    return r;
}

std::vector<std::string> names(const std::vector<ZipEntry>& entries) {
    std::vector<std::string> n;
    for (const auto& e : entries) n.push_back(e.name);
    return n;
}

TEST(ZipReader, EmptyArchiveAndComments) {
    const Bytes empty = test::fromHex("50 4b 05 06 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    Read r = read(empty);
    ASSERT_TRUE(r.entries);
    EXPECT_TRUE(r.entries->empty());
    EXPECT_TRUE(r.diagnostics.empty());

    RawArchive withComment;
    withComment.entries.push_back(test::storedEntry("a.txt", test::bytesOf("alpha")));
    withComment.comment = "a comment that mentions PK\x05\x06 on purpose";
    r = read(test::buildZip(withComment));
    ASSERT_TRUE(r.entries);
    EXPECT_EQ(names(*r.entries), std::vector<std::string>{"a.txt"});
    EXPECT_TRUE(r.diagnostics.empty());

    withComment.afterComment = {0};
    r = read(test::buildZip(withComment));
    EXPECT_FALSE(r.entries);
    EXPECT_EQ(r.diagnostics, DiagnosticList{error(text::kCodeUnreadable, text::kNoEndRecord)});
}

TEST(ZipReader, WholeArchiveFaults) {
    struct Case {
        const char* what;
        Bytes archive;
        Diagnostic want;
    };
    auto with = [](auto change) {
        RawArchive a;
        a.entries.push_back(test::storedEntry("x", test::bytesOf("data")));
        change(a);
        return test::buildZip(a);
    };
    Bytes badSignature = with([](RawArchive&) {});
    badSignature[badSignature.size() - 22 - 46 - 1 + 1] ^= 0xFF;  // first byte of the central header

    const std::vector<Case> cases = {
        {"21 bytes", Bytes(21, 0), error(text::kCodeUnreadable, text::kTooShort)},
        {"no end record", Bytes(100, 0), error(text::kCodeUnreadable, text::kNoEndRecord)},
        {"this disk", with([](RawArchive& a) { a.thisDisk = 1; }), error(text::kCodeUnsupported, text::kSplitArchive)},
        {"directory disk", with([](RawArchive& a) { a.directoryDisk = 1; }), error(text::kCodeUnsupported, text::kSplitArchive)},
        {"entries on disk", with([](RawArchive& a) { a.entriesOnDisk = 2; }), error(text::kCodeUnsupported, text::kSplitArchive)},
        {"zip64 count", with([](RawArchive& a) { a.entriesOnDisk = a.totalEntries = 0xFFFF; }),
         error(text::kCodeUnsupported, text::kZip64Archive)},
        {"zip64 size", with([](RawArchive& a) { a.directorySize = 0xFFFFFFFF; }), error(text::kCodeUnsupported, text::kZip64Archive)},
        {"zip64 offset", with([](RawArchive& a) { a.directoryOffset = 0xFFFFFFFF; }),
         error(text::kCodeUnsupported, text::kZip64Archive)},
        {"directory past the end record", with([](RawArchive& a) { a.directorySize = 1000; }),
         error(text::kCodeUnreadable, text::kDirectoryOutOfBounds)},
        {"offset plus size overflows 32 bits", with([](RawArchive& a) { a.directoryOffset = 0xFFFFFFF0u; a.directorySize = 0x20; }),
         error(text::kCodeUnreadable, text::kDirectoryOutOfBounds)},
        {"more headers than the directory holds", with([](RawArchive& a) { a.entriesOnDisk = a.totalEntries = 2; }),
         error(text::kCodeUnreadable, text::kDamagedDirectory)},
        {"directory too small for the name", with([](RawArchive& a) { a.directorySize = 46; }),
         error(text::kCodeUnreadable, text::kDamagedDirectory)},
        {"directory starts in the wrong place", with([](RawArchive& a) { a.directoryOffset = 1; a.directorySize = 47; }),
         error(text::kCodeUnreadable, text::kDamagedDirectory)},
        {"wrong central signature", badSignature, error(text::kCodeUnreadable, text::kDamagedDirectory)},
        {"zip64 packed size", with([](RawArchive& a) { a.entries[0].packedSize = 0xFFFFFFFF; }),
         error(text::kCodeUnsupported, text::kZip64Entry, "/x")},
        {"zip64 unpacked size", with([](RawArchive& a) { a.entries[0].unpackedSize = 0xFFFFFFFF; }),
         error(text::kCodeUnsupported, text::kZip64Entry, "/x")},
        {"zip64 offset", with([](RawArchive& a) { a.entries[0].localOffset = 0xFFFFFFFF; }),
         error(text::kCodeUnsupported, text::kZip64Entry, "/x")},
        {"a 4-byte entry claiming 4 GiB", with([](RawArchive& a) { a.entries[0].unpackedSize = 0xFFFFFFFE; }),
         error(text::kCodeTooLarge, text::kUnpacksTooLarge, "/x")},
    };
    for (const Case& c : cases) {
        Read r = read(c.archive);
        EXPECT_FALSE(r.entries) << c.what;
        EXPECT_EQ(r.diagnostics, DiagnosticList{c.want}) << c.what;
    }
}

TEST(ZipReader, EntryLimitIsExact) {
    RawArchive a;
    for (int i = 0; i < 10000; ++i) a.entries.push_back(test::storedEntry("f" + std::to_string(i), Bytes{static_cast<std::uint8_t>(i)}));
    Read r = read(test::buildZip(a));
    ASSERT_TRUE(r.entries);
    EXPECT_EQ(r.entries->size(), 10000u);
    EXPECT_TRUE(r.diagnostics.empty());

    a.entries.push_back(test::storedEntry("one more", Bytes{1}));
    r = read(test::buildZip(a));
    EXPECT_FALSE(r.entries);
    EXPECT_EQ(r.diagnostics, DiagnosticList{error(text::kCodeTooLarge, "More entries than allowed (10000)")});
}

TEST(ZipReader, SizeLimitsCountEveryHeaderReached) {
    RawArchive a;
    a.entries.push_back(test::storedEntry("dir/", {}));
    a.entries.push_back(test::storedEntry("a", Bytes(600, 1)));
    a.entries.push_back(test::storedEntry("../skipped", Bytes(300, 2)));  // skipped, still counted
    a.entries.push_back(test::storedEntry("b", Bytes(200, 3)));
    ZipLimits limits;
    limits.maxTotalSize = 1099;
    Read r = read(test::buildZip(a), limits);
    EXPECT_FALSE(r.entries);
    EXPECT_EQ(r.diagnostics, (DiagnosticList{warning(text::kCodeUnsafeName, text::kSkipUnsafeName, "/../skipped"),
                                             error(text::kCodeTooLarge, text::kUnpacksTooLarge, "/b")}));
    limits.maxTotalSize = 1100;
    r = read(test::buildZip(a), limits);
    ASSERT_TRUE(r.entries);
    EXPECT_EQ(names(*r.entries), (std::vector<std::string>{"a", "b"}));

    limits = {};
    limits.maxEntrySize = 599;
    r = read(test::buildZip(a), limits);
    EXPECT_FALSE(r.entries);
    EXPECT_EQ(r.diagnostics, DiagnosticList{error(text::kCodeTooLarge, text::kUnpacksTooLarge, "/a")});

    // Entries left out by a filter still count, and the archive still fails as a whole.
    DiagnosticList filtered;
    EXPECT_FALSE(readZip(test::buildZip(a), limits, [](std::string_view) { return false; }, filtered));
    EXPECT_EQ(filtered, r.diagnostics);
}

TEST(ZipReader, SkippedEntriesInOrderOthersKept) {
    const Bytes hello = test::bytesOf("hello, world");
    RawArchive a;
    a.entries.push_back(test::storedEntry("keep1", hello));
    a.entries.push_back(test::storedEntry("dir/", {}));  // silently dropped
    for (const char* unsafe : {"../up", "a/../b", "..", "/abs", "c:x", "a\\b", "tab\there", "nl\n", "\x1f"})
        a.entries.push_back(test::storedEntry(unsafe, hello));
    a.entries.push_back(test::storedEntry("a/./b", hello));
    a.entries.push_back(test::storedEntry("a//b", hello));
    a.entries.push_back(test::storedEntry("...", hello));
    a.entries.push_back(test::storedEntry("keep1", hello));  // duplicate
    a.entries.push_back(test::storedEntry("dir/", {}));      // a directory again: no diagnostic
    RawEntry enc = test::storedEntry("enc", hello);
    enc.flags = 1;
    a.entries.push_back(enc);
    a.entries.push_back(test::storedEntry("enc", hello));  // duplicate of a skipped entry
    RawEntry bzip = test::storedEntry("bzip", hello);
    bzip.method = 12;
    a.entries.push_back(bzip);
    RawEntry farHeader = test::storedEntry("far", hello);
    farHeader.localOffset = 0x7FFFFFF0;
    a.entries.push_back(farHeader);
    RawEntry badLocal = test::storedEntry("badlocal", hello);
    badLocal.localSignature = 0x04034b51;
    a.entries.push_back(badLocal);
    RawEntry lying = test::storedEntry("lying", hello);
    lying.packedSize = 5;
    a.entries.push_back(lying);
    RawEntry flipped = test::storedEntry("flipped", hello);
    flipped.packed[3] ^= 0x20;
    a.entries.push_back(flipped);
    RawEntry longerLocalExtra = test::storedEntry("extra", hello);
    longerLocalExtra.localExtra = Bytes(37, 0xEE);
    longerLocalExtra.centralExtra = Bytes(4, 0xDD);
    longerLocalExtra.centralComment = "entry comment";
    a.entries.push_back(longerLocalExtra);
    RawEntry more = test::deflatedEntry("more", test::bytesOf("0123456789"));
    more.unpackedSize = 9;
    more.crc = 0;
    a.entries.push_back(more);
    RawEntry less = test::deflatedEntry("less", test::bytesOf("0123456789"));
    less.unpackedSize = 11;
    a.entries.push_back(less);
    RawEntry broken = test::deflatedEntry("broken", test::bytesOf("0123456789"));
    broken.packed = test::fromHex("07");
    broken.packedSize = 1;
    a.entries.push_back(broken);
    a.entries.push_back(test::deflatedEntry("keep2", test::jsonLike(5000, 3)));
    const Bytes archive = test::buildZip(a);

    Read r = read(archive);
    ASSERT_TRUE(r.entries);
    EXPECT_EQ(names(*r.entries), (std::vector<std::string>{"keep1", "a/./b", "a//b", "...", "extra", "keep2"}));
    for (const auto& e : *r.entries) {
        if (e.name == "keep2") {
            EXPECT_EQ(e.data, test::jsonLike(5000, 3));
            EXPECT_TRUE(e.compress);
        } else {
            EXPECT_EQ(e.data, hello) << e.name;
            EXPECT_FALSE(e.compress);
        }
    }
    DiagnosticList want;
    for (const char* unsafe : {"../up", "a/../b", "..", "/abs", "c:x", "a\\b", "tab\there", "nl\n", "\x1f"})
        want.push_back(warning(text::kCodeUnsafeName, text::kSkipUnsafeName, std::string("/") + unsafe));
    want.push_back(warning(text::kCodeDuplicateName, text::kSkipDuplicate, "/keep1"));
    want.push_back(warning(text::kCodeEncrypted, text::kSkipEncrypted, "/enc"));
    want.push_back(warning(text::kCodeDuplicateName, text::kSkipDuplicate, "/enc"));
    want.push_back(warning(text::kCodeMethod, text::kSkipMethod, "/bzip"));
    want.push_back(warning(text::kCodeDamagedEntry, text::kSkipDamagedHeader, "/far"));
    want.push_back(warning(text::kCodeDamagedEntry, text::kSkipDamagedHeader, "/badlocal"));
    want.push_back(warning(text::kCodeDamagedEntry, text::kSkipStoredSizes, "/lying"));
    want.push_back(warning(text::kCodeChecksum, text::kSkipChecksum, "/flipped"));
    want.push_back(warning(text::kCodeDamagedEntry, "Cannot decompress: more data than declared; skipped", "/more"));
    want.push_back(warning(text::kCodeDamagedEntry, "Cannot decompress: wrong size; skipped", "/less"));
    want.push_back(warning(text::kCodeDamagedEntry, "Cannot decompress: invalid block type; skipped", "/broken"));
    EXPECT_EQ(r.diagnostics, want);

    // A filter keeps every finding about names, flags and methods (a duplicate of a left-out
    // entry is still a duplicate) and drops only the findings about the left-out entries' data.
    DiagnosticList filtered;
    const auto some = readZip(archive, ZipLimits{}, [](std::string_view name) { return name == "keep2" || name == "flipped" || name == "enc"; },
                              filtered);
    ASSERT_TRUE(some);
    EXPECT_EQ(names(*some), (std::vector<std::string>{"keep2"}));
    DiagnosticList wantFiltered(want.begin(), want.begin() + 13);
    wantFiltered.push_back(warning(text::kCodeChecksum, text::kSkipChecksum, "/flipped"));
    EXPECT_EQ(filtered, wantFiltered);
}

TEST(ZipReader, DataRunningPastTheArchive) {
    RawArchive a;
    RawEntry e = test::storedEntry("big", test::bytesOf("0123456789"));
    e.packedSize = e.unpackedSize = 1000;  // the directory and end record follow, but not 1000 bytes
    a.entries.push_back(e);
    a.entries.push_back(test::storedEntry("small", test::bytesOf("ok")));
    Read r = read(test::buildZip(a));
    ASSERT_TRUE(r.entries);
    EXPECT_EQ(names(*r.entries), std::vector<std::string>{"small"});
    EXPECT_EQ(r.diagnostics, DiagnosticList{warning(text::kCodeDamagedEntry, text::kSkipRunsPast, "/big")});
}

TEST(ZipReader, OverlappingEntriesAreEachBoundedByTheLimits) {
    // Many central headers share one deflated local entry of 1 MiB of zeros.
    const Bytes zeros(1 << 20, 0);
    RawArchive a;
    a.entries.push_back(test::deflatedEntry("0", zeros));
    for (int i = 1; i < 50; ++i) {
        RawEntry copy = a.entries[0];
        copy.name = std::to_string(i);
        copy.writeLocal = false;
        copy.localOffset = 0;
        a.entries.push_back(copy);
    }
    // The local header says "0" for every one: names come from the directory.
    Read r = read(test::buildZip(a));
    ASSERT_TRUE(r.entries);
    EXPECT_EQ(r.entries->size(), 50u);
    EXPECT_EQ(r.entries->back().data, zeros);

    ZipLimits limits;
    limits.maxTotalSize = 10 << 20;
    r = read(test::buildZip(a), limits);
    EXPECT_FALSE(r.entries);
    EXPECT_EQ(r.diagnostics, DiagnosticList{error(text::kCodeTooLarge, text::kUnpacksTooLarge, "/10")});
}

TEST(ZipReader, LyingSizesCostNoMemory) {
    // A 10 KB entry that claims 4 GiB less one byte: refused from the directory alone.
    RawArchive a;
    a.entries.push_back(test::storedEntry("claims-4GiB", test::randomBytes(10000, 81)));
    a.entries[0].unpackedSize = 0xFFFFFFFE;
    Read r = read(test::buildZip(a));
    EXPECT_FALSE(r.entries);
    EXPECT_EQ(r.diagnostics, DiagnosticList{error(text::kCodeTooLarge, text::kUnpacksTooLarge, "/claims-4GiB")});

    // A deflated entry of 64 MiB of zeros that claims 1 MiB stops at the claim and is skipped;
    // one that claims 1 GiB (within the limits) but holds 64 KiB of zeros is skipped as the
    // wrong size without ever holding more than it decoded.
    const Bytes zeros(64 << 20, 0);
    RawEntry bomb = test::deflatedEntry("bomb", zeros);
    bomb.unpackedSize = 1 << 20;
    RawEntry small = test::deflatedEntry("claims-1GiB", Bytes(64 << 10, 0));
    small.unpackedSize = 1u << 30;
    RawArchive b;
    b.entries = {bomb, small, test::storedEntry("kept", test::bytesOf("kept"))};
    r = read(test::buildZip(b));
    ASSERT_TRUE(r.entries);
    EXPECT_EQ(names(*r.entries), std::vector<std::string>{"kept"});
    EXPECT_EQ(r.diagnostics,
              (DiagnosticList{warning(text::kCodeDamagedEntry, "Cannot decompress: more data than declared; skipped", "/bomb"),
                              warning(text::kCodeDamagedEntry, "Cannot decompress: wrong size; skipped", "/claims-1GiB")}));
}

TEST(ZipReader, EveryTruncationFailsCleanly) {
    RawArchive a;
    a.entries.push_back(test::storedEntry("s", test::bytesOf("stored data")));
    a.entries.push_back(test::deflatedEntry("d", test::jsonLike(3000, 9)));
    const Bytes archive = test::buildZip(a);
    for (std::size_t n = 0; n < archive.size(); ++n) {
        DiagnosticList d;
        const auto got = readZip(std::span(archive).first(n), {}, d);
        EXPECT_FALSE(got) << n;
        ASSERT_EQ(d.size(), 1u) << n;
        EXPECT_EQ(d[0].severity, Severity::Error);
    }
}

TEST(ZipReader, SafeNames) {
    for (std::string_view ok : {"a", "a/b", "a/./b", "a//b", "...", "a..b", "..a", "a/..b", ".", "dir/", "\x7f", "\xc3\xa9"})
        EXPECT_TRUE(isSafeEntryName(ok)) << ok;
    for (std::string_view bad : {"", "/a", "..", "../a", "a/..", "a/../b", "c:x", "C:", "a\\b", "\t", "a\x01"})
        EXPECT_FALSE(isSafeEntryName(bad)) << bad;
    EXPECT_TRUE(isSafeEntryName(std::string(65535, 'n')));
    EXPECT_FALSE(isSafeEntryName(std::string(65536, 'n')));
    EXPECT_FALSE(isSafeEntryName(std::string_view("a\0b", 3)));
}

// Archives made by zip(1) and by Python's zipfile, stored and deflated, with comments and
// directory entries.
TEST(ZipReader, ReadsArchivesFromZipAndPython) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsZipTools);
    test::TempFolder dir;
    const Bytes json = test::jsonLike(20000, 41);
    const Bytes noise = test::randomBytes(5000, 42);
    test::writeFile(dir / "src/doc.json", test::textOf(json));
    test::writeFile(dir / "src/sub/noise.bin", test::textOf(noise));
    test::writeFile(dir / "src/empty.txt", "");

    auto check = [&](const std::filesystem::path& file, bool expectDeflated) {
        const Bytes archive = test::bytesOf(test::readFile(file));
        Read r = read(archive);
        ASSERT_TRUE(r.entries) << file;
        EXPECT_TRUE(r.diagnostics.empty()) << file;
        std::map<std::string, const ZipEntry*> byName;
        for (const auto& e : *r.entries) byName[e.name] = &e;
        ASSERT_TRUE(byName.count("doc.json")) << file;
        ASSERT_TRUE(byName.count("sub/noise.bin")) << file;
        ASSERT_TRUE(byName.count("empty.txt")) << file;
        EXPECT_EQ(byName["doc.json"]->data, json);
        EXPECT_EQ(byName["doc.json"]->compress, expectDeflated);
        EXPECT_EQ(byName["sub/noise.bin"]->data, noise);
        EXPECT_TRUE(byName["empty.txt"]->data.empty());
        EXPECT_FALSE(byName.count("sub/")) << "directory entries are dropped";
    };

    const std::string src = (dir / "src").string();
    for (const char* level : {"-0", "-6"}) {
        const auto out = dir / (std::string("zip") + level + ".zip");
        const std::string cmd = "cd '" + src + "' && zip -q -r " + level + " '" + out.string() +
                                "' . && echo 'archive comment' | zip -q -z '" + out.string() + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        check(out, std::string(level) == "-6");
    }

    const auto script = dir / "make.py";
    test::writeFile(script,
                    "import sys, zipfile, os\n"
                    "src, out, method = sys.argv[1], sys.argv[2], int(sys.argv[3])\n"
                    "with zipfile.ZipFile(out, 'w', compression=method) as z:\n"
                    "    z.comment = b'made by python'\n"
                    "    z.writestr(zipfile.ZipInfo('sub/'), b'')\n"
                    "    for name in ['doc.json', 'sub/noise.bin', 'empty.txt']:\n"
                    "        z.write(os.path.join(src, name), name)\n");
    for (int method : {0, 8}) {
        const auto out = dir / ("py" + std::to_string(method) + ".zip");
        const std::string cmd = "python3 '" + script.string() + "' '" + src + "' '" + out.string() + "' " + std::to_string(method);
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        check(out, method == 8);
    }
}

}  // namespace
}  // namespace orbi
