// Legacy discovery over real folders: which files are found, in which order, and what reading
// one gives (a preset, "unreadable" or "not-a-preset").
#include <gtest/gtest.h>

#include "legacy/discovery.hpp"
#include "legacy/legacy_messages.hpp"
#include "legacy/zip_fixtures.hpp"
#include "support/temp_folder.hpp"
#include "support/host.hpp"

namespace orbi::test {
namespace {

std::vector<std::string> relative(const std::vector<platform::Path>& paths, const std::filesystem::path& root) {
    std::vector<std::string> out;
    for (const auto& p : paths) out.push_back(p.lexically_relative(root).generic_string());
    return out;
}

TEST(LegacyDiscovery, AFolderThatIsNoDirectoryHoldsNothing) {
    TempFolder root;
    EXPECT_TRUE(findLegacyPresets(root / "missing").empty());
    writeFile(root / "file.obpreset", "{}");
    EXPECT_TRUE(findLegacyPresets(root / "file.obpreset").empty());
    EXPECT_EQ(findLegacyPresets(root.path()).size(), 1u);
}

TEST(LegacyDiscovery, FindsPresetFilesAtAnyDepthInPathOrder) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsSymlinks);
    TempFolder root;
    for (const char* name : {
             "a.obpreset", "B.obpreset", "c.OBSZ", "d.ObPreset", ".hidden.obpreset", "\xC3\xA9.obsz",
             "a/z.obpreset", "a/sub/deep.obsz", "a/sub/deeper/deepest.obpreset", "a-b/y.obpreset",
             "folder.obpreset/inner.obsz",
             // Not presets: other extensions, a name that is all extension, a dot at the end.
             "e.obpreset.bak", ".obpreset", ".obsz", "f.json", "g.orbi", "h.zip", "noext", "x.", "obpreset",
             "a/sub/notes.txt", "a-b/y.obpreset~"}) {
        writeFile(root / name, "{}");
    }
    std::filesystem::create_directories(root / "empty");
    // Links are neither followed nor kept, even when they point at presets.
    std::filesystem::create_directory_symlink(root / "a", root / "linked-folder");
    std::filesystem::create_symlink(root / "a.obpreset", root / "linked.obpreset");
    std::filesystem::create_symlink(root / "missing.obpreset", root / "dangling.obpreset");

    std::vector<std::string> expected{
        ".hidden.obpreset",
        "B.obpreset",                      // upper case sorts before lower case
        "a/sub/deep.obsz",                 // a/ before a-b/ and a.obpreset: components compare,
        "a/sub/deeper/deepest.obpreset",   // not whole strings ('/' > '-' and '.')
        "a/z.obpreset",
        "a-b/y.obpreset",
        "a.obpreset",
        "c.OBSZ",
        "d.ObPreset",
        "folder.obpreset/inner.obsz",
        "\xC3\xA9.obsz",  // UTF-8 bytes after ASCII
    };
    EXPECT_EQ(relative(findLegacyPresets(root.path()), root.path()), expected);

    // The legacy folder itself may be reached through a link.
    std::filesystem::create_directory_symlink(root.path(), root / "empty/to-root");
    EXPECT_EQ(relative(findLegacyPresets(root / "empty/to-root"), root / "empty/to-root"), expected);
}

TEST(LegacyDiscovery, ReadingOneFile) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    TempFolder root;
    writeFile(root / "Lead.obpreset", R"({"name": "Lead", "version": 6, "scope": "filter"})");
    DiagnosticList diagnostics;
    std::optional<LegacyPreset> preset = readLegacyPresetFile(root / "Lead.obpreset", diagnostics);
    ASSERT_TRUE(preset);
    EXPECT_EQ(preset->name, "Lead");
    EXPECT_EQ(preset->scope, 2u);
    EXPECT_TRUE(diagnostics.empty());

    // Bundles by their lowered extension.
    std::vector<std::uint8_t> zip = pythonZip({{"preset.obpreset", R"({"name": "Pad"})"}, {"samples/s.wav", "s"}});
    writeFile(root / "sub/Pad.OBSZ", std::string(zip.begin(), zip.end()));
    preset = readLegacyPresetFile(root / "sub/Pad.OBSZ", diagnostics);
    ASSERT_TRUE(preset);
    EXPECT_EQ(preset->name, "Pad");
    EXPECT_EQ(preset->bundleFiles.size(), 1u);
    EXPECT_TRUE(diagnostics.empty());
}

TEST(LegacyDiscovery, ReasonsAFileIsNoPreset) {
    TempFolder root;
    for (const char* text : {"", "not json", "[1]", R"({"name": ""})", R"({"name": 5})", R"({"version": 6})",
                             "\xEF\xBB\xBF"}) {
        writeFile(root / "sub/Broken.obpreset", text);
        DiagnosticList diagnostics;
        EXPECT_FALSE(readLegacyPresetFile(root / "sub/Broken.obpreset", diagnostics)) << text;
        EXPECT_EQ(diagnostics, (DiagnosticList{{Severity::Error, "not-a-preset", "",
                                                "Broken.obpreset is not a Orbitrone preset"}}))
            << text;
    }

    // An empty bundle is no zip archive; the zip reader's reason stands.
    writeFile(root / "Empty.obsz", "");
    DiagnosticList diagnostics;
    EXPECT_FALSE(readLegacyPresetFile(root / "Empty.obsz", diagnostics));
    EXPECT_EQ(firstError(diagnostics), "Too short to be a zip archive");

    for (const auto& path : {root / "Missing.obpreset", root / "sub"}) {
        diagnostics.clear();
        EXPECT_FALSE(readLegacyPresetFile(path, diagnostics));
        EXPECT_EQ(diagnostics, (DiagnosticList{{Severity::Error, "unreadable", "", "Could not open " + path.string()}}));
    }
    diagnostics.clear();
    EXPECT_FALSE(readFileBytes(root / "Missing.obsz", diagnostics));
    EXPECT_EQ(firstError(diagnostics), "Could not open " + (root / "Missing.obsz").string());

    diagnostics.clear();
    writeFile(root / "bytes.bin", std::string("\0\xFF", 2));
    EXPECT_EQ(readFileBytes(root / "bytes.bin", diagnostics), (std::vector<std::uint8_t>{0x00, 0xFF}));
    EXPECT_EQ(readFileBytes(root / "Empty.obsz", diagnostics), std::vector<std::uint8_t>{});
    EXPECT_TRUE(diagnostics.empty());
}

}  // namespace
}  // namespace orbi::test
