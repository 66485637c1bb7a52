// Zip reading and writing: faults and skipped entries with their exact codes, messages and paths,
// limits and lying sizes; the writer's exact layout and refusals; and zip(1), unzip and Python's
// zipfile as controls both ways.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <map>
#include <new>
#include <set>
#include <sstream>

#include "archive/archive_messages.hpp"
#include "archive/zip_file_source.hpp"
#include "archive/zip_reader.hpp"
#include "archive/zip_writer.hpp"
#include "support/case_file.hpp"
#include "support/host.hpp"
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
const std::string kFailed = "(failed)";

// The names read, or kFailed; and the findings. A filtered read takes the archive from a file,
// range by range, as the tool reads what it only looks into.
std::vector<std::string> read(const Bytes& archive, DiagnosticList& d, const ZipLimits& limits = {}, ZipEntryFilter filter = nullptr) {
    std::optional<std::vector<ZipEntry>> entries;
    if (filter == nullptr) {
        entries = readZip(archive, limits, d);
    } else {
        test::TempFolder folder;
        test::writeFile(folder / "a.zip", test::textOf(archive));
        platform::InputFile file;
        std::string error;
        EXPECT_TRUE(file.open(folder / "a.zip", error)) << error;
        ZipFileSource source(std::move(file));
        entries = readZip(source, limits, filter, d);
    }
    if (!entries) return {kFailed};
    std::vector<std::string> names;
    for (const ZipEntry& e : *entries) names.push_back(e.name);
    return names;
}

// Names and findings one a line, "%HH" for odd bytes.
std::string shown(const std::vector<std::string>& names, const DiagnosticList& d) {
    std::string out = "names:";
    for (const std::string& name : names) out += " " + test::percentEncoded(name);
    for (const Diagnostic& x : d) out += "\n" + std::string(x.severity == Severity::Error ? "error " : "warning ") + x.code + " " + test::percentEncoded(x.path) + ": " + x.message;
    return out;
}

// Each case changes an archive of "dir/", "a" (300 bytes), "../skipped" (300) and "b" (200): one
// "<field> <value>" a line, "<entry>.<field>" for a header's field.
TEST(ZipReader, ArchiveFaultsAndLimits) {
    test::checkCaseFile(ORBI_CASES "/zip_faults.txt", [](const std::string& input) {
        RawArchive a;
        for (const auto& [name, size] : {std::pair<const char*, std::size_t>{"dir/", 0}, {"a", 300}, {"../skipped", 300}, {"b", 200}})
            a.entries.push_back(test::storedEntry(name, Bytes(size, 1)));
        ZipLimits limits;
        std::optional<Bytes> bytes;
        std::size_t flip = 0;
        std::istringstream lines(input);
        for (std::string key, value; lines >> key >> value;) {
            const auto n = static_cast<std::uint32_t>(value.starts_with("0x") || std::isdigit(static_cast<unsigned char>(value[0])) ? std::stoull(value, nullptr, 0) : 0);
            const auto n16 = static_cast<std::uint16_t>(n);
            const std::map<std::string, std::function<void()>> set = {
                {"bytes", [&] { bytes = test::fromHex(value); }}, {"comment", [&] { a.comment = test::textOf(test::fromHex(value)); }},
                {"afterComment", [&] { a.afterComment = test::fromHex(value); }}, {"flipFromEnd", [&] { flip = n; }},
                {"thisDisk", [&] { a.thisDisk = n16; }}, {"directoryDisk", [&] { a.directoryDisk = n16; }},
                {"entriesOnDisk", [&] { a.entriesOnDisk = n16; }}, {"totalEntries", [&] { a.totalEntries = n16; }},
                {"directorySize", [&] { a.directorySize = n; }}, {"directoryOffset", [&] { a.directoryOffset = n; }},
                {"maxEntries", [&] { limits.maxEntries = n; }}, {"maxEntrySize", [&] { limits.maxEntrySize = n; }},
                {"maxTotalSize", [&] { limits.maxTotalSize = n; }}};
            if (set.contains(key)) { set.at(key)(); continue; }
            const std::string field = key.substr(key.rfind('.') + 1);
            const auto e = std::find_if(a.entries.begin(), a.entries.end(), [&](const RawEntry& x) { return x.name + "." + field == key; });
            if (e == a.entries.end() || !std::set<std::string>{"packedSize", "unpackedSize", "localOffset"}.contains(field)) ADD_FAILURE() << "unknown change " << key;
            else (field == "packedSize" ? e->packedSize : field == "unpackedSize" ? e->unpackedSize : e->localOffset.emplace()) = n;
        }
        if (!bytes) bytes = test::buildZip(a);
        if (flip) (*bytes)[bytes->size() - flip] ^= 0xFF;
        DiagnosticList d, filtered;
        const std::string all = shown(read(*bytes, d, limits), d);
        // A filter leaves entries out after the directory checks: a failure stays the same.
        const std::string some = shown(read(*bytes, filtered, limits, [](std::string_view) { return false; }), filtered);
        return all.starts_with("names: " + kFailed) && some != all ? all + "\nfiltered: " + some : all;
    });
}

// One entry a line: its name ("%HH" the byte HH, "" empty), then its changes: "deflate" packs
// "0123456789" instead of "hello, world", "json" packs JSON text, "flip=N" flips a bit of packed
// byte N, "extras" adds extra fields and a comment, "packed=HEX", or "<header field>=<value>".
TEST(ZipReader, SkippedEntriesInOrderOthersKept) {
    test::checkCaseFile(ORBI_CASES "/zip_entries.txt", [](const std::string& input) {
        const Bytes hello = test::bytesOf("hello, world"), digits = test::bytesOf("0123456789"), json = test::jsonLike(5000, 3);
        RawArchive a;
        std::map<std::string, std::pair<Bytes, bool>> want;  // data and method of what is kept
        std::istringstream lines(input);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            std::string name, w;
            words >> name;
            name = test::percentDecoded(name);
            if (name == "\"\"") name.clear();
            RawEntry e = test::storedEntry(name, hello);
            Bytes data = hello;
            while (words >> w) {
                const std::string key = w.substr(0, w.find('=')), value = w.substr(key.size() + (key.size() < w.size()));
                const auto n = static_cast<std::uint32_t>(key == "packed" || value.empty() ? 0 : std::stoull(value, nullptr, 0));
                if (key == "deflate" || key == "json") e = test::deflatedEntry(name, key == "json" ? json : digits);
                else if (key == "flip") e.packed[n] ^= 0x20;
                else if (key == "extras") e.localExtra = Bytes(37, 0xEE), e.centralExtra = Bytes(4, 0xDD), e.centralComment = "c";
                else if (key == "packed") e.packed = test::fromHex(value), e.packedSize = static_cast<std::uint32_t>(e.packed.size());
                else if (key == "flags") e.flags = static_cast<std::uint16_t>(n);
                else if (key == "method") e.method = static_cast<std::uint16_t>(n);
                else if (key == "localOffset") e.localOffset = n;
                else if (key == "localSignature") e.localSignature = n;
                else if (key == "packedSize") e.packedSize = n;
                else if (key == "unpackedSize") e.unpackedSize = n;
                else if (key == "crc") e.crc = n;
                else ADD_FAILURE() << "unknown change " << w;
                if (key == "deflate" || key == "json") data = key == "json" ? json : digits;
            }
            want.try_emplace(name, data, e.method == 8);
            a.entries.push_back(e);
        }
        const Bytes archive = test::buildZip(a);
        DiagnosticList d, filtered;
        const auto entries = readZip(archive, {}, d);
        std::vector<std::string> names;
        for (const ZipEntry& e : entries ? *entries : std::vector<ZipEntry>{}) {
            names.push_back(e.name);
            EXPECT_EQ(std::pair(e.data, e.compress), want[e.name]) << e.name;
        }
        // A filter keeps the findings about names, flags and methods, and drops those about the
        // data of the entries it leaves out.
        const auto wanted = [](std::string_view name) { return name == "keep2" || name == "flipped" || name == "enc"; };
        return shown(names, d) + "\nfiltered to keep2, flipped and enc:\n" + shown(read(archive, filtered, {}, wanted), filtered);
    });
}

TEST(ZipReader, AFileThatCannotGiveItsBytesFailsTheArchive) {
    RawArchive a;
    a.entries = {test::storedEntry("a", Bytes(300, 1))};
    const Bytes archive = test::buildZip(a);
    test::TempFolder folder;
    for (const std::size_t keep : {std::size_t{0}, archive.size() - 1}) {  // shrunk after the size was taken
        test::writeFile(folder / "a.zip", test::textOf(archive));
        platform::InputFile file;
        std::string why;
        ASSERT_TRUE(file.open(folder / "a.zip", why)) << why;
        test::writeFile(folder / "a.zip", test::textOf(Bytes(archive.begin(), archive.begin() + static_cast<std::ptrdiff_t>(keep))));
        ZipFileSource source(std::move(file));
        DiagnosticList d;
        EXPECT_FALSE(readZip(source, {}, nullptr, d));
        EXPECT_EQ(d, DiagnosticList{error(text::kCodeUnreadable, text::kSourceUnreadable)});
    }
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
    const std::string got = shown(read(bombs, d), d);
    gWatching = false;
    EXPECT_LE(gLargestBlock, 1u << 20);
    EXPECT_EQ(got, "names:\nwarning zip-damaged-entry /bomb: Cannot decompress: more data than declared; skipped\n"
                   "warning zip-damaged-entry /claims-1GiB: Cannot decompress: wrong size; skipped");

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
    EXPECT_EQ(writeZip(std::vector<ZipEntry>{}, d), test::fromHex("504b0506 0000 0000 0000 0000 00000000 00000000 0000"));
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
    // unzip and zipfile test ours, which zipfile unpacks and packs again; zip(1) packs what it unpacked.
    const std::string q = "'" + dir.path().string() + "'";
    const std::string script =
        "import sys, zipfile\n"
        "d = sys.argv[1]\n"
        "with zipfile.ZipFile(d + '/ours.zip') as z:\n"
        "    assert z.testzip() is None\n"
        "    z.extractall(d + '/src')\n"
        "    for m in (0, 8):\n"
        "        with zipfile.ZipFile(d + '/py%d.zip' % m, 'w', compression=m) as out:\n"
        "            out.comment = b'made by python'\n"
        "            out.writestr(zipfile.ZipInfo('sub/'), b'')\n"
        "            for n in z.namelist(): out.writestr(n, z.read(n))\n";
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
