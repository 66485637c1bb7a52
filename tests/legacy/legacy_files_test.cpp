// Legacy files: .obsz bundles (the document by its exact name, the carried wavetables/ and
// samples/ files) and discovery over real folders, with the reasons a file is no preset.
#include <gtest/gtest.h>

#include <algorithm>

#include "legacy/discovery.hpp"
#include "legacy/legacy_bundle.hpp"
#include "legacy/preset_text.hpp"
#include "support/host.hpp"
#include "support/temp_folder.hpp"
#include "support/zip_builder.hpp"

namespace orbi::test {
namespace {

const std::string kDocument = R"({"name": "Wobble", "version": 6, "wavetable1": "bundled:wavetables/a.wav"})";

Bytes zipOf(std::vector<RawEntry> entries) {
    RawArchive archive;
    archive.entries = std::move(entries);
    return buildZip(archive);
}

std::string lines(const DiagnosticList& list) {
    std::string out;
    for (const Diagnostic& d : list) out += (d.severity == Severity::Error ? "E " : "W ") + d.code + " | " + d.message + "\n";
    return out;
}

// The preset text (or "no preset") and the findings, of a full read and of one without files.
std::string readBoth(const Bytes& zip) {
    DiagnosticList full, documentOnly;
    std::optional<LegacyPreset> all = readLegacyBundle(zip, BundleFiles::read, full);
    std::optional<LegacyPreset> some = readLegacyBundle(zip, BundleFiles::skip, documentOnly);
    EXPECT_EQ(all.has_value(), some.has_value());
    EXPECT_EQ(firstError(full), firstError(documentOnly));
    if (all && some) {
        EXPECT_TRUE(some->bundleFiles.empty());
        LegacyPreset withoutFiles = *all;
        withoutFiles.bundleFiles.clear();
        EXPECT_EQ(withoutFiles, *some);
    }
    return (all ? presetText(*all) : "no preset\n") + lines(full);
}

TEST(LegacyBundle, CaseTable) {
    Bytes wave;
    for (int i = 0; i < 512; ++i) wave.push_back(static_cast<std::uint8_t>(i * 7));
    Bytes damaged = zipOf({storedEntry("preset.obpreset", bytesOf(kDocument)), storedEntry("samples/b.wav", bytesOf("bytes"))});
    const std::string stored = "bytes";
    *std::search(damaged.begin(), damaged.end(), stored.begin(), stored.end()) ^= 0x20;
    struct Case {
        Bytes zip;
        std::string expected;
    } cases[] = {
        {zipOf({storedEntry("readme.txt", bytesOf("hello")), deflatedEntry("preset.obpreset", bytesOf(kDocument)),
                    deflatedEntry("wavetables/a.wav", wave), storedEntry("samples/b.wav", bytesOf("sample bytes")),
                    storedEntry("samples/deeper/c.raw", {}), storedEntry("wavetablesX/a.wav", bytesOf("x")),
                    storedEntry("sample/b.wav", bytesOf("x")), storedEntry("Wavetables/c.wav", bytesOf("x")),
                    storedEntry("presets/preset.obpreset", bytesOf("{\"name\": \"Other\"}")), storedEntry("wavetables", bytesOf("x")),
                    storedEntry("wavetables/", {})}),
         "name: \"Wobble\"\nassets: \"bundled:wavetables/a.wav\" \"\" \"\" \"\" \"\"\n"
         "files: samples/b.wav:12 samples/deeper/c.raw:0 wavetables/a.wav:512\n"},
        // A document without a name still gives a preset; it fails only when saved.
        {zipOf({storedEntry("preset.obpreset", bytesOf("not json")), storedEntry("samples/s.wav", bytesOf("s"))}),
         "files: samples/s.wav:1\n"},
        {zipOf({storedEntry("preset.obpreset", {})}), ""},
        // The zip reader keeps the first entry of a name.
        {zipOf({storedEntry("preset.obpreset", bytesOf(R"({"name": "First"})")), storedEntry("wavetables/a.wav", bytesOf("one")),
                    storedEntry("preset.obpreset", bytesOf(R"({"name": "Second"})")), storedEntry("wavetables/a.wav", bytesOf("two"))}),
         "name: \"First\"\nparams: tape_tone=0.15609339\nfiles: wavetables/a.wav:3\n"
         "W zip-duplicate-name | A second entry of the same name; skipped\n"
         "W zip-duplicate-name | A second entry of the same name; skipped\n"},
        {zipOf({storedEntry("Preset.obpreset", bytesOf(kDocument))}), "no preset\nE not-a-preset | A .obsz without its preset.obpreset\n"},
        {zipOf({storedEntry("preset.obpreset.bak", bytesOf(kDocument)), storedEntry("wavetables/a.wav", wave)}),
         "no preset\nE not-a-preset | A .obsz without its preset.obpreset\n"},
        {zipOf({storedEntry("presets/preset.obpreset", bytesOf(kDocument))}), "no preset\nE not-a-preset | A .obsz without its preset.obpreset\n"},
        {zipOf({}), "no preset\nE not-a-preset | A .obsz without its preset.obpreset\n"},
        {{}, "no preset\nE zip-unreadable | Too short to be a zip archive\n"},
        {bytesOf(kDocument), "no preset\nE zip-unreadable | No end-of-archive record\n"},
        // A carried file whose stored bytes are damaged: the full read skips it with a warning.
        {damaged, "name: \"Wobble\"\nassets: \"bundled:wavetables/a.wav\" \"\" \"\" \"\" \"\"\n"
                  "W zip-checksum | Checksum mismatch; skipped\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(readBoth(c.zip), c.expected);
    }
}

std::vector<std::string> relative(const std::vector<platform::Path>& paths, const std::filesystem::path& root) {
    std::vector<std::string> out;
    for (const auto& p : paths) out.push_back(p.lexically_relative(root).generic_string());
    return out;
}

TEST(LegacyDiscovery, FindsPresetFilesAtAnyDepthInPathOrder) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsSymlinks);
    TempFolder root;
    EXPECT_TRUE(findLegacyPresets(root / "missing").empty());
    for (const char* name : {"a.obpreset", "B.obpreset", "c.OBSZ", "d.ObPreset", ".hidden.obpreset", "\xC3\xA9.obsz",
                             "a/z.obpreset", "a/sub/deep.obsz", "a/sub/deeper/deepest.obpreset", "a-b/y.obpreset",
                             "folder.obpreset/inner.obsz", "e.obpreset.bak", ".obpreset", ".obsz", "f.json", "g.orbi",
                             "h.zip", "noext", "x.", "obpreset", "a/sub/notes.txt", "a-b/y.obpreset~"}) {
        writeFile(root / name, "{}");
    }
    EXPECT_TRUE(findLegacyPresets(root / "a.obpreset").empty());
    std::filesystem::create_directories(root / "empty");
    // Links are neither followed nor kept, even when they point at presets.
    std::filesystem::create_directory_symlink(root / "a", root / "linked-folder");
    std::filesystem::create_symlink(root / "a.obpreset", root / "linked.obpreset");
    std::filesystem::create_symlink(root / "missing.obpreset", root / "dangling.obpreset");
    // Components compare, not whole strings ('/' > '-' and '.'); UTF-8 bytes after ASCII.
    const std::vector<std::string> expected{".hidden.obpreset", "B.obpreset", "a/sub/deep.obsz", "a/sub/deeper/deepest.obpreset",
                                            "a/z.obpreset", "a-b/y.obpreset", "a.obpreset", "c.OBSZ", "d.ObPreset",
                                            "folder.obpreset/inner.obsz", "\xC3\xA9.obsz"};
    EXPECT_EQ(relative(findLegacyPresets(root.path()), root.path()), expected);
    // The legacy folder itself may be reached through a link.
    std::filesystem::create_directory_symlink(root.path(), root / "empty/to-root");
    EXPECT_EQ(relative(findLegacyPresets(root / "empty/to-root"), root / "empty/to-root"), expected);
}

TEST(LegacyDiscovery, ReadingOneFile) {
    TempFolder root;
    const Bytes zip = zipOf({storedEntry("preset.obpreset", bytesOf(R"({"name": "Pad"})")), storedEntry("samples/s.wav", bytesOf("s"))});
    writeFile(root / "Lead.obpreset", R"({"name": "Lead", "version": 6, "scope": "filter"})");
    writeFile(root / "sub/Pad.OBSZ", textOf(zip));  // bundles by their lowered extension
    writeFile(root / "Empty.obsz", "");
    writeFile(root / "bytes.bin", std::string("\0\xFF", 2));
    std::vector<std::pair<std::string, std::string>> cases = {
        {"Lead.obpreset", "name: \"Lead\"\nscope: 2\n"},
        {"sub/Pad.OBSZ", "name: \"Pad\"\nparams: tape_tone=0.15609339\nfiles: samples/s.wav:1\n"},
        {"Empty.obsz", "no preset\nE zip-unreadable | Too short to be a zip archive\n"},
        {"Missing.obpreset", "no preset\nE unreadable | Could not open " + (root / "Missing.obpreset").string() + "\n"},
        {"sub", "no preset\nE unreadable | Could not open " + (root / "sub").string() + "\n"},
    };
    for (const char* text : {"", "not json", "[1]", R"({"name": ""})", R"({"name": 5})", R"({"version": 6})", "\xEF\xBB\xBF"}) {
        writeFile(root / ("sub/" + std::to_string(cases.size()) + ".obpreset"), text);
        cases.push_back({"sub/" + std::to_string(cases.size()) + ".obpreset",
                         "no preset\nE not-a-preset | " + std::to_string(cases.size()) + ".obpreset is not a Orbitrone preset\n"});
    }
    for (const auto& [name, expected] : cases) {
        DiagnosticList diagnostics;
        std::optional<LegacyPreset> preset = readLegacyPresetFile(root / name, diagnostics);
        EXPECT_EQ((preset ? presetText(*preset) : "no preset\n") + lines(diagnostics), expected) << name;
    }
    DiagnosticList diagnostics;
    EXPECT_EQ(readFileBytes(root / "bytes.bin", diagnostics), (Bytes{0x00, 0xFF}));
    EXPECT_EQ(readFileBytes(root / "Empty.obsz", diagnostics), Bytes{});
    EXPECT_FALSE(readFileBytes(root / "Missing.obsz", diagnostics));
    EXPECT_EQ(lines(diagnostics), "E unreadable | Could not open " + (root / "Missing.obsz").string() + "\n");
}

}  // namespace
}  // namespace orbi::test
