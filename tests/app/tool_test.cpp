// The run's frame: usage, where the folders come from, names Windows would reinterpret, and the
// pure pieces (slugs, unique ids, the command line, report file names) as calls in data/frame.txt.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "app/app_messages.hpp"
#include "app/command_line.hpp"
#include "app/preset_names.hpp"
#include "app/report.hpp"
#include "support/case_file.hpp"
#include "support/host.hpp"

namespace orbi::test {
namespace {

namespace fs = std::filesystem;
namespace pf = platform;
using Env = std::map<std::string, std::optional<std::string>>;
const Env kNoUserFolder{{"APPDATA", std::nullopt}, {"XDG_DATA_HOME", std::nullopt}, {"HOME", std::nullopt}};

TEST(Tool, UsageErrorsAndNoPresetRoot) {
    TempFolder root;
    const std::string usage(app_messages::kUsageLine), noRoot(app_messages::kNoPresetRoot);
    const std::vector<std::pair<std::vector<std::string>, Env>> runs{
        {{"-h"}, {}}, {{"--to"}, {}}, {{"--from", "x", "--to"}, {}}, {{"--to", (root / "r").string(), "extra"}, {}},
        {{}, kNoUserFolder},
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
    const std::string base = (a / "").string(), share = (a / ".local/share/").string(), old = "Quillmark/Orbitrone/Presets";
    Env tmpOnly = kNoUserFolder;
    tmpOnly["TMPDIR"] = base;
    // words, environment, the folders the run reports
    const std::vector<std::tuple<std::vector<std::string>, Env, std::string, std::string>> runs{
        {{}, {{"APPDATA", base}, {"XDG_DATA_HOME", "/nowhere"}}, base + old, base + "Orbi/Presets"},
        {{}, {{"APPDATA", std::nullopt}, {"XDG_DATA_HOME", base}}, base + old, base + "Orbi/Presets"},
        {{}, {{"APPDATA", std::nullopt}, {"XDG_DATA_HOME", std::nullopt}, {"HOME", a.path().string()}}, share + old, share + "Orbi/Presets"},
        // With no per-user folder at all, the old presets are looked for below the temporary folder.
        {{"--to", base + "root"}, tmpOnly, base + old, base + "root"},
        // The last --to and --from win.
        {{"--to", "/x", "--from", "/nope", "--to", base + "root", "--from", base + "old"}, kNoUserFolder, base + "old", base + "root"}};
    for (const auto& [words, env, from, to] : runs) {
        const ToolResult r = runToolBinary(words, env);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "From " + from + "\nTo   " + to + "/orbitrone\n\nNo old presets found.\n");
        EXPECT_EQ(r.err, "");
    }
    EXPECT_FALSE(fs::exists(a / "root"));
}

// Device names, and names ending in a dot, pass the saving rules; Windows refuses them with its own
// text (at the bank folder or at the file), POSIX takes them as they are. Nothing is half-written.
TEST(Tool, NamesWindowsWouldReinterpretEndAsReportLines) {
    // name, category, where Windows refuses it: 'b'ank folder, 'f'ile or ' ' nowhere.
    const std::vector<std::tuple<const char*, const char*, char>> rows{
        {"CON", "Pads", 'f'},  {"nul", "Pads", 'f'},  {"com1", "Pads", 'f'},       {"lpt\xC2\xB9", "Pads", 'f'},
        {"AUX.old", "Pads", 'f'}, {"conin$", "Pads", 'f'}, {"Lead", "Aux", 'b'},   {"Keys Dot", "Keys.", 'b'},
        {"Pad.", "Pads", ' '}, {"CONSOLE", "Pads", ' '}, {"con-2", "Pads", ' '},    {"x.con", "Pads", ' '},
        {"nul lead", "Pads", ' '}, {"com10", "Pads", ' '}, {"\xC3\x9C" "ber CON", "Pads", ' '}};
    TempFolder t;
    const fs::path legacy = t / "old", plugin = t / "root/orbitrone";
    std::string report;
    std::set<std::string> all, kept, files;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& [name, category, refused] = rows[i];
        const std::string file = "p" + std::to_string(i + 10) + ".obpreset", bank = presetSlug(category), id = presetSlug(name);
        writeFile(legacy / file, std::string(R"({"version":6,"name":")") + name + R"(","tags":{"category":")" + category + "\"}}");
        if (refused == ' ') kept.insert(bank + "/" + id + ".json");
        all.insert(bank + "/" + id + ".json");
        const fs::path at = refused == 'b' ? plugin / pf::pathFromUtf8(bank) : plugin / pf::pathFromUtf8(bank) / pf::pathFromUtf8(id + ".json");
        report += refused != ' ' ? "  failed    " + file + "  (" + pf::pathToUtf8(at) + ": " + pf::systemErrorText(123) + ")\n"
                                 : "  migrated  " + std::string(name) + "  (user:" + bank + "/" + id + ")\n";  // 123: invalid name
    }
    const ToolResult r = runToolBinary({"--from", pf::pathToUtf8(legacy), "--to", pf::pathToUtf8(t / "root")});
    for (const auto& [rel, bytes] : filesUnder(plugin)) files.insert(rel);
    EXPECT_EQ(files, runningOnWindows() ? kept : all) << "no temporary file stays";
    EXPECT_EQ(r.status, runningOnWindows() ? 1 : 0) << r.err;
    if (!runningOnWindows()) return;
    EXPECT_EQ(r.out, "From " + pf::pathToUtf8(legacy) + "\nTo   " + pf::pathToUtf8(plugin) + "\n\n" + report + "\n" +
                         std::to_string(kept.size()) + " migrated, " + std::to_string(rows.size() - kept.size()) + " failed, 0 kept.\n");
}

// data/frame.txt: slugs, banks, unique ids, the command line and report file names as calls.
std::string frameCall(const std::vector<std::string>& w) {
    const std::string what = w.at(0), arg = w.size() > 1 ? percentDecoded(w[1]) : "";
    if (what == "slug") return percentEncoded(presetSlug(arg));
    if (what == "bank") return bankForCategory(arg);
    if (what == "report-name") return reportFileName(pf::pathToUtf8(pf::pathFromUtf8(arg)));
    if (what == "unique") {  // unique <bank> <id> <taken bank/id>...
        TakenIds taken;
        for (std::size_t k = 3; k < w.size(); ++k) taken.emplace(w[k].substr(0, w[k].find('/')), w[k].substr(w[k].find('/') + 1));
        return uniquePresetId(arg, w.at(2), taken);
    }
    const auto line = parseCommandLine(std::vector<std::string>(w.begin() + 1, w.end()));  // words <word>...
    if (!line) return "refused";
    return "from " + (line->from ? "\"" + pf::pathToUtf8(*line->from) + "\"" : "none") + ", to " +
           (line->to ? "\"" + pf::pathToUtf8(*line->to) + "\"" : "none");
}

TEST(Frame, NamesIdsCommandLineAndReportFileNames) {
    checkCallFile(ORBI_CASES "/frame.txt", frameCall);
    EXPECT_EQ(reportFileName(pf::pathToUtf8(nameWithInvalidUnit("C:\\P\\bad", ".obsz"))), "bad" + invalidUnitAsUtf8() + ".obsz");
}

}  // namespace
}  // namespace orbi::test
