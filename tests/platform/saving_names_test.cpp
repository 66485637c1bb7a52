// Saving presets under names that pass the saving rules but that Windows would reinterpret (a
// device name such as CON, a trailing dot or space) or that are no valid text in the system's
// paths. Windows refuses them with its own text, as an unwritable preset; POSIX takes them as
// they are. Either way nothing is half-written, no temporary file stays and nothing reaches a
// device.
#include <gtest/gtest.h>

#include "library/preset_saving.hpp"
#include "platform/platform.hpp"
#include "support/host.hpp"
#include "support/temp_folder.hpp"

namespace orbi {
namespace {

namespace fs = std::filesystem;
namespace pf = platform;
using test::TempFolder;

// ERROR_INVALID_NAME, the code Windows gives for such a name.
constexpr int kWindowsInvalidName = 123;

Package packageFor(const std::string& id) {
    Package p;
    setMember(p.document, "kind", JsonValue::makeString("instance"));
    setMember(p.document, "id", JsonValue::makeString(id));
    setMember(p.document, "plugin", JsonValue::makeString("orbitrone"));
    return p;
}

// Every file below a folder, as UTF-8 relative paths with '/'.
std::vector<std::string> filesUnder(const fs::path& root) {
    std::vector<std::string> out;
    for (auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        const std::u8string rel = fs::relative(e.path(), root).generic_u8string();
        out.emplace_back(rel.begin(), rel.end());
    }
    std::sort(out.begin(), out.end());
    return out;
}

struct NameCase {
    std::string bank;
    std::string id;
    bool folderRefused;  // on Windows: the bank folder is refused, else the final file name
};

TEST(SavingNames, NamesWindowsWouldReinterpretAreUnwritableThere) {
    const std::vector<NameCase> cases{
        {"pads", "CON", false},          {"pads", "nul", false},     {"pads", "com1", false},
        {"pads", "lpt\xC2\xB9", false},  {"pads", "AUX.old", false}, {"pads", "conin$", false},
        {"aux", "lead", true},           {"keys.", "lead", true},    {"keys ", "lead", true},
    };
    for (const NameCase& c : cases) {
        TempFolder t;
        DiagnosticList d;
        const std::optional<std::string> saved = savePreset(t.path(), c.bank, packageFor(c.id), d);
        const pf::Path folder = t.path() / "orbitrone" / pf::pathFromUtf8(c.bank);
        const pf::Path finalPath = folder / pf::pathFromUtf8(c.id + ".json");
        if (!test::runningOnWindows()) {
            EXPECT_EQ(saved, "user:" + c.bank + "/" + c.id);
            EXPECT_EQ(filesUnder(t.path()), std::vector<std::string>{"orbitrone/" + c.bank + "/" + c.id + ".json"});
            continue;
        }
        EXPECT_FALSE(saved) << c.bank << "/" << c.id;
        ASSERT_EQ(d.size(), 1u) << c.bank << "/" << c.id;
        EXPECT_EQ(d[0].severity, Severity::Error);
        EXPECT_EQ(d[0].code, "preset-unwritable");
        EXPECT_EQ(d[0].path, "");
        const std::string text = pf::systemErrorText(kWindowsInvalidName);
        EXPECT_EQ(d[0].message, pf::pathToUtf8(c.folderRefused ? folder : finalPath) + ": " + text);
        EXPECT_TRUE(filesUnder(t.path()).empty()) << "no temporary file stays: " << c.bank << "/" << c.id;
        if (c.folderRefused) {
            EXPECT_FALSE(fs::exists(t.path() / "orbitrone" / pf::pathFromUtf8(c.bank)));
        }
    }
}

TEST(SavingNames, NamesWindowsKeepAsTheyAre) {
    // A trailing dot of the id is followed by the extension; a device name that is only part of a
    // name is none.
    TempFolder t;
    DiagnosticList d;
    std::vector<std::string> want;
    for (std::string id : {"pad.", "CONSOLE", "con-2", "x.con", "nul lead", "com10", "\xC3\x9C" "ber CON"}) {
        EXPECT_EQ(savePreset(t.path(), "pads", packageFor(id), d), "user:pads/" + id);
        want.push_back("orbitrone/pads/" + id + ".json");
    }
    std::sort(want.begin(), want.end());
    EXPECT_EQ(filesUnder(t.path()), want);
    EXPECT_TRUE(d.empty());
}

TEST(SavingNames, APresetRootThatIsNoValidText) {
    // Windows itself takes a lone surrogate in a name; Wine cannot store one and refuses the
    // folder. Either outcome is a whole one, and the message shows the unit as U+FFFD.
    TempFolder t;
    const pf::Path root = t.path() / test::nameWithInvalidUnit("root", "");
    DiagnosticList d;
    const std::optional<std::string> saved = savePreset(root, "pads", packageFor("soft"), d);
    if (saved) {
        EXPECT_EQ(*saved, "user:pads/soft");
        EXPECT_EQ(pf::entryType(root / "orbitrone" / "pads" / "soft.json"), pf::EntryType::File);
        EXPECT_TRUE(d.empty());
    } else {
        ASSERT_TRUE(test::runningOnWindows()) << "POSIX names are bytes and take any of them";
        ASSERT_EQ(d.size(), 1u);
        EXPECT_EQ(d[0].code, "preset-unwritable");
        const std::string folder = pf::pathToUtf8(root / "orbitrone" / "pads");
        EXPECT_EQ(d[0].message.substr(0, folder.size() + 2), folder + ": ");
        EXPECT_NE(folder.find("root" + test::invalidUnitAsUtf8()), std::string::npos);
        EXPECT_GT(d[0].message.size(), folder.size() + 2);
    }
    for (auto& e : fs::recursive_directory_iterator(t.path())) {
        EXPECT_NE(e.path().extension(), ".tmp");
    }
}

}  // namespace
}  // namespace orbi
