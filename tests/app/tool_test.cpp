// The run's frame: usage, where the folders come from, names Windows would reinterpret, and the
// pure pieces (slugs, unique ids, the command line, report file names) as tables.
#include <gtest/gtest.h>

#include "app/app_messages.hpp"
#include "app/command_line.hpp"
#include "app/preset_names.hpp"
#include "app/report.hpp"
#include "support/host.hpp"
#include "support/run_tool.hpp"

namespace orbi::test {
namespace {

namespace fs = std::filesystem;
namespace pf = platform;
using Env = std::map<std::string, std::optional<std::string>>;

TEST(Tool, UsageErrorsAndNoPresetRoot) {
    TempFolder root;
    const std::string usage(app_messages::kUsageLine), noRoot(app_messages::kNoPresetRoot);
    const std::vector<std::pair<std::vector<std::string>, Env>> runs{
        {{"-h"}, {}}, {{"--to"}, {}}, {{"--from", "x", "--to"}, {}}, {{"--to", (root / "r").string(), "extra"}, {}},
        {{}, {{"APPDATA", std::nullopt}, {"XDG_DATA_HOME", std::nullopt}, {"HOME", std::nullopt}}},
        // APPDATA set but empty names no preset root either, and wins over the per-user folder.
        {{}, {{"APPDATA", ""}, {"XDG_DATA_HOME", root.path().string()}}}};
    for (const auto& [words, env] : runs) {
        const ToolResult r = runToolBinary(words, env);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, env.empty() ? usage : noRoot) << (words.empty() ? "" : words[0]);
    }
    EXPECT_TRUE(fs::is_empty(root.path()));
}

TEST(Tool, FoldersFromTheStandInsForAppData) {
    ORBI_SKIP_ON_WINDOWS(kNeedsPosixFolders);
    TempFolder a;
    const std::string none = "\n\nNo old presets found.\n";
    const std::string base = (a / "").string(), share = (a / ".local/share/").string();
    const std::vector<std::tuple<std::vector<std::string>, Env, std::string>> runs{
        {{}, {{"APPDATA", base}, {"XDG_DATA_HOME", "/nowhere"}}, "From " + base + "Quillmark/Orbitrone/Presets\nTo   " + base + "Orbi/Presets/orbitrone"},
        {{}, {{"APPDATA", std::nullopt}, {"XDG_DATA_HOME", base}}, "From " + base + "Quillmark/Orbitrone/Presets\nTo   " + base + "Orbi/Presets/orbitrone"},
        {{}, {{"APPDATA", std::nullopt}, {"XDG_DATA_HOME", std::nullopt}, {"HOME", a.path().string()}},
         "From " + share + "Quillmark/Orbitrone/Presets\nTo   " + share + "Orbi/Presets/orbitrone"},
        // The last --to and --from win.
        {{"--to", "/x", "--from", "/nope", "--to", base + "root", "--from", base + "old"},
         {{"APPDATA", std::nullopt}, {"XDG_DATA_HOME", std::nullopt}, {"HOME", std::nullopt}},
         "From " + base + "old\nTo   " + base + "root/orbitrone"}};
    for (const auto& [words, env, header] : runs) {
        const ToolResult r = runToolBinary(words, env);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, header + none);
        EXPECT_EQ(r.err, "");
    }
    EXPECT_FALSE(fs::exists(a / "root"));
}

TEST(Tool, NamesWindowsWouldReinterpretEndAsReportLines) {
    TempFolder t;
    const fs::path legacy = t / "old", plugin = t / "root/orbitrone";
    const std::pair<const char*, const char*> presets[] = {{"a-con", R"("CON","tags":{"category":"Pads"})"},
                                                           {"b-aux", R"("Lead","tags":{"category":"Aux"})"},
                                                           {"c-dot", R"("Keys Dot","tags":{"category":"Keys."})"},
                                                           {"d-fine", R"("Pad.","tags":{"category":"Pads"})"}};
    for (const auto& [file, members] : presets) writeFile(legacy / (std::string(file) + ".obpreset"), R"({"version":6,"name":)" + std::string(members) + "}");
    const ToolResult r = runToolBinary({"--from", legacy.string(), "--to", (t / "root").string()});
    std::vector<std::string> files;
    for (const auto& [name, bytes] : filesUnder(plugin)) files.push_back(fs::path(name).generic_string());
    if (!runningOnWindows()) {
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(files, (std::vector<std::string>{"aux/lead.json", "keys./keys-dot.json", "pads/con.json", "pads/pad..json"}));
        return;
    }
    const std::string invalid = pf::systemErrorText(123);  // ERROR_INVALID_NAME
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "From " + legacy.string() + "\nTo   " + plugin.string() + "\n\n"
                     "  failed    a-con.obpreset  (" + (plugin / "pads" / "con.json").string() + ": " + invalid + ")\n"
                     "  failed    b-aux.obpreset  (" + (plugin / "aux").string() + ": " + invalid + ")\n"
                     "  failed    c-dot.obpreset  (" + (plugin / "keys.").string() + ": " + invalid + ")\n"
                     "  migrated  Pad.  (user:pads/pad.)\n\n1 migrated, 3 failed, 0 kept.\n");
    EXPECT_EQ(files, std::vector<std::string>{"pads/pad..json"}) << "no temporary file stays";
}

TEST(Frame, SlugsBanksAndUniqueIds) {
    for (const auto& [text, slug] : std::vector<std::pair<std::string, std::string>>{
             {"Pad 1", "pad-1"}, {"a\"b*c/d:e<f>g?h\\i|j", "a-b-c-d-e-f-g-h-i-j"}, {"  X  ", "--x--"},
             {"\xC3\x84rger.v2", "\xC3\x84rger.v2"}, {"", ""}, {std::string("a\0B", 3), std::string("a\0b", 3)}}) {
        EXPECT_EQ(presetSlug(text), slug);
    }
    EXPECT_EQ(bankForCategory(""), "uncategorized");
    EXPECT_EQ(bankForCategory("Bass/Sub"), "bass-sub");
    const TakenIds taken{{"pads", "pad-1"}, {"pads", "pad-1-2"}, {"Pads", "soft"}, {"b", "x"}, {"b", "x-2"}, {"b", "x-3"}, {"b", "x-2-2"}};
    EXPECT_EQ(uniquePresetId("pads", "pad-1", taken), "pad-1-3");
    EXPECT_EQ(uniquePresetId("leads", "pad-1", taken), "pad-1");
    EXPECT_EQ(uniquePresetId("pads", "soft", taken), "soft");  // banks compare byte for byte
    EXPECT_EQ(uniquePresetId("b", "x", taken), "x-4");         // a taken suffixed id is skipped, not suffixed
}

TEST(Frame, CommandLine) {
    auto both = parseCommandLine({"--to", "/t", "--from", "/a", "--from", "--to"});
    ASSERT_TRUE(both);
    EXPECT_EQ(pf::pathToUtf8(*both->from), "--to");  // a value may look like an option
    EXPECT_EQ(pf::pathToUtf8(*both->to), "/t");
    ASSERT_TRUE(parseCommandLine({}));
    EXPECT_FALSE(parseCommandLine({})->from || parseCommandLine({})->to);
    for (auto words : std::vector<std::vector<std::string>>{{"--From", "/a"}, {"--from=/a"}, {"/a"}, {""}}) {
        EXPECT_FALSE(parseCommandLine(words)) << words[0];
    }
}

TEST(Frame, ReportFileNamesOfTheSystemsPaths) {
    for (const auto& [path, name] : std::vector<std::pair<std::string, std::string>>{
             {"C:\\Users\\\xC3\x9C\\Presets\\B\xC3\xA4sse.obsz", "B\xC3\xA4sse.obsz"}, {"C:\xCE\xA9.obsz", "\xCE\xA9.obsz"},
             {"D:", ""}, {"\\\\s\xC3\xA9rver\\share\\x.obsz", "x.obsz"}, {"\\\\s\xC3\xA9rver", ""},
             {"\\\\?\\C:\\P\\y.obpreset", "y.obpreset"}, {"a/b\\c.obsz", "c.obsz"}, {"/home/u/pad.obsz", "pad.obsz"}}) {
        EXPECT_EQ(reportFileName(pf::pathToUtf8(pf::pathFromUtf8(path))), name) << path;
    }
    EXPECT_EQ(reportFileName(pf::pathToUtf8(nameWithInvalidUnit("C:\\P\\bad", ".obsz"))), "bad" + invalidUnitAsUtf8() + ".obsz");
}

}  // namespace
}  // namespace orbi::test
