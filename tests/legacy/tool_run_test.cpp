// The built tool over a legacy folder: non-presets and unreadable bundles fail with their
// reasons, section presets are kept, other files are not listed, and whole-instrument presets
// are migrated.
#include <gtest/gtest.h>

#include "legacy/zip_fixtures.hpp"
#include "support/run_tool.hpp"
#include "support/host.hpp"

namespace orbi::test {
namespace {

TEST(LegacyToolRun, ReportsEveryLegacyFileInPathOrder) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    TempFolder root;
    auto legacy = root / "old";
    writeFile(legacy / "Broken.obpreset", "{\"name\": ");
    writeFile(legacy / "Filter/Sweep.obpreset", R"({"name": "Filter Sweep", "scope": "filter"})");
    writeFile(legacy / "Filter/Unnamed.obpreset", R"({"name": 1, "scope": "filter"})");
    writeFile(legacy / "Lead.obpreset", R"({"name": "Lead", "version": 6})");
    writeFile(legacy / "Empty.OBSZ", "");
    std::vector<std::uint8_t> noDocument = pythonZip({{"Preset.obpreset", R"({"name": "X"})"}});
    writeFile(legacy / "bundles/NoDocument.obsz", std::string(noDocument.begin(), noDocument.end()));
    std::vector<std::uint8_t> tape = pythonZip({{"preset.obpreset", R"({"name": "Tape", "scope": "effect_tape"})"}});
    writeFile(legacy / "bundles/Tape.obsz", std::string(tape.begin(), tape.end()));
    // A bundle whose document has no name is still a preset; it fails only when saved.
    std::vector<std::uint8_t> nameless = pythonZip({{"preset.obpreset", "not json"}});
    writeFile(legacy / "bundles/Nameless.obsz", std::string(nameless.begin(), nameless.end()));
    writeFile(legacy / "notes.txt", "not looked at");
    writeFile(legacy / "Lead.obpreset.bak", "not looked at");

    ToolResult r = runToolBinary({"--from", legacy.string(), "--to", (root / "new").string()});

    EXPECT_EQ(r.out, "From " + legacy.string() + "\nTo   " + (root / "new/orbitrone").string() + "\n\n" +
                         "  failed    Broken.obpreset  (Broken.obpreset is not a Orbitrone preset)\n"
                         "  failed    Empty.OBSZ  (Too short to be a zip archive)\n"
                         "  kept      Filter Sweep  (section preset, still listed from the old folder)\n"
                         "  failed    Unnamed.obpreset  (Unnamed.obpreset is not a Orbitrone preset)\n"
                         "  migrated  Lead  (user:uncategorized/lead)\n"
                         "  failed    Nameless.obsz  (The preset id \"\" cannot name a file)\n"
                         "  failed    NoDocument.obsz  (A .obsz without its preset.obpreset)\n"
                         "  kept      Tape  (section preset, still listed from the old folder)\n"
                         "\n1 migrated, 5 failed, 2 kept.\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(std::filesystem::is_regular_file(root / "new/orbitrone/uncategorized/lead.json"));
}

}  // namespace
}  // namespace orbi::test
