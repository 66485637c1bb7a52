// The built tool run on the system it was built for, as its users run it: folders from APPDATA,
// names outside ASCII on the command line and on disk, a preset written over an existing file,
// and names Windows would reinterpret, each ending as a report line. Under Wine the folders are
// those of the Wine prefix and APPDATA is handed over the way Windows hands it over.
#include <gtest/gtest.h>

#include "app/report.hpp"
#include "platform/platform.hpp"
#include "support/host.hpp"
#include "support/run_tool.hpp"

namespace orbi {
namespace {

namespace fs = std::filesystem;
namespace pf = platform;
using test::runToolBinary;
using test::TempFolder;
using test::ToolResult;

constexpr int kWindowsInvalidName = 123;  // ERROR_INVALID_NAME

fs::path u8(std::string_view utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }
std::string text(const fs::path& p) { return pf::pathToUtf8(p); }

void put(const fs::path& file, std::string_view bytes) {
    std::string error;
    ASSERT_TRUE(pf::createFolders(file.parent_path(), error)) << error;
    ASSERT_TRUE(pf::writeWholeFile(file, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), error)) << error;
}

std::string get(const fs::path& file) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!pf::readWholeFile(file, bytes, error)) return "<" + error + ">";
    return std::string(bytes.begin(), bytes.end());
}

// Every file below a folder with its bytes, keyed by the UTF-8 relative path with '/'.
std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> out;
    if (!fs::exists(root)) return out;
    for (auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        const std::u8string rel = fs::relative(e.path(), root).generic_u8string();
        out[std::string(rel.begin(), rel.end())] = get(e.path());
    }
    return out;
}

std::vector<std::string> keys(const std::map<std::string, std::string>& files) {
    std::vector<std::string> out;
    for (const auto& [k, v] : files) out.push_back(k);
    return out;
}

std::string preset(std::string_view name, std::string_view category) {
    return R"({"name":")" + std::string(name) + R"(","version":6,"tags":{"category":")" + std::string(category) + R"("}})";
}

TEST(ToolOnThisSystem, NoArgumentsMigratesFromAndToAppData) {
    TempFolder t;
    const fs::path appData = t / "App Data";
    const fs::path legacy = appData / "Quillmark" / "Orbitrone" / "Presets";
    const fs::path target = appData / "Orbi" / "Presets" / "orbitrone";
    put(legacy / u8("B\xC3\xA4sse") / u8("W\xC3\xB6" "bble \xCE\xA9.obpreset"), preset("W\xC3\xB6" "bble \xCE\xA9", "B\xC3\xA4sse"));
    put(legacy / "Keys" / u8("\xC3\x9Cn\xC3\xAF.obpreset"), preset("\xC3\x9Cn\xC3\xAF Keys", "Keys"));
    put(legacy / "Misc" / u8("Kaputt \xC3\xBC.obpreset"), "not json");
    // Unreadable files already hold the id the second preset would be saved under: they stay as
    // they are, and the preset takes the next free id.
    put(target / "keys" / u8("\xC3\x9Cn\xC3\xAF-keys.json"), "not a preset");
    put(target / "keys" / u8("\xC3\x9Cn\xC3\xAF-keys.orbi"), "not a package");

    const std::map<std::string, std::optional<std::string>> env{{"APPDATA", text(appData)}};
    ToolResult first = runToolBinary({}, env);
    EXPECT_EQ(first.status, 1) << first.err;
    EXPECT_EQ(first.out, "From " + text(legacy) + "\nTo   " + text(target) + "\n\n"
                         "  migrated  W\xC3\xB6" "bble \xCE\xA9  (user:b\xC3\xA4sse/w\xC3\xB6" "bble-\xCE\xA9)\n"
                         "  migrated  \xC3\x9Cn\xC3\xAF Keys  (user:keys/\xC3\x9Cn\xC3\xAF-keys-2)\n"
                         "  failed    Kaputt \xC3\xBC.obpreset  (Kaputt \xC3\xBC.obpreset is not a Orbitrone preset)\n"
                         "\n2 migrated, 1 failed, 0 kept.\n");

    const std::map<std::string, std::string> saved = snapshot(target);
    EXPECT_EQ(keys(saved), (std::vector<std::string>{"b\xC3\xA4sse/w\xC3\xB6" "bble-\xCE\xA9.json",
                                                     "keys/\xC3\x9Cn\xC3\xAF-keys-2.json",
                                                     "keys/\xC3\x9Cn\xC3\xAF-keys.json",
                                                     "keys/\xC3\x9Cn\xC3\xAF-keys.orbi"}));
    EXPECT_EQ(saved.at("keys/\xC3\x9Cn\xC3\xAF-keys.json"), "not a preset");
    EXPECT_EQ(saved.at("keys/\xC3\x9Cn\xC3\xAF-keys.orbi"), "not a package");
    for (const char* file : {"b\xC3\xA4sse/w\xC3\xB6" "bble-\xCE\xA9.json", "keys/\xC3\x9Cn\xC3\xAF-keys-2.json"}) {
        EXPECT_NE(saved.at(file).find("\"kind\": \"instance\""), std::string::npos) << file;
    }

    // The second run finds both presets by name and changes no byte.
    ToolResult second = runToolBinary({}, env);
    EXPECT_EQ(second.status, 1) << second.err;
    EXPECT_EQ(second.out, "From " + text(legacy) + "\nTo   " + text(target) + "\n\n"
                          "  kept      W\xC3\xB6" "bble \xCE\xA9  (a preset of that name is already there)\n"
                          "  kept      \xC3\x9Cn\xC3\xAF Keys  (a preset of that name is already there)\n"
                          "  failed    Kaputt \xC3\xBC.obpreset  (Kaputt \xC3\xBC.obpreset is not a Orbitrone preset)\n"
                          "\n0 migrated, 1 failed, 2 kept.\n");
    const std::string scanLine = "orbitrone: user presets: " + text(target / "keys" / u8("\xC3\x9Cn\xC3\xAF-keys"));
    EXPECT_EQ(second.err, scanLine + ".json Neither a JSON document nor a zip archive\n" + scanLine +
                              ".orbi Neither a JSON document nor a zip archive\n");
    EXPECT_EQ(snapshot(target), saved);
}

TEST(ToolOnThisSystem, WordsOutsideAsciiNameTheFolders) {
    TempFolder t;
    const fs::path from = t.path() / u8("\xC3\x84ltere Presets \xE2\x9C\x93");
    const fs::path root = t.path() / u8("Z\xC3\xAF" "el \xCE\xA9");
    put(from / "Pad.obpreset", preset("Pad", ""));
    ToolResult r = runToolBinary({"--from", text(from), "--to", text(root)}, {{"APPDATA", std::nullopt}});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "From " + text(from) + "\nTo   " + text(root / "orbitrone") + "\n\n"
                     "  migrated  Pad  (user:uncategorized/pad)\n\n1 migrated, 0 failed, 0 kept.\n");
    EXPECT_EQ(keys(snapshot(root)), std::vector<std::string>{"orbitrone/uncategorized/pad.json"});
}

TEST(ToolOnThisSystem, NamesWindowsWouldReinterpretEndAsReportLines) {
    TempFolder t;
    const fs::path legacy = t / "old";
    const fs::path root = t / "root";
    put(legacy / "a-con.obpreset", preset("CON", "Pads"));
    put(legacy / "b-aux.obpreset", preset("Lead", "Aux"));
    put(legacy / "c-dot.obpreset", preset("Keys Dot", "Keys."));
    put(legacy / "d-fine.obpreset", preset("Pad.", "Pads"));
    ToolResult r = runToolBinary({"--from", text(legacy), "--to", text(root)});
    const fs::path plugin = root / "orbitrone";
    if (!test::runningOnWindows()) {
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(keys(snapshot(root)), (std::vector<std::string>{"orbitrone/aux/lead.json", "orbitrone/keys./keys-dot.json",
                                                                  "orbitrone/pads/con.json", "orbitrone/pads/pad..json"}));
        return;
    }
    const std::string invalid = pf::systemErrorText(kWindowsInvalidName);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "From " + text(legacy) + "\nTo   " + text(plugin) + "\n\n"
                     "  failed    a-con.obpreset  (" + text(plugin / "pads" / "con.json") + ": " + invalid + ")\n"
                     "  failed    b-aux.obpreset  (" + text(plugin / "aux") + ": " + invalid + ")\n"
                     "  failed    c-dot.obpreset  (" + text(plugin / "keys.") + ": " + invalid + ")\n"
                     "  migrated  Pad.  (user:pads/pad.)\n"
                     "\n1 migrated, 3 failed, 0 kept.\n");
    EXPECT_EQ(keys(snapshot(root)), std::vector<std::string>{"orbitrone/pads/pad..json"}) << "no temporary file stays";
}

TEST(ToolOnThisSystem, ReportFileNamesOfTheSystemsPaths) {
    // The failed line's file name, for paths as the system gives them, converted to UTF-8.
    EXPECT_EQ(reportFileName(text(pf::pathFromUtf8("C:\\Users\\\xC3\x9C\\Presets\\B\xC3\xA4sse.obsz"))), "B\xC3\xA4sse.obsz");
    EXPECT_EQ(reportFileName(text(pf::pathFromUtf8("C:\xCE\xA9.obsz"))), "\xCE\xA9.obsz");
    EXPECT_EQ(reportFileName(text(pf::pathFromUtf8("D:"))), "");
    EXPECT_EQ(reportFileName(text(pf::pathFromUtf8("\\\\s\xC3\xA9rver\\share\\x.obsz"))), "x.obsz");
    EXPECT_EQ(reportFileName(text(pf::pathFromUtf8("\\\\s\xC3\xA9rver"))), "");
    EXPECT_EQ(reportFileName(text(pf::pathFromUtf8("\\\\?\\C:\\P\\y.obpreset"))), "y.obpreset");
    EXPECT_EQ(reportFileName(text(test::nameWithInvalidUnit("C:\\P\\bad", ".obsz"))), "bad" + test::invalidUnitAsUtf8() + ".obsz");
    EXPECT_EQ(reportFileName(text(pf::pathFromUtf8("/home/u/Presets/pad.obsz"))), "pad.obsz");
}

}  // namespace
}  // namespace orbi
