// Faults under the built tool (POSIX): a temporary path that is a link or a folder, folders and
// files that cannot be made or written, a legacy file that cannot be opened, a rename that fails.
// Each must give its exact report line and status, leave no temporary file, and change nothing
// else. Power lost at any moment is power_loss_test's.
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "support/host.hpp"

namespace orbi::test {
namespace {

namespace fs = std::filesystem;
using Env = std::map<std::string, std::optional<std::string>>;

// Every entry below root, links not followed: "dir", "link:" + target, or "file:" + contents.
std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> out;
    for (auto& e : fs::recursive_directory_iterator(root)) {
        std::string name = e.path().lexically_relative(root).string();
        if (e.is_symlink()) out[name] = "link:" + fs::read_symlink(e.path()).string();
        else out[name] = e.is_directory() ? "dir" : "file:" + readFile(e.path());
    }
    return out;
}

// Lets anyone write everywhere below the roots; a fault then takes rights away.
void openUp(std::initializer_list<fs::path> roots) {
    for (const fs::path& root : roots) {
        fs::permissions(root, fs::perms::all);
        for (auto& e : fs::recursive_directory_iterator(root))
            if (!e.is_symlink()) fs::permissions(e.path(), fs::perms::all);
    }
}

// Permission faults run as nobody when we are root (root writes anywhere), from a copy of the
// tool that any user may run (the build folder may sit below a private home).
ToolResult runTool(const std::vector<std::string>& words, const Env& env, bool unprivileged) {
    if (!unprivileged || geteuid() != 0) return runToolBinary(words, env);
    const passwd* pw = getpwnam("nobody");
    if (pw == nullptr || pw->pw_uid == 0) return {-1, "", "no unprivileged user to run as"};
    static TempFolder folder;
    const fs::path tool = folder / "orbitrone-migrate-presets";
    fs::copy_file(toolPath(), tool, fs::copy_options::overwrite_existing);
    for (const fs::path& p : {folder.path(), tool}) fs::permissions(p, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    std::vector<std::string> all{"--reuid=" + std::to_string(pw->pw_uid), "--regid=" + std::to_string(pw->pw_gid),
                                 "--clear-groups", tool.string()};
    all.insert(all.end(), words.begin(), words.end());
    return runToolBinary(all, env, {"/usr/bin/setpriv"});
}

constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec;

// Each fault hits Lonely (Misc/NoCat.obpreset); LONELY (Misc/NoCat2.obpreset) wants the same id,
// which a failed save must free: it is saved in Lonely's place or fails for the same reason, never
// "kept". Long's bank name is too long for the system; Pad is saved whatever happens.
TEST(Faults, EachGivesItsLineAndChangesNothingElse) {
    struct Fault {
        const char* what;
        bool unprivileged, secondSaved;
        std::function<std::string()> prepare;  // answers Lonely's reason
        std::function<void()> takeAway = {};    // once all is opened up
        Env env = {};
    };
    TempFolder legacy, target;
    const fs::path root = target / "root", bankPath = root / "orbitrone/uncategorized";
    const std::string longCategory(300, 'x'), tmp = "orbitrone/uncategorized/lonely.json.tmp", bank = bankPath.string();
    const std::string couldNotWrite = "Could not write " + (root / tmp).string();
    auto link = [&](const fs::path& to) {
        fs::create_directories(bankPath);
        fs::create_symlink(to, root / tmp);
        return couldNotWrite;
    };
    // The sanitizer runtime wants to be first among preloaded libraries; here it need not be.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const Env failRename{{"LD_PRELOAD", ORBI_FAIL_RENAME_LIB}, {"ORBI_FAIL_RENAME_SUFFIX", "/uncategorized/lonely.json"},
                         {"ASAN_OPTIONS", std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0"}};
    const std::vector<Fault> faults{
        {"the temporary path is a link to /dev/full", false, true, [&] { return link("/dev/full"); }},
        {"the temporary path is a link to a file of the user's", false, true, [&] { return link(legacy / "Misc/NoCat.obpreset"); }},
        {"the temporary path is a folder", false, false, [&] { writeFile(root / tmp / "keep.txt", "mine"); return couldNotWrite; }},
        {"the bank folder may not be written", true, false, [&] { fs::create_directories(bankPath); return couldNotWrite; },
         [&] { fs::permissions(bankPath, kReadOnly); }},
        {"the bank path is a file", false, false, [&] { writeFile(bankPath, "in the way"); return bank + ": " + std::strerror(ENOTDIR); }},
        {"the bank folder cannot be created", true, false,
         [&] { fs::create_directories(root / "orbitrone/pads"); return bank + ": " + std::strerror(EACCES); },
         [&] { fs::permissions(root / "orbitrone", kReadOnly); }},
        {"the legacy file cannot be opened", true, true, [&] { return "Could not open " + (legacy / "Misc/NoCat.obpreset").string(); },
         [&] { fs::permissions(legacy / "Misc/NoCat.obpreset", fs::perms::none); }},
        // After the temporary file was written and flushed with its group: only a failing rename
        // can reach that moment.
        {"the rename fails", false, true, [&] { return bank + "/lonely.json: " + std::strerror(EACCES); }, {}, failRename},
    };

    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        fs::remove_all(root);
        fs::remove_all(legacy.path());
        fs::create_directories(root);
        writeFile(legacy / "Misc/NoCat.obpreset", R"({"name":"Lonely","version":6})");
        writeFile(legacy / "Misc/NoCat2.obpreset", R"({"name":"LONELY","version":6})");
        writeFile(legacy / "Pads/Pad.obpreset", R"({"name":"Pad","version":6,"tags":{"category":"Pads"}})");
        writeFile(legacy / "Pads/Long.obpreset", R"({"name":"Long","version":6,"tags":{"category":")" + longCategory + R"("}})");
        const std::string reason = fault.prepare();
        if (fault.unprivileged) { openUp({target.path(), legacy.path()}); fault.takeAway(); }
        const auto targetBefore = snapshot(root), legacyBefore = snapshot(legacy.path());

        const ToolResult r = runTool({"--from", legacy.path().string(), "--to", root.string()}, fault.env, fault.unprivileged);
        EXPECT_EQ(r.out, "From " + legacy.path().string() + "\nTo   " + (root / "orbitrone").string() + "\n\n" +
                             "  failed    NoCat.obpreset  (" + reason + ")\n" +
                             (fault.secondSaved ? "  migrated  LONELY  (user:uncategorized/lonely)\n"
                                                : "  failed    NoCat2.obpreset  (" + reason + ")\n") +
                             "  failed    Long.obpreset  (" + (root / "orbitrone" / longCategory).string() + ": " +
                             std::strerror(ENAMETOOLONG) + ")\n  migrated  Pad  (user:pads/pad)\n\n" +
                             (fault.secondSaved ? "2 migrated, 2 failed, 0 kept.\n" : "1 migrated, 3 failed, 0 kept.\n"));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "");

        // Apart from the presets saved, nothing changed; a link at the temporary path is removed,
        // never written through.
        auto after = snapshot(root), expected = targetBefore;
        EXPECT_NE(after["orbitrone/pads/pad.json"].find("\"id\": \"pad\""), std::string::npos);
        after.erase("orbitrone/pads/pad.json");
        if (fault.secondSaved) {
            EXPECT_NE(after["orbitrone/uncategorized/lonely.json"].find("\"name\": \"LONELY\""), std::string::npos);
            after.erase("orbitrone/uncategorized/lonely.json");
        }
        expected["orbitrone"] = expected["orbitrone/pads"] = "dir";
        if (expected[tmp].starts_with("link:") || expected[tmp].empty()) expected.erase(tmp);
        if (!expected.contains("orbitrone/uncategorized")) after.erase("orbitrone/uncategorized");
        EXPECT_EQ(after, expected);
        EXPECT_EQ(snapshot(legacy.path()), legacyBefore);
        openUp({target.path(), legacy.path()});
    }
}

}  // namespace
}  // namespace orbi::test
