// The platform layer on the system it is built for (Linux natively, Windows under Wine): UTF-8 and
// the system's paths (the standard library's char8_t paths as the control), the environment, and
// the file system against real folders. Whole runs of the tool exercise the ordinary paths; these
// pin the edges and the failures, each with the system's text.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "platform/platform.hpp"
#include "support/host.hpp"

namespace orbi {
namespace {
namespace fs = std::filesystem;
namespace pf = platform;
using test::TempFolder;

fs::path u8path(std::string_view utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }
std::string read(const pf::Path& path) {
    std::vector<std::uint8_t> out;
    std::string error;
    EXPECT_TRUE(pf::readWholeFile(path, out, error)) << pf::pathToUtf8(path) << ": " << error;
    return {out.begin(), out.end()};
}
bool write(const pf::Path& path, std::string_view text, std::string& error, bool flush = true) {
    return pf::writeWholeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()), error, flush);
}
bool writeNew(const pf::Path& path, std::string_view text, std::string& error) {
    return pf::writeNewFile(path, std::vector<std::uint8_t>(text.begin(), text.end()), error);
}
std::map<std::string, pf::EntryType> listed(const pf::Path& folder) {
    std::vector<pf::FolderEntry> entries;
    std::string error;
    EXPECT_TRUE(pf::listFolder(folder, entries, error)) << error;
    std::map<std::string, pf::EntryType> out;
    for (const pf::FolderEntry& e : entries) out[pf::pathToUtf8(e.path.lexically_relative(folder))] = e.type;
    EXPECT_EQ(out.size(), entries.size());
    return out;
}

const std::vector<std::string> kNames{"B\xC3\xA4sse.obsz", "\xE6\x97\xA5\xE6\x9C\xAC.obpreset", "pad \xF0\x9F\x8E\xB9.json", "name with  spaces.orbi"};

TEST(Platform, TextEnvironmentAndErrorTexts) {
    const std::string sep(1, static_cast<char>(fs::path::preferred_separator));
    for (const std::string& name : kNames) {
        EXPECT_EQ(pf::pathFromUtf8(name), u8path(name)) << name;
        EXPECT_EQ(pf::pathToUtf8(pf::pathFromUtf8("Presets") / pf::pathFromUtf8(name)), "Presets" + sep + name);
    }
    EXPECT_EQ(pf::pathFromUtf8("\xF0\x9F\x8E\xB9").native().size(), test::runningOnWindows() ? 2u : 4u);
    EXPECT_EQ(pf::pathToUtf8(test::nameWithInvalidUnit("bad", ".obsz")), "bad" + test::invalidUnitAsUtf8() + ".obsz");
    // Bytes that are no UTF-8: Windows holds each bad sequence as U+FFFD, POSIX keeps the bytes.
    EXPECT_EQ(pf::pathToUtf8(pf::pathFromUtf8("x\xC3(\xFF")), test::runningOnWindows() ? "x\xEF\xBF\xBD(\xEF\xBF\xBD" : "x\xC3(\xFF");

    const char* name = "ORBI_PLATFORM_TEST_VARIABLE";
    test::setEnvironment(name, std::nullopt);
    EXPECT_FALSE(pf::environmentNarrow(name) || pf::environmentPath(name));
    test::setEnvironment(name, "");  // set but empty is not unset
    EXPECT_EQ(pf::environmentNarrow(name), std::optional<std::string>(""));
    EXPECT_EQ(pf::environmentPath(name), std::optional<pf::Path>(pf::Path()));
    const std::string wide = "\xC3\x9C" "ber \xCE\xA9 \xE6\x97\xA5" + std::string(3000, 'x');  // past any first guess
    test::setEnvironment(name, wide);
    EXPECT_EQ(pf::environmentPath(name), std::optional<pf::Path>(pf::pathFromUtf8(wide)));
    if (!test::runningOnWindows()) { EXPECT_EQ(pf::environmentNarrow(name), std::optional<std::string>(wide)); }
    test::setEnvironment(name, std::nullopt);

    std::string error;
    const std::optional<pf::Path> temp = pf::temporaryFolder(error);
    EXPECT_TRUE(temp && fs::is_directory(*temp)) << error;
    for (int code : {2, 5, 13, 123}) {
        const std::string text = pf::systemErrorText(code) + "?";  // the system's wording, trimmed
        EXPECT_TRUE(text.size() > 1 && std::string("\n\r ").find(text[text.size() - 2]) == std::string::npos) << code;
    }
    EXPECT_NE(pf::systemErrorText(2), pf::systemErrorText(5));
    // The per-user folder stand-ins and the command line words are covered by the tool runs.
    EXPECT_TRUE(!test::runningOnWindows() || !pf::userDataFallback()) << "APPDATA is the per-user folder on Windows";
}

TEST(Platform, WholeFilesRenamesListingsAndFailures) {
    TempFolder t;
    std::string error, binary;
    for (int i = 0; i < 256; ++i) binary.push_back(static_cast<char>(i));
    std::map<std::string, pf::EntryType> want{{"empty", pf::EntryType::Directory}};
    for (const std::string& name : kNames) {
        const pf::Path path = t.path() / pf::pathFromUtf8(name);
        const std::string content = name + binary + std::string(70000, 'z');  // more than one read chunk
        ASSERT_TRUE(write(path, content, error)) << error;
        EXPECT_EQ(read(path), content);
        EXPECT_EQ(test::readFile(t.path() / u8path(name)), content);
        ASSERT_TRUE(write(path, "short", error));  // writing again truncates
        EXPECT_EQ(read(path), "short");
        want[name] = pf::EntryType::File;
    }
    ASSERT_TRUE(pf::createFolders(t / "empty", error)) << error;
    EXPECT_EQ(listed(t.path()), want);
    EXPECT_TRUE(listed(t / "empty").empty());
    EXPECT_EQ(pf::entryType(t / "nothing"), pf::EntryType::Missing);
    EXPECT_TRUE(pf::isDirectory(t / "empty") && !pf::isDirectory(t.path() / pf::pathFromUtf8(kNames[0])) && !pf::isDirectory(t / "nothing"));

    // Written without flush, the bytes are there; files and folders both sync. Renames replace an
    // existing file, or make a new name.
    const pf::Path later = t / "later.tmp", target = t.path() / pf::pathFromUtf8(kNames[0]);
    ASSERT_TRUE(writeNew(later, "nnnnnnnnnnn", error)) << error;
    EXPECT_EQ(read(later), "nnnnnnnnnnn");
    EXPECT_TRUE(pf::syncToDisk(std::vector<pf::Path>{later, t.path()}, error)) << error;
    ASSERT_TRUE(pf::renameReplace(later, target, error)) << error;
    EXPECT_EQ(read(target), "nnnnnnnnnnn");
    EXPECT_EQ(pf::entryType(later), pf::EntryType::Missing);
    ASSERT_TRUE(pf::renameReplace(target, t / "new.json", error)) << error;
    EXPECT_EQ(read(t / "new.json"), "nnnnnnnnnnn");

    // Each failure gives the system's text and changes nothing.
    std::vector<std::uint8_t> bytes{1};
    std::vector<pf::FolderEntry> entries;
    bool existed = false;
    const std::vector<std::pair<const char*, std::function<bool(std::string&)>>> failures{
        {"read a missing file", [&](std::string& e) { return pf::readWholeFile(t / "gone", bytes, e) || !bytes.empty(); }},
        {"read a folder", [&](std::string& e) { return pf::readWholeFile(t.path(), bytes, e); }},
        {"write into a missing folder", [&](std::string& e) { return write(t / "no-folder/x.json", "x", e); }},
        {"write a new file where a file is", [&](std::string& e) { return writeNew(t / "new.json", "x", e); }},
        {"write a new file where a folder is", [&](std::string& e) { return writeNew(t / "empty", "x", e); }},
        // Opens, then every write fails (no room): the failure ends the write, it is not retried.
        {"write to a full device", [&](std::string& e) { return write(pf::Path("/dev/full"), "x", e); }},
        {"sync a missing file", [&](std::string& e) { return pf::syncToDisk(std::vector<pf::Path>{t / "gone"}, e); }},
        {"rename a missing file", [&](std::string& e) { return pf::renameReplace(t / "gone", t / "new.json", e); }},
        {"rename into a missing folder", [&](std::string& e) { return pf::renameReplace(t / "new.json", t / "no-folder/x", e); }},
        {"list a missing folder", [&](std::string& e) { return pf::listFolder(t / "gone", entries, e); }},
        {"list a file", [&](std::string& e) { return pf::listFolder(t / "new.json", entries, e); }},
        {"make a folder where a file is", [&](std::string& e) { return pf::createFolders(t / "new.json", e); }},
        {"make a folder below a file", [&](std::string& e) { return pf::createFolders(t / "new.json/below", e); }},
        {"delete a folder as a file", [&](std::string& e) { return pf::deleteFile(t / "empty", existed, e); }},
    };
    for (const auto& [what, fails] : failures) {
        std::string e;
        EXPECT_FALSE(fails(e)) << what;
        EXPECT_FALSE(e.empty()) << what;
    }
    EXPECT_EQ(read(t / "new.json"), "nnnnnnnnnnn");
    EXPECT_TRUE(pf::syncToDisk({}, error) && !fs::exists(t / "no-folder") && fs::is_directory(t / "empty"));
}

TEST(Platform, FoldersWithParentsDeletionAndLinks) {
    TempFolder t;
    std::string error;
    const pf::Path deep = t.path() / pf::pathFromUtf8("Orbi/Presets \xCE\xA9/b\xC3\xA4nk");
    ASSERT_TRUE(pf::createFolders(deep, error) && fs::is_directory(deep)) << error;
    EXPECT_TRUE(pf::createFolders(deep, error) && pf::createFolders(deep / "", error)) << "an existing folder is success";
    ASSERT_TRUE(pf::createFolders(t / "a/b/../c", error) && fs::is_directory(t / "a/c")) << error;
    const pf::Path victim = deep / pf::pathFromUtf8("s\xC3\xBC\xC3\x9F.json");
    ASSERT_TRUE(write(victim, "x", error));
    bool existed = false;
    ASSERT_TRUE(pf::deleteFile(victim, existed, error)) << error;
    EXPECT_TRUE(existed && !fs::exists(victim));
    for (const pf::Path& missing : {victim, t / "no-folder/x.json"}) {
        existed = true;
        EXPECT_TRUE(pf::deleteFile(missing, existed, error) && !existed) << "a missing file is no error";
    }

    // Links are listed as links, followed only at the start of a walk, and never written through.
    ASSERT_TRUE(write(t / "mine.obpreset", "the user's own", error));
    std::error_code ec;
    fs::create_directory_symlink(t / "a", t / "folder-link", ec);
    if (!ec) fs::create_symlink(t / "mine.obpreset", t / "to-file.tmp", ec);
    if (!ec) fs::create_symlink(t / "not-yet.obpreset", t / "dangling.tmp", ec);
    if (ec && test::runningOnWindows()) GTEST_SKIP() << test::kNeedsSymlinks;
    ASSERT_FALSE(ec) << ec.message();
    for (const char* link : {"folder-link", "to-file.tmp", "dangling.tmp"}) EXPECT_EQ(listed(t.path()).at(link), pf::EntryType::Symlink);
    EXPECT_EQ(pf::entryType(t / "folder-link"), pf::EntryType::Symlink);
    EXPECT_TRUE(pf::isDirectory(t / "folder-link"));
    for (const char* link : {"to-file.tmp", "dangling.tmp"}) {
        error.clear();
        EXPECT_FALSE(write(t / link, "written through", error)) << link;
        EXPECT_EQ(error, test::runningOnWindows() && !error.empty() ? error : std::string(std::strerror(ELOOP))) << link;
        EXPECT_FALSE(writeNew(t / link, "written through", error)) << link;
        EXPECT_EQ(pf::entryType(t / link), pf::EntryType::Symlink) << link;
    }
    EXPECT_EQ(test::readFile(t / "mine.obpreset"), "the user's own");
    EXPECT_FALSE(fs::exists(fs::symlink_status(t / "not-yet.obpreset"))) << "a dangling link makes no file";
}

}  // namespace
}  // namespace orbi
