// Zip writing: the exact byte layout, the store-or-deflate choice, every refusal, determinism, and
// archives that readZip, unzip -t and Python's zipfile all accept with the same names and data.
#include <gtest/gtest.h>

#include <map>

#include "archive/archive_messages.hpp"
#include "archive/zip_reader.hpp"
#include "archive/zip_writer.hpp"
#include "support/temp_folder.hpp"
#include "support/zip_builder.hpp"
#include "support/host.hpp"

namespace orbi {
namespace {

using test::Bytes;
namespace text = archive_text;

ZipEntry entry(std::string name, Bytes data, bool compress = false) { return {std::move(name), std::move(data), compress}; }

std::uint32_t get32(const Bytes& b, std::size_t at) {
    return b[at] | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 | std::uint32_t{b[at + 3]} << 24;
}
std::uint16_t get16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8); }

TEST(ZipWriter, ExactLayout) {
    DiagnosticList d;
    EXPECT_EQ(writeZip({}, d), test::fromHex("50 4b 05 06 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"));

    const auto archive = writeZip({entry("a", test::bytesOf("hi"))}, d);
    ASSERT_TRUE(archive);
    EXPECT_TRUE(d.empty());
    // crc32("hi") = 0xd8932aac
    EXPECT_EQ(*archive, test::fromHex(
                            // local header: signature, version 20, flags 0x0800, stored, time 0, date 0x0021
                            "50 4b 03 04 14 00 00 08 00 00 00 00 21 00"
                            // CRC, stored size 2, unpacked size 2, name length 1, extra 0, name, data
                            "ac 2a 93 d8 02 00 00 00 02 00 00 00 01 00 00 00 61 68 69"
                            // central header: signature, made by 20, needed 20, flags, method, time, date
                            "50 4b 01 02 14 00 14 00 00 08 00 00 00 00 21 00"
                            // CRC, sizes, name length, extra, comment, disk, internal, external, offset 0, name
                            "ac 2a 93 d8 02 00 00 00 02 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 61"
                            // end record: 1 entry, directory of 47 bytes at offset 33, no comment
                            "50 4b 05 06 00 00 00 00 01 00 01 00 2f 00 00 00 21 00 00 00 00 00"));
}

TEST(ZipWriter, DeflatesOnlyWhenStrictlyShorter) {
    const Bytes json = test::jsonLike(10000, 61);
    const std::vector<ZipEntry> entries = {
        entry("doc.json", json, true),                    // shrinks: deflated
        entry("doc-stored.json", json, false),            // may not be deflated
        entry("noise.bin", test::randomBytes(40, 62), true),  // would grow: stored
        entry("empty", {}, true),                         // 2 deflated bytes are longer than 0
        entry("abc", test::bytesOf("abc"), true),
    };
    DiagnosticList d;
    const auto archive = writeZip(entries, d);
    ASSERT_TRUE(archive);
    EXPECT_TRUE(d.empty());

    // Walk the central directory: methods, sizes, CRCs and offsets.
    const std::size_t end = archive->size() - 22;
    std::size_t at = get32(*archive, end + 16);
    EXPECT_EQ(get16(*archive, end + 10), entries.size());
    const std::map<std::string, std::uint16_t> wantMethod = {
        {"doc.json", 8}, {"doc-stored.json", 0}, {"noise.bin", 0}, {"empty", 0}, {"abc", 0}};
    for (const ZipEntry& e : entries) {
        ASSERT_EQ(get32(*archive, at), 0x02014b50u);
        const std::uint16_t nameLength = get16(*archive, at + 28);
        const std::string name(archive->begin() + static_cast<long>(at) + 46,
                               archive->begin() + static_cast<long>(at) + 46 + nameLength);
        EXPECT_EQ(name, e.name) << "directory in the given order";
        EXPECT_EQ(get16(*archive, at + 10), wantMethod.at(name)) << name;
        EXPECT_EQ(get32(*archive, at + 16), static_cast<std::uint32_t>(::crc32(0L, e.data.data(), static_cast<uInt>(e.data.size())))) << name;
        EXPECT_EQ(get32(*archive, at + 24), e.data.size()) << name;
        if (wantMethod.at(name) == 0) EXPECT_EQ(get32(*archive, at + 20), e.data.size()) << name;
        else EXPECT_LT(get32(*archive, at + 20), e.data.size()) << name;
        const std::uint32_t local = get32(*archive, at + 42);
        EXPECT_EQ(get32(*archive, local), 0x04034b50u) << name;
        EXPECT_EQ(std::string(archive->begin() + local + 30, archive->begin() + local + 30 + nameLength), name);
        at += 46 + nameLength;
    }

    DiagnosticList readDiagnostics;
    const auto back = readZip(*archive, {}, readDiagnostics);
    ASSERT_TRUE(back);
    EXPECT_TRUE(readDiagnostics.empty());
    ASSERT_EQ(back->size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ((*back)[i].name, entries[i].name);
        EXPECT_EQ((*back)[i].data, entries[i].data);
        EXPECT_EQ((*back)[i].compress, wantMethod.at(entries[i].name) == 8) << entries[i].name;
    }

    DiagnosticList again;
    EXPECT_EQ(writeZip(entries, again), archive) << "the same entries give the same bytes";
    // Carried through and written back, every entry keeps its method.
    EXPECT_EQ(writeZip(*back, again), archive);
}

TEST(ZipWriter, Refusals) {
    struct Case {
        const char* what;
        std::vector<ZipEntry> entries;
        Diagnostic want;
    };
    auto unsafe = [](std::string name) {
        return Diagnostic{Severity::Error, std::string(text::kCodeUnsafeName), "/" + name, std::string(text::kWriteUnsafeName)};
    };
    const Bytes x = test::bytesOf("x");
    const std::vector<Case> cases = {
        {"dot-dot segment", {entry("ok", x), entry("a/../b", x)}, unsafe("a/../b")},
        {"leading slash", {entry("/abs", x)}, unsafe("/abs")},
        {"drive letter", {entry("c:x", x)}, unsafe("c:x")},
        {"backslash", {entry("a\\b", x)}, unsafe("a\\b")},
        {"tab", {entry("a\tb", x)}, unsafe("a\tb")},
        {"empty name", {entry("", x)}, unsafe("")},
        {"name too long", {entry(std::string(65536, 'n'), x)}, unsafe(std::string(65536, 'n'))},
        {"same name twice", {entry("x", x), entry("X", x), entry("x", x)},
         Diagnostic{Severity::Error, std::string(text::kCodeDuplicateName), "/x", std::string(text::kWriteDuplicate)}},
    };
    for (const Case& c : cases) {
        DiagnosticList d;
        EXPECT_FALSE(writeZip(c.entries, d)) << c.what;
        EXPECT_EQ(d, DiagnosticList{c.want}) << c.what;
    }

    DiagnosticList d;
    EXPECT_TRUE(writeZip({entry("a/./b", x), entry("a//b", x), entry("x", x), entry("X", x)}, d));
    EXPECT_TRUE(d.empty());
}

TEST(ZipWriter, EntryCountLimit) {
    std::vector<ZipEntry> entries(65535);
    DiagnosticList d;
    EXPECT_FALSE(writeZip(entries, d)) << "refused before any name is looked at";
    EXPECT_EQ(d, (DiagnosticList{{Severity::Error, std::string(text::kCodeTooLarge), "", std::string(text::kWriteTooManyEntries)}}));

    entries.pop_back();
    for (std::size_t i = 0; i < entries.size(); ++i) entries[i].name = std::to_string(i);
    d.clear();
    const auto archive = writeZip(entries, d);
    ASSERT_TRUE(archive);
    ZipLimits limits;
    limits.maxEntries = 65534;
    const auto back = readZip(*archive, limits, d);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->size(), 65534u);
    EXPECT_TRUE(d.empty());
}

TEST(ZipWriter, SizeLimitsBelowFourGiB) {
    using zip_detail::archiveFitsWithoutZip64;
    using zip_detail::entryFitsWithoutZip64;
    EXPECT_TRUE(entryFitsWithoutZip64(0xFFFFFFFEu, 0, 0));
    EXPECT_FALSE(entryFitsWithoutZip64(0xFFFFFFFFu, 0, 0));
    EXPECT_TRUE(entryFitsWithoutZip64(0, 0xFFFFFFFEu, 0));
    EXPECT_FALSE(entryFitsWithoutZip64(0, 0xFFFFFFFFu, 0));
    EXPECT_TRUE(entryFitsWithoutZip64(10, 0xFFFFFFF0u, 0xE));
    EXPECT_FALSE(entryFitsWithoutZip64(10, 0xFFFFFFF0u, 0xF));
    EXPECT_TRUE(archiveFitsWithoutZip64(0xFFFFFFFEu));
    EXPECT_FALSE(archiveFitsWithoutZip64(0xFFFFFFFFu));
}

// unzip -t and Python's zipfile accept what we write, with the same names and data.
TEST(ZipWriter, OtherToolsReadOurArchives) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsZipTools);
    test::TempFolder dir;
    const std::vector<ZipEntry> entries = {
        entry("instance.json", test::jsonLike(30000, 71), true),
        entry("assets/" + std::string(64, 'a'), test::floatAudio(20000, 72), false),
        entry("assets/noise", test::randomBytes(70000, 73), true),
        entry("empty.txt", {}, true),
        entry("run", Bytes(100000, 'r'), true),
        entry("deep/er/name with spaces and \xc3\xa9", test::bytesOf("utf-8 name"), true),
    };
    DiagnosticList d;
    const auto archive = writeZip(entries, d);
    ASSERT_TRUE(archive);
    const auto file = dir / "out.zip";
    test::writeFile(file, test::textOf(*archive));

    const std::string unzip = "unzip -tqq '" + file.string() + "' > /dev/null";
    EXPECT_EQ(std::system(unzip.c_str()), 0);

    // Python writes each entry's name and data as hex lines, after testzip() found nothing.
    const auto script = dir / "check.py";
    const auto listing = dir / "listing.txt";
    test::writeFile(script,
                    "import sys, zipfile\n"
                    "with zipfile.ZipFile(sys.argv[1]) as z, open(sys.argv[2], 'w') as out:\n"
                    "    assert z.testzip() is None\n"
                    "    for info in z.infolist():\n"
                    "        out.write(info.filename.encode('utf-8').hex() + ' ' + z.read(info).hex() + '\\n')\n");
    const std::string python = "python3 '" + script.string() + "' '" + file.string() + "' '" + listing.string() + "'";
    ASSERT_EQ(std::system(python.c_str()), 0);
    std::string expected;
    auto hex = [](const auto& bytes) {
        static const char* digits = "0123456789abcdef";
        std::string s;
        for (unsigned char c : bytes) {
            s += digits[c >> 4];
            s += digits[c & 15];
        }
        return s;
    };
    for (const ZipEntry& e : entries) expected += hex(e.name) + " " + hex(e.data) + "\n";
    EXPECT_TRUE(test::readFile(listing) == expected) << "Python's view differs";
}

}  // namespace
}  // namespace orbi
