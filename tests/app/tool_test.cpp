// The built tool run as a user runs it: words, environment, output and exit status.
#include <gtest/gtest.h>

#include "support/run_tool.hpp"
#include "support/host.hpp"

namespace orbi::test {
namespace {

const std::string kUsage = "usage: orbitrone-migrate-presets [--from <folder>] [--to <preset root>]\n";

TEST(Tool, UsageErrorsEndWithStatusTwoAndTouchNothing) {
    TempFolder root;
    for (auto words : std::vector<std::vector<std::string>>{
             {"-h"}, {"--to"}, {"--from", "x", "--to"}, {"--to", (root / "r").string(), "extra"}}) {
        ToolResult r = runToolBinary(words);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, kUsage);
    }
    EXPECT_TRUE(std::filesystem::is_empty(root.path()));
}

TEST(Tool, NoPresetRootAnywhere) {
    ToolResult r = runToolBinary({}, {{"APPDATA", std::nullopt}, {"XDG_DATA_HOME", std::nullopt}, {"HOME", std::nullopt}});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "No user preset folder on this system. Name one with --to.\n");

    // APPDATA set but empty names no preset root either, and wins over the per-user folder.
    TempFolder home;
    r = runToolBinary({}, {{"APPDATA", ""}, {"XDG_DATA_HOME", home.path().string()}});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "No user preset folder on this system. Name one with --to.\n");
}

TEST(Tool, FoldersFromAppDataAndTheirStandIns) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPosixFolders);
    TempFolder a;
    ToolResult r = runToolBinary({}, {{"APPDATA", a.path().string()}, {"XDG_DATA_HOME", "/nowhere"}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "From " + (a / "Quillmark/Orbitrone/Presets").string() + "\nTo   " +
                         (a / "Orbi/Presets/orbitrone").string() + "\n\nNo old presets found.\n");
    EXPECT_EQ(r.err, "");

    r = runToolBinary({}, {{"APPDATA", std::nullopt}, {"XDG_DATA_HOME", a.path().string()}});
    EXPECT_EQ(r.out, "From " + (a / "Quillmark/Orbitrone/Presets").string() + "\nTo   " +
                         (a / "Orbi/Presets/orbitrone").string() + "\n\nNo old presets found.\n");

    r = runToolBinary({}, {{"APPDATA", std::nullopt}, {"XDG_DATA_HOME", std::nullopt}, {"HOME", a.path().string()}});
    EXPECT_EQ(r.out, "From " + (a / ".local/share/Quillmark/Orbitrone/Presets").string() + "\nTo   " +
                         (a / ".local/share/Orbi/Presets/orbitrone").string() + "\n\nNo old presets found.\n");

    // --to and --from replace the defaults; the last of each wins.
    r = runToolBinary({"--to", "/x", "--from", "/nope", "--to", (a / "root").string(), "--from", (a / "old").string()},
                      {{"APPDATA", std::nullopt}, {"XDG_DATA_HOME", std::nullopt}, {"HOME", std::nullopt}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "From " + (a / "old").string() + "\nTo   " + (a / "root/orbitrone").string() +
                         "\n\nNo old presets found.\n");
    EXPECT_FALSE(std::filesystem::exists(a / "root"));
}

}  // namespace
}  // namespace orbi::test
