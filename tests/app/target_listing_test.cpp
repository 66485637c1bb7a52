// Listing the presets already in the target over a real preset folder: what is listed, what is
// left out with its exact line on standard error, the scan's own findings after them, and that
// nothing left out counts as taken when the tool migrates.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <sstream>

#include "app/target_listing.hpp"
#include "library/library_scan.hpp"
#include "support/run_tool.hpp"
#include "support/temp_folder.hpp"
#include "support/host.hpp"

namespace orbi::test {
namespace {

namespace fs = std::filesystem;

// Swaps std::cerr's buffer for the lifetime of the capture.
class CaptureStderr {
public:
    CaptureStderr() : old_(std::cerr.rdbuf(text_.rdbuf())) {}
    ~CaptureStderr() { std::cerr.rdbuf(old_); }
    std::string text() const { return text_.str(); }

private:
    std::ostringstream text_;
    std::streambuf* old_;
};

std::string instance(std::string_view members) {
    return std::string(R"({"kind":"instance","spec":"1.0")") + std::string(members) + "}\n";
}

// A zip package made by Python's zipfile, the asset named by hashlib's SHA-256: an oracle
// independent of the program's own archive and digest code.
void writeZipPackage(const fs::path& file, const std::string& documentText, const std::string& assetHex) {
    TempFolder scratch;
    writeFile(scratch / "instance.json", documentText);
    writeFile(scratch / "make.py",
              "import hashlib, sys, zipfile\n"
              "doc = open(sys.argv[2], 'rb').read().replace(b'@ASSET@', b'asset:' + hashlib.sha256(bytes.fromhex(sys.argv[3])).hexdigest().encode())\n"
              "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
              "    z.writestr('instance.json', doc)\n"
              "    data = bytes.fromhex(sys.argv[3])\n"
              "    z.writestr(zipfile.ZipInfo('assets/' + hashlib.sha256(data).hexdigest()), data)\n");
    fs::create_directories(file.parent_path());
    const std::string command = "python3 '" + (scratch / "make.py").string() + "' '" + file.string() + "' '" +
                                (scratch / "instance.json").string() + "' " + assetHex;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

struct Target {
    TempFolder root;
    fs::path pads = root / "orbitrone/pads";
    fs::path leads = root / "orbitrone/leads";

    Target() {
        writeFile(pads / "broken.orbi", std::string("PK\x03\x04", 4) + "not really an archive");
        writeFile(pads / "glass.json", instance(R"(,"id":"glass","plugin":"orbitrone",
            "meta":{"name":"Glass Pad","category":"Pads"},"params":{"nope":1},"assets":{"osc1.table":"asset:)" +
                                                  std::string(64, 'a') + R"("})"));
        writeFile(pads / "noid.json", instance(R"(,"plugin":"orbitrone","meta":{"name":"No Id"})"));
        writeFile(pads / "other.json", instance(R"(,"id":"other","plugin":"vexa.synth","meta":{"name":"Other Synth"})"));
        writeFile(pads / "section.json", instance(R"(,"id":"sect","plugin":"orbitrone","scope":"filter","meta":{"name":"Section"})"));
        writeFile(pads / "unnamed.json", instance(R"(,"id":"unnamed","plugin":"orbitrone")"));
        writeFile(pads / "z-dup.json", instance(R"(,"id":"glass","plugin":"orbitrone","meta":{"name":"Glass Copy"})"));
        writeFile(pads / "notes.txt", "not a preset");
        writeZipPackage(leads / "wide.orbi",
                        instance(R"(,"id":"wide","plugin":"orbitrone","meta":{"name":"Wide Lead","category":"Leads"},
                            "assets":{"osc2.table":"@ASSET@"})"),
                        std::string(8192 * 2, '0'));  // one wavetable frame of zeros, as hex
    }

    std::string path(const fs::path& p) const { return p.string(); }

    // Exactly what the listing must write, in order.
    std::string expectedStderr() const {
        DiagnosticList d;
        std::string brokenReason;
        EXPECT_FALSE(readLibraryFile(pads / "broken.orbi", brokenReason, d));
        return "orbitrone: user preset " + path(pads / "other.json") + " left out: An instance of vexa.synth, not Orbitrone\n" +
               "orbitrone: user preset " + path(pads / "section.json") +
               " left out: Only a whole instrument loads here, not filter\n" +
               "orbitrone: user presets: " + path(pads / "broken.orbi") + " " + brokenReason + "\n" +
               "orbitrone: user presets: " + path(pads / "noid.json") + " has no id\n" +
               "orbitrone: user presets: " + path(pads / "z-dup.json") +
               " repeats preset pads/glass; the first file in name order is the preset\n";
    }
};

TEST(UserPresetListing, ListsWhatAppliesAndReportsTheRest) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    Target target;
    const TargetListing listing = listUserPresets(target.root.path(), {3, 2});
    const std::vector<UserPresetEntry>& entries = listing.presets;
    std::string err;
    for (const std::string& line : listing.notes) err += line;
    EXPECT_EQ(err, target.expectedStderr());
    for (const fs::path& empty : {fs::path(), target.root / "does-not-exist", target.pads}) {
        EXPECT_TRUE(listUserPresets(empty).presets.empty() && listUserPresets(empty).notes.empty()) << empty;
    }

    // Bank order (leads before pads), then file order; the missing name reads as Init.
    std::vector<std::string> listed;
    for (const UserPresetEntry& e : entries) listed.push_back(e.name + "|" + e.category + "|" + e.bank + "|" + e.id);
    EXPECT_EQ(listed, (std::vector<std::string>{"Wide Lead|Leads|leads|wide", "Glass Pad|Pads|pads|glass",
                                                "Init||pads|unnamed"}));

    // One file at a time: the first error is the reason, a section is refused here as well.
    const std::pair<const char*, const char*> files[] = {
        {"glass.json", ""},
        {"other.json", "An instance of vexa.synth, not Orbitrone"},
        {"notes.txt", "Neither a JSON document nor a zip archive"},
        {"section.json", "Only a whole instrument loads here, not filter"},
    };
    for (const auto& [file, reason] : files) {
        DiagnosticList d;
        EXPECT_EQ(readPresetPackageFile(target.pads / file, d).has_value(), *reason == '\0') << file;
        EXPECT_EQ(firstError(d).value_or(""), reason) << file;
    }
    DiagnosticList missing;
    EXPECT_FALSE(readPresetPackageFile(target.pads / "gone.json", missing));
    EXPECT_TRUE(firstError(missing).has_value());
}

// Through the tool: the same lines reach the real standard error, listed names are kept, and
// the names of files left out stay free.
TEST(UserPresetListing, LeftOutPresetsAreNotTaken) {
    if (toolPath().empty()) GTEST_SKIP() << "ORBI_TOOL not set";
    Target target;
    TempFolder legacy;
    writeFile(legacy / "a.obpreset", R"({"name":"Glass Pad","version":6})");
    writeFile(legacy / "b.obpreset", R"({"name":"Other Synth","version":6,"tags":{"category":"Keys"}})");
    writeFile(legacy / "c.obpreset", R"({"name":"Section","version":6,"tags":{"category":"Keys"}})");
    ToolResult r = runToolBinary({"--from", legacy.path().string(), "--to", target.root.path().string()});
    EXPECT_EQ(r.err, target.expectedStderr());
    EXPECT_NE(r.out.find("  kept      Glass Pad  (a preset of that name is already there)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  migrated  Other Synth  (user:keys/other-synth)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  migrated  Section  (user:keys/section)\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.status, 0);
}

}  // namespace
}  // namespace orbi::test
