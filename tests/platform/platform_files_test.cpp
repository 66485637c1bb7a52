// The file-system half of the platform layer against real folders: whole files under names
// outside ASCII, renames over existing files, listings with their types, links left unfollowed
// (also by writing), folders made with their parents, and deletion. The standard library's own
// view of the same folders serves as the control.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/platform.hpp"
#include "support/host.hpp"
#include "support/temp_folder.hpp"

namespace orbi {
namespace {

namespace fs = std::filesystem;
namespace pf = platform;
using test::TempFolder;

std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> readBytes(const pf::Path& path) {
    std::vector<std::uint8_t> out;
    std::string error;
    EXPECT_TRUE(pf::readWholeFile(path, out, error)) << pf::pathToUtf8(path) << ": " << error;
    return out;
}

void writeBytes(const pf::Path& path, std::string_view text) {
    std::string error;
    ASSERT_TRUE(pf::writeWholeFile(path, bytesOf(text), error)) << pf::pathToUtf8(path) << ": " << error;
}

// Makes each (target, link) pair a symbolic link, to a folder where the target is one: empty
// when all are in place, else why not. Windows without the right to make links says so, and the
// caller skips there.
std::string makeLinks(std::initializer_list<std::pair<fs::path, fs::path>> links) {
    for (const auto& [target, link] : links) {
        std::error_code ec;
        if (fs::is_directory(target)) {
            fs::create_directory_symlink(target, link, ec);
        } else {
            fs::create_symlink(target, link, ec);
        }
        if (ec) return ec.message();
        if (!fs::is_symlink(fs::symlink_status(link))) return link.string() + " is no link";
    }
    return {};
}

// name (UTF-8) -> type, from a listing.
std::map<std::string, pf::EntryType> listed(const pf::Path& folder) {
    std::vector<pf::FolderEntry> entries;
    std::string error;
    EXPECT_TRUE(pf::listFolder(folder, entries, error)) << error;
    std::map<std::string, pf::EntryType> out;
    for (const pf::FolderEntry& e : entries) {
        EXPECT_EQ(e.path.parent_path(), folder);
        out[pf::pathToUtf8(e.path.filename())] = e.type;
    }
    EXPECT_EQ(out.size(), entries.size());
    return out;
}

const std::vector<std::string> kNames{"plain.bin", "B\xC3\xA4sse.obsz", "\xE6\x97\xA5\xE6\x9C\xAC.obpreset",
                                      "pad \xF0\x9F\x8E\xB9.json", "name with  spaces.orbi"};

TEST(PlatformFiles, WholeFilesUnderNamesOutsideAscii) {
    TempFolder t;
    std::string binary;
    for (int i = 0; i < 256; ++i) binary.push_back(static_cast<char>(i));
    for (const std::string& name : kNames) {
        const pf::Path path = t.path() / pf::pathFromUtf8(name);
        const std::string content = name + binary + std::string(70000, 'z');  // more than one read chunk
        writeBytes(path, content);
        EXPECT_EQ(readBytes(path), bytesOf(content)) << name;
        EXPECT_EQ(test::readFile(t.path() / fs::path(std::u8string(name.begin(), name.end()))), content);
        // Writing again truncates.
        writeBytes(path, "short");
        EXPECT_EQ(readBytes(path), bytesOf("short"));
    }
    writeBytes(t / "empty", "");
    EXPECT_TRUE(readBytes(t / "empty").empty());

    // Failures give the system's text and leave nothing behind.
    std::vector<std::uint8_t> out{1, 2, 3};
    std::string error;
    EXPECT_FALSE(pf::readWholeFile(t / "missing.obpreset", out, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(out.empty());
    error.clear();
    EXPECT_FALSE(pf::readWholeFile(t.path(), out, error)) << "a folder is no file";
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(pf::writeWholeFile(t / "no-such-folder" / "x.json", bytesOf("x"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(t / "no-such-folder"));
}

// Durability itself cannot be observed without cutting the power; what can be is that a file
// written without flush holds its bytes, that files and folders both sync, and that a path
// that is gone is an error with the system's text rather than a silent success.
TEST(PlatformFiles, UnflushedWritesSyncLater) {
    TempFolder t;
    const pf::Path file = t.path() / pf::pathFromUtf8("later.orbi.tmp");
    std::string error;
    ASSERT_TRUE(pf::writeWholeFile(file, bytesOf("not flushed yet"), error, false)) << error;
    EXPECT_EQ(readBytes(file), bytesOf("not flushed yet"));
    const std::vector<pf::Path> both{file, t.path()};
    EXPECT_TRUE(pf::syncToDisk(both, error)) << error;
    EXPECT_TRUE(pf::syncToDisk({}, error)) << error;
    const std::vector<pf::Path> gone{t.path() / pf::pathFromUtf8("gone.tmp")};
    error.clear();
    EXPECT_FALSE(pf::syncToDisk(gone, error));
    EXPECT_FALSE(error.empty());
}

TEST(PlatformFiles, RenameReplacesAnExistingFile) {
    TempFolder t;
    const pf::Path target = t.path() / pf::pathFromUtf8("W\xC3\xB6" "bble.orbi");
    const pf::Path temp = t.path() / pf::pathFromUtf8("W\xC3\xB6" "bble.orbi.tmp");
    writeBytes(target, "the old, longer content");
    writeBytes(temp, "new");
    std::string error;
    ASSERT_TRUE(pf::renameReplace(temp, target, error)) << error;
    EXPECT_EQ(readBytes(target), bytesOf("new"));
    EXPECT_EQ(pf::entryType(temp), pf::EntryType::Missing);
    EXPECT_EQ(listed(t.path()).size(), 1u);

    // Onto a name that does not exist yet.
    writeBytes(temp, "second");
    const pf::Path other = t.path() / pf::pathFromUtf8("other.json");
    ASSERT_TRUE(pf::renameReplace(temp, other, error)) << error;
    EXPECT_EQ(readBytes(other), bytesOf("second"));

    // A missing source or a missing folder fails with the system's text; nothing moves.
    EXPECT_FALSE(pf::renameReplace(t / "gone.tmp", target, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readBytes(target), bytesOf("new"));
    error.clear();
    EXPECT_FALSE(pf::renameReplace(other, t / "no-folder" / "x.json", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readBytes(other), bytesOf("second"));
}

TEST(PlatformFolders, ListingGivesEveryChildWithItsType) {
    TempFolder t;
    for (const std::string& name : kNames) writeBytes(t.path() / pf::pathFromUtf8(name), name);
    std::string error;
    ASSERT_TRUE(pf::createFolders(t.path() / pf::pathFromUtf8("Unterordner \xC3\x9C"), error)) << error;
    ASSERT_TRUE(pf::createFolders(t / "empty", error)) << error;

    std::map<std::string, pf::EntryType> want;
    for (const std::string& name : kNames) want[name] = pf::EntryType::File;
    want["Unterordner \xC3\x9C"] = pf::EntryType::Directory;
    want["empty"] = pf::EntryType::Directory;
    EXPECT_EQ(listed(t.path()), want);
    EXPECT_TRUE(listed(t / "empty").empty());

    EXPECT_EQ(pf::entryType(t.path() / pf::pathFromUtf8(kNames[1])), pf::EntryType::File);
    EXPECT_EQ(pf::entryType(t / "empty"), pf::EntryType::Directory);
    EXPECT_EQ(pf::entryType(t / "nothing"), pf::EntryType::Missing);
    EXPECT_TRUE(pf::isDirectory(t / "empty"));
    EXPECT_FALSE(pf::isDirectory(t.path() / pf::pathFromUtf8(kNames[0])));
    EXPECT_FALSE(pf::isDirectory(t / "nothing"));

    // A folder that is missing, or is a file, cannot be listed.
    for (const pf::Path& bad : {t / "nothing", t.path() / pf::pathFromUtf8(kNames[0])}) {
        std::vector<pf::FolderEntry> entries;
        error.clear();
        EXPECT_FALSE(pf::listFolder(bad, entries, error));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(entries.empty());
    }
}

TEST(PlatformFolders, LinksAreListedAsLinksAndNotFollowed) {
    TempFolder t;
    writeBytes(t / "file.obpreset", "x");
    std::string error;
    ASSERT_TRUE(pf::createFolders(t / "folder", error));
    const std::string notMade =
        makeLinks({{t / "folder", t / "folder-link"}, {t / "file.obpreset", t / "file-link.obpreset"}});
    if (!notMade.empty() && test::runningOnWindows()) GTEST_SKIP() << test::kNeedsSymlinks;
    ASSERT_EQ(notMade, "");

    const std::map<std::string, pf::EntryType> want{{"file.obpreset", pf::EntryType::File},
                                                    {"folder", pf::EntryType::Directory},
                                                    {"folder-link", pf::EntryType::Symlink},
                                                    {"file-link.obpreset", pf::EntryType::Symlink}};
    EXPECT_EQ(listed(t.path()), want);
    EXPECT_EQ(pf::entryType(t / "folder-link"), pf::EntryType::Symlink);
    EXPECT_EQ(pf::entryType(t / "file-link.obpreset"), pf::EntryType::Symlink);
    EXPECT_TRUE(pf::isDirectory(t / "folder-link")) << "the start of a walk follows a link";
}

TEST(PlatformFiles, WritingRefusesALinkAndLeavesWhatItPointsAt) {
    TempFolder t;
    writeBytes(t / "mine.obpreset", "the user's own");
    const std::string notMade =
        makeLinks({{t / "mine.obpreset", t / "to-file.tmp"}, {t / "not-yet.obpreset", t / "dangling.tmp"}});
    if (!notMade.empty() && test::runningOnWindows()) GTEST_SKIP() << test::kNeedsSymlinks;
    ASSERT_EQ(notMade, "");

    for (const char* link : {"to-file.tmp", "dangling.tmp"}) {
        SCOPED_TRACE(link);
        std::string error;
        EXPECT_FALSE(pf::writeWholeFile(t / link, bytesOf("written through"), error));
        if (test::runningOnWindows()) {
            EXPECT_FALSE(error.empty());
        } else {
            EXPECT_EQ(error, std::strerror(ELOOP));
        }
        EXPECT_EQ(pf::entryType(t / link), pf::EntryType::Symlink) << "the link itself stays as it was";
    }
    EXPECT_EQ(test::readFile(t / "mine.obpreset"), "the user's own");
    EXPECT_FALSE(fs::exists(fs::symlink_status(t / "not-yet.obpreset"))) << "a dangling link makes no file";
    EXPECT_EQ(listed(t.path()).size(), 3u);
}

TEST(PlatformFolders, FoldersWithTheirParentsAndDeletion) {
    TempFolder t;
    const pf::Path deep = t.path() / pf::pathFromUtf8("Orbi") / pf::pathFromUtf8("Presets \xCE\xA9") / pf::pathFromUtf8("b\xC3\xA4nk");
    std::string error;
    ASSERT_TRUE(pf::createFolders(deep, error)) << error;
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_TRUE(pf::createFolders(deep, error)) << "an existing folder is success";
    EXPECT_TRUE(pf::createFolders(deep / "", error)) << "a trailing separator names the same folder";
    ASSERT_TRUE(pf::createFolders(t / "a/b/../c", error)) << error;
    EXPECT_TRUE(fs::is_directory(t / "a/c"));

    // A file stands in the way: the folder cannot be made.
    writeBytes(t / "file", "x");
    error.clear();
    EXPECT_FALSE(pf::createFolders(t / "file", error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(pf::createFolders(t / "file" / "below", error));
    EXPECT_FALSE(error.empty());

    const pf::Path victim = deep / pf::pathFromUtf8("s\xC3\xBC\xC3\x9F.json");
    writeBytes(victim, "x");
    bool existed = false;
    ASSERT_TRUE(pf::deleteFile(victim, existed, error)) << error;
    EXPECT_TRUE(existed);
    EXPECT_FALSE(fs::exists(victim));
    existed = true;
    EXPECT_TRUE(pf::deleteFile(victim, existed, error)) << "a missing file is no error";
    EXPECT_FALSE(existed);
    existed = true;
    EXPECT_TRUE(pf::deleteFile(t / "no-folder" / "x.json", existed, error));
    EXPECT_FALSE(existed);

    // A folder is not deleted as a file.
    error.clear();
    EXPECT_FALSE(pf::deleteFile(deep, existed, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(deep));
}

}  // namespace
}  // namespace orbi
