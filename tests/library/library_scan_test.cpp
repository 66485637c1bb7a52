// The library scan over real folders: banks, library file names, unreadable files, repeated ids.
#include <gtest/gtest.h>

#include "library/library_scan.hpp"
#include "support/temp_folder.hpp"

namespace orbi {
namespace {

using test::TempFolder;
using test::writeFile;

std::string instanceText(const std::string& id, const std::string& name = "N") {
    return "{\"kind\":\"instance\",\"id\":\"" + id + "\",\"meta\":{\"name\":\"" + name + "\"}}";
}

TEST(LibraryScan, EmptyOrMissingFolder) {
    TempFolder t;
    DiagnosticList d;
    EXPECT_TRUE(scanLibrary(t.path(), "user", d).empty());
    EXPECT_TRUE(scanLibrary(t / "missing", "user", d).empty());
    writeFile(t / "file", "x");
    EXPECT_TRUE(scanLibrary(t / "file", "user", d).empty());
    EXPECT_TRUE(d.empty());
}

TEST(LibraryScan, BanksFilesAndWhatIsPassedOver) {
    TempFolder t;
    writeFile(t / "loose.json", instanceText("loose"));       // not in a bank
    writeFile(t / "pads/b.orbi", instanceText("soft", "B"));  // same id as a.json, sorts after it
    writeFile(t / "pads/a.json", instanceText("soft", "A"));
    writeFile(t / "pads/.json", instanceText("dot"));
    writeFile(t / "pads/notes.txt", instanceText("txt"));
    writeFile(t / "pads/PRESET.JSON", instanceText("upper"));
    writeFile(t / "pads/deeper/x.json", instanceText("deep"));
    writeFile(t / "Bass/z.zip", instanceText("soft"));  // same id, other bank: its own preset
    writeFile(t / "leads/garbage.json", "not json at all");
    writeFile(t / "leads/clip.json", "{\"kind\":\"clip\",\"id\":\"c\"}");
    writeFile(t / "leads/noid.json", "{\"kind\":\"instance\"}");

    DiagnosticList d;
    auto presets = scanLibrary(t.path(), "user", d);
    ASSERT_EQ(presets.size(), 2u);
    EXPECT_EQ(presets[0].reference, "user:Bass/soft");
    EXPECT_EQ(presets[0].bank, "Bass");
    EXPECT_EQ(presets[1].reference, "user:pads/soft");
    EXPECT_EQ(presets[1].path, t / "pads/a.json");
    EXPECT_EQ(stringMemberOr(presets[1].meta, "name", ""), "A");

    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(d[0], (Diagnostic{Severity::Warning, "preset-unreadable", "", (t / "leads/clip.json").string() + " is not an instance document"}));
    EXPECT_EQ(d[1], (Diagnostic{Severity::Warning, "preset-unreadable", "",
                                (t / "leads/garbage.json").string() + " Neither a JSON document nor a zip archive"}));
    EXPECT_EQ(d[2], (Diagnostic{Severity::Warning, "preset-unreadable", "", (t / "leads/noid.json").string() + " has no id"}));
    EXPECT_EQ(d[3], (Diagnostic{Severity::Warning, "preset-duplicate", "",
                                (t / "pads/b.orbi").string() +
                                    " repeats preset pads/soft; the first file in name order is the preset"}));
}

TEST(LibraryScan, LibraryFileNames) {
    EXPECT_TRUE(isLibraryFileName("a.json"));
    EXPECT_TRUE(isLibraryFileName("a.b.orbi"));
    EXPECT_TRUE(isLibraryFileName("x.zip"));
    EXPECT_FALSE(isLibraryFileName(".json"));
    EXPECT_FALSE(isLibraryFileName("a.JSON"));
    EXPECT_FALSE(isLibraryFileName("a.json.tmp"));
    EXPECT_FALSE(isLibraryFileName("json"));
}

}  // namespace
}  // namespace orbi
