// Legacy files: .obsz bundles (the document by its exact name, the carried wavetables/ and
// samples/ files) and single files read from a folder (data/files.txt), and discovery over a folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "legacy/discovery.hpp"
#include "legacy/legacy_bundle.hpp"
#include "legacy/preset_text.hpp"
#include "support/case_file.hpp"
#include "support/host.hpp"
#include "support/zip_builder.hpp"

namespace orbi::test {
namespace {

// The preset text (or "no preset") and the findings of a full read; the heading read from the
// document entry alone must agree with it.
std::string readBoth(const Bytes& zip) {
    DiagnosticList full, documentOnly;
    const std::optional<LegacyPreset> all = readLegacyBundle(zip, full);
    MemoryZipSource source(zip);
    const std::optional<LegacyHeading> heading = readLegacyBundleHeading(source, documentOnly);
    EXPECT_EQ(heading.has_value(), all.has_value());
    if (heading && all) {
        EXPECT_TRUE(heading->name == all->name && heading->scope == all->scope);
    }
    EXPECT_EQ(firstError(full), firstError(documentOnly));
    return (all ? presetText(*all) : "no preset\n") + findings(full);
}

// A case's lines are a bundle's entries in order, "<stored|deflated> <name> <text>" ("wave" as the
// text: 512 bytes), then "damage <text>" to flip a bit of that stored text; or "raw <text>" for bytes
// that are no zip. A first line "file <path>" writes the bytes there and reads that file ("folder
// <path>" makes a folder, "missing <path>" nothing).
TEST(LegacyFiles, CaseTable) {
    checkCaseFile(ORBI_CASES "/files.txt", [](const std::string& input) {
        RawArchive archive;
        std::istringstream in(input);
        std::string line, damage, file, raw = "-";
        TempFolder root;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string kind, name, text;
            words >> kind >> name;
            std::getline(words >> std::ws, text);
            if (kind == "file" || kind == "folder" || kind == "missing") file = name;
            if (kind == "folder") std::filesystem::create_directories(root / name);
            if (kind == "raw") raw = line.substr(std::min<std::size_t>(4, line.size()));
            if (kind == "damage") damage = name;
            Bytes data = text == "wave" ? Bytes{} : bytesOf(text);
            for (int i = 0; text == "wave" && i < 512; ++i) data.push_back(static_cast<std::uint8_t>(i * 7));
            if (kind == "stored" || kind == "deflated") archive.entries.push_back((kind == "stored" ? storedEntry : deflatedEntry)(name, data));
        }
        Bytes bytes = raw == "-" ? buildZip(archive) : bytesOf(raw);
        const auto damaged = std::search(bytes.begin(), bytes.end(), damage.begin(), damage.end());
        if (!damage.empty() && damaged != bytes.end()) *damaged ^= 0x20;
        if (file.empty()) return readBoth(bytes);
        if (input.rfind("file ", 0) == 0) writeFile(root / file, textOf(bytes));
        DiagnosticList diagnostics;
        const std::optional<LegacyPreset> preset = readLegacyPresetFile(root / file, diagnostics);
        std::string out = (preset ? presetText(*preset) : "no preset\n") + findings(diagnostics);
        for (std::size_t at; (at = out.find(root.path().string())) != out.npos;) out.replace(at, root.path().string().size(), "<root>");
        if (runningOnWindows()) std::replace(out.begin(), out.end(), '\\', '/');
        return out;
    });
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

}  // namespace
}  // namespace orbi::test
