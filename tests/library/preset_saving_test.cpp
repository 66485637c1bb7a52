// Preset saving against real folders: names, extensions, replacement, sibling removal and the
// failures that must leave nothing behind.
#include <gtest/gtest.h>

#include "archive/sha256.hpp"
#include "library/preset_saving.hpp"
#include "support/temp_folder.hpp"
#include "support/host.hpp"

namespace orbi {
namespace {

using test::TempFolder;
namespace fs = std::filesystem;

Package packageFor(const std::string& id, bool withAsset = false, const std::string& kind = "instance") {
    Package p;
    setMember(p.document, "kind", JsonValue::makeString(kind));
    setMember(p.document, "id", JsonValue::makeString(id));
    setMember(p.document, "plugin", JsonValue::makeString("orbitrone"));
    if (withAsset) {
        std::vector<std::uint8_t> data{1, 2, 3, 4};
        p.assets.push_back(PackageAsset{sha256Hex(data), data});
    }
    return p;
}

std::vector<std::string> filesUnder(const fs::path& root) {
    std::vector<std::string> out;
    for (auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) out.push_back(fs::relative(e.path(), root).generic_string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(PresetSaving, NameRule) {
    for (std::string ok : {"soft pad", "a.b", "\xC3\xA9t\xC3\xA9", "trailing.", "CON"}) EXPECT_TRUE(canNameFile(ok)) << ok;
    for (std::string bad : {"", ".", "..", "a/b", "a\\b", "a:b", "a*", "a?", "a\"", "a<", "a>", "a|", "a\x1f", "a\x7f"})
        EXPECT_FALSE(canNameFile(bad)) << bad;
}

TEST(PresetSaving, ExtensionFollowsContentAndSiblingsGo) {
    TempFolder t;
    DiagnosticList d;
    fs::path folder = t / "orbitrone/pads";
    test::writeFile(folder / "soft-pad.zip", "old zip");

    EXPECT_EQ(savePreset(t.path(), "pads", packageFor("soft-pad"), d), "user:pads/soft-pad");
    EXPECT_EQ(filesUnder(t.path()), std::vector<std::string>{"orbitrone/pads/soft-pad.json"});

    EXPECT_EQ(savePreset(t.path(), "pads", packageFor("soft-pad", true), d), "user:pads/soft-pad");
    EXPECT_EQ(filesUnder(t.path()), std::vector<std::string>{"orbitrone/pads/soft-pad.orbi"});

    // Saving the same again replaces the file in place.
    auto before = test::readFile(folder / "soft-pad.orbi");
    EXPECT_EQ(savePreset(t.path(), "pads", packageFor("soft-pad", true), d), "user:pads/soft-pad");
    EXPECT_EQ(test::readFile(folder / "soft-pad.orbi"), before);
    EXPECT_EQ(filesUnder(t.path()), std::vector<std::string>{"orbitrone/pads/soft-pad.orbi"});
    EXPECT_TRUE(d.empty());
}

TEST(PresetSaving, RefusalsBeforeAnythingIsWritten) {
    TempFolder t;
    struct Case {
        fs::path root;
        std::string bank;
        Package package;
        Diagnostic expected;
    };
    Package noPlugin = packageFor("x");
    removeMember(noPlugin.document, "plugin");
    std::vector<Case> cases{
        {fs::path(), "pads", packageFor("x"),
         {Severity::Error, "user-presets-unavailable", "", "This system names no user preset folder"}},
        {t.path(), "pads", packageFor("x", false, "clip"),
         {Severity::Error, "preset-unsaveable", "/kind", "A preset is an instance document"}},
        {t.path(), "pads", noPlugin,
         {Severity::Error, "preset-unsaveable", "/plugin", "The plugin id \"\" cannot name a file"}},
        {t.path(), "a:b", packageFor("x"), {Severity::Error, "preset-unsaveable", "", "The bank \"a:b\" cannot name a file"}},
        {t.path(), "pads", packageFor(".."),
         {Severity::Error, "preset-unsaveable", "/id", "The preset id \"..\" cannot name a file"}},
        {t.path(), "pads", packageFor(""), {Severity::Error, "preset-unsaveable", "/id", "The preset id \"\" cannot name a file"}},
    };
    for (auto& c : cases) {
        DiagnosticList d;
        EXPECT_FALSE(savePreset(c.root, c.bank, c.package, d));
        ASSERT_EQ(d.size(), 1u);
        EXPECT_EQ(d[0], c.expected);
    }
    EXPECT_TRUE(fs::is_empty(t.path()));
}

TEST(PresetSaving, FileSystemFailuresLeaveNoTemporaryFile) {
    TempFolder t;
    // The bank path is a file: the folder cannot be made.
    test::writeFile(t / "orbitrone/pads", "a file");
    DiagnosticList d;
    EXPECT_FALSE(savePreset(t.path(), "pads", packageFor("x"), d));
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].code, "preset-unwritable");
    EXPECT_EQ(d[0].message.rfind((t / "orbitrone/pads").string() + ": ", 0), 0u) << d[0].message;

    // The temporary path is a folder: it cannot be written.
    fs::create_directories(t / "orbitrone/leads/x.json.tmp");
    d.clear();
    EXPECT_FALSE(savePreset(t.path(), "leads", packageFor("x"), d));
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0], (Diagnostic{Severity::Error, "preset-unwritable", "",
                                "Could not write " + (t / "orbitrone/leads/x.json.tmp").string()}));

    // The final path is a non-empty folder: the rename fails and the temporary file goes.
    fs::create_directories(t / "orbitrone/keys/y.json/inside");
    d.clear();
    EXPECT_FALSE(savePreset(t.path(), "keys", packageFor("y"), d));
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].message.rfind((t / "orbitrone/keys/y.json").string() + ": ", 0), 0u) << d[0].message;
    EXPECT_FALSE(fs::exists(t / "orbitrone/keys/y.json.tmp"));

    // A sibling that cannot be removed: the new file stays, the error names the sibling.
    fs::create_directories(t / "orbitrone/bass/z.orbi/inside");
    d.clear();
    EXPECT_FALSE(savePreset(t.path(), "bass", packageFor("z"), d));
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].message.rfind("Could not remove the replaced " + (t / "orbitrone/bass/z.orbi").string() + ": ", 0), 0u)
        << d[0].message;
    EXPECT_TRUE(fs::is_regular_file(t / "orbitrone/bass/z.json"));
    EXPECT_FALSE(fs::exists(t / "orbitrone/bass/z.json.tmp"));
}

}  // namespace
}  // namespace orbi

namespace orbi {
namespace {

// A stale "x.json.tmp" that was a link to a file of the user's once received the preset's bytes,
// and the renamed link then stood under the final name.
TEST(PresetSaving, ATemporaryPathThatIsALinkIsRemovedNotWrittenThrough) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsSymlinks);
    TempFolder t;
    test::writeFile(t / "elsewhere/mine.txt", "the user's own file");
    fs::create_directories(t / "orbitrone/leads");
    fs::create_symlink(t / "elsewhere/mine.txt", t / "orbitrone/leads/x.json.tmp");
    fs::create_symlink(t / "elsewhere/missing.txt", t / "orbitrone/leads/y.json.tmp");

    for (const char* id : {"x", "y"}) {
        DiagnosticList d;
        EXPECT_FALSE(savePreset(t.path(), "leads", packageFor(id), d));
        const fs::path tmp = t / "orbitrone/leads" / (std::string(id) + ".json.tmp");
        EXPECT_EQ(d, (DiagnosticList{{Severity::Error, "preset-unwritable", "", "Could not write " + tmp.string()}}));
    }
    EXPECT_EQ(test::readFile(t / "elsewhere/mine.txt"), "the user's own file");
    EXPECT_EQ(filesUnder(t.path()), std::vector<std::string>{"elsewhere/mine.txt"});
    EXPECT_TRUE(fs::is_empty(t / "orbitrone/leads")) << "the links are gone";

    // With the links gone, the next save goes through.
    DiagnosticList d;
    EXPECT_EQ(savePreset(t.path(), "leads", packageFor("x"), d), "user:leads/x");
}

}  // namespace
}  // namespace orbi
