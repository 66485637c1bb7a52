// The whole migration run by the built tool over real folders: the report byte for byte, the
// exit status, the files it creates (checked with Python's zipfile and unzip as independent
// readers), and a second run that keeps everything and changes no byte.
#include <gtest/gtest.h>

#include <map>

#include "support/host.hpp"
#include "support/run_tool.hpp"

namespace orbi::test {
namespace {

namespace fs = std::filesystem;

// Zips the files of `entries` (name -> bytes) into `archive` with Info-ZIP's zip.
void makeBundle(const fs::path& archive, const std::map<std::string, std::string>& entries) {
    TempFolder staging;
    for (const auto& [name, data] : entries) writeFile(staging / name, data);
    fs::create_directories(archive.parent_path());
    std::string cmd = "cd '" + staging.path().string() + "' && zip -q -X -r '" + archive.string() + "' .";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
}

std::string wavetableBytes() {
    std::string frame;
    for (int i = 0; i < 2048; ++i) {
        float v = static_cast<float>(i % 64) / 32.0f - 1.0f;
        frame.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
    return frame;
}

class Migration : public ::testing::Test {
protected:
    void SetUp() override {
        ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsZipTools);
        const fs::path old = legacy.path();
        makeBundle(old / "Bass/Wobble.obsz",
                   {{"preset.obpreset",
                     R"({"name":"Wobble","version":6,"tags":{"category":"Bass"},)"
                     R"("wavetable1":"bundled:wavetables/w.f32","wavetable2":"bundled:wavetables/w.f32",)"
                     R"("bundledWavetables":[{"path":"wavetables/w.f32","name":"Wob","sourceFile":"wob.wav"}]})"},
                    {"wavetables/w.f32", wavetableBytes()},
                    {"readme.txt", "ignored"}});
        writeFile(old / "Pads/Pad 1.obpreset", R"({"name":"Pad 1","version":6,"tags":{"category":"Pads"}})");
        writeFile(old / "Pads/pad-slash.obpreset", R"({"name":"pad/1","version":6,"tags":{"category":"Pads"}})");
        writeFile(old / "Pads/x-case.obpreset", R"({"name":"PAD 1","version":6,"tags":{"category":"Pads"}})");
        writeFile(old / "Misc/NoCat.obpreset", R"({"name":"Lonely","version":6})");
        writeFile(old / "Misc/Section.obpreset", R"({"name":"Sweep","version":6,"scope":"filter"})");
        writeFile(old / "Misc/broken.obpreset", "not json");
        writeFile(old / "Misc/empty.obsz", "");
        writeFile(old / "Misc/notes.txt", R"({"name":"Not a preset file"})");
        legacyBefore = filesUnder(old);
    }

    ToolResult run() { return runToolBinary({"--from", legacy.path().string(), "--to", (target / "root").string()}); }

    TempFolder legacy;
    TempFolder target;
    std::map<std::string, std::string> legacyBefore;
};

TEST_F(Migration, FirstRunReportsEveryFileAndWritesPackages) {
    ToolResult r = run();
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "From " + legacy.path().string() + "\nTo   " + (target / "root/orbitrone").string() + "\n\n" +
                         "  migrated  Wobble  (user:bass/wobble)\n"
                         "  migrated  Lonely  (user:uncategorized/lonely)\n"
                         "  kept      Sweep  (section preset, still listed from the old folder)\n"
                         "  failed    broken.obpreset  (broken.obpreset is not a Orbitrone preset)\n"
                         "  failed    empty.obsz  (Too short to be a zip archive)\n"
                         "  migrated  Pad 1  (user:pads/pad-1)\n"
                         "  migrated  pad/1  (user:pads/pad-1-2)\n"
                         "  kept      PAD 1  (a preset of that name is already there)\n"
                         "\n4 migrated, 2 failed, 2 kept.\n");
    EXPECT_EQ(r.status, 1);

    auto files = filesUnder(target / "root");
    std::vector<std::string> names;
    for (auto& [name, data] : files) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"orbitrone/bass/wobble.orbi", "orbitrone/pads/pad-1-2.json",
                                               "orbitrone/pads/pad-1.json", "orbitrone/uncategorized/lonely.json"}));
    EXPECT_EQ(filesUnder(legacy.path()), legacyBefore) << "the old folder must never change";

    // The bare document of a preset without audio.
    const std::string& lonely = files["orbitrone/uncategorized/lonely.json"];
    EXPECT_NE(lonely.find("\"kind\": \"instance\""), std::string::npos) << lonely;
    EXPECT_NE(lonely.find("\"id\": \"lonely\""), std::string::npos) << lonely;
    EXPECT_NE(lonely.find("\"plugin\": \"orbitrone\""), std::string::npos) << lonely;
    EXPECT_EQ(lonely.back(), '\n');

    // The package: both slots share one stored asset named by its SHA-256, and independent
    // readers accept the archive.
    fs::path orbi = target / "root/orbitrone/bass/wobble.orbi";
    EXPECT_EQ(std::system(("unzip -tq '" + orbi.string() + "' >/dev/null").c_str()), 0);
    std::string check =
        "python3 - '" + orbi.string() + "' <<'EOF'\n"
        "import hashlib, json, sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "assert z.testzip() is None\n"
        "names = z.namelist()\n"
        "assert names[0] == 'instance.json', names\n"
        "assert len(names) == 2, names\n"
        "data = z.read(names[1])\n"
        "digest = hashlib.sha256(data).hexdigest()\n"
        "assert names[1] == 'assets/' + digest, names\n"
        "assert z.getinfo(names[1]).compress_type == zipfile.ZIP_STORED\n"
        "assert all(i.date_time == (1980, 1, 1, 0, 0, 0) for i in z.infolist())\n"
        "doc = json.loads(z.read('instance.json'))\n"
        "assert doc['assets']['osc1.table'] == 'asset:' + digest, doc['assets']\n"
        "assert doc['assets']['osc2.table'] == 'asset:' + digest, doc['assets']\n"
        "assert doc['state']['imports']['osc1.table'] == {'name': 'Wob', 'file': 'wob.wav'}, doc['state']\n"
        "assert doc['meta']['name'] == 'Wobble' and doc['meta']['category'] == 'Bass', doc['meta']\n"
        "EOF";
    EXPECT_EQ(std::system(check.c_str()), 0);
}

TEST_F(Migration, SecondRunKeepsEverythingAndChangesNoByte) {
    ASSERT_EQ(run().status, 1);
    auto before = filesUnder(target / "root");

    ToolResult again = run();
    EXPECT_EQ(again.err, "");
    EXPECT_EQ(again.out, "From " + legacy.path().string() + "\nTo   " + (target / "root/orbitrone").string() + "\n\n" +
                             "  kept      Wobble  (a preset of that name is already there)\n"
                             "  kept      Lonely  (a preset of that name is already there)\n"
                             "  kept      Sweep  (section preset, still listed from the old folder)\n"
                             "  failed    broken.obpreset  (broken.obpreset is not a Orbitrone preset)\n"
                             "  failed    empty.obsz  (Too short to be a zip archive)\n"
                             "  kept      Pad 1  (a preset of that name is already there)\n"
                             "  kept      pad/1  (a preset of that name is already there)\n"
                             "  kept      PAD 1  (a preset of that name is already there)\n"
                             "\n0 migrated, 2 failed, 6 kept.\n");
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(filesUnder(target / "root"), before);

    // A package removed by hand comes back the same, carried audio and all, while the presets
    // still there are kept.
    fs::remove(target / "root/orbitrone/bass/wobble.orbi");
    ToolResult third = run();
    EXPECT_NE(third.out.find("  migrated  Wobble  (user:bass/wobble)\n"), std::string::npos) << third.out;
    EXPECT_NE(third.out.find("\n1 migrated, 2 failed, 5 kept.\n"), std::string::npos) << third.out;
    EXPECT_EQ(filesUnder(target / "root"), before);
}

TEST_F(Migration, HandPlacedPresetsTakeNamesAndIds) {
    // A preset by hand in the target takes the name "Lonely" and the id pad-1 in the bank pads.
    writeFile(target / "root/orbitrone/uncategorized/mine.json",
              R"({"kind":"instance","plugin":"orbitrone","id":"mine","meta":{"name":"lonely"}})");
    writeFile(target / "root/orbitrone/pads/pad-1.json",
              R"({"kind":"instance","plugin":"orbitrone","id":"pad-1","meta":{"name":"Something Else"}})");
    auto before = filesUnder(target / "root");
    ToolResult r = run();
    EXPECT_NE(r.out.find("  kept      Lonely  (a preset of that name is already there)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  migrated  Pad 1  (user:pads/pad-1-2)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  migrated  pad/1  (user:pads/pad-1-3)\n"), std::string::npos) << r.out;
    auto after = filesUnder(target / "root");
    EXPECT_EQ(after["orbitrone/uncategorized/mine.json"], before["orbitrone/uncategorized/mine.json"]);
    EXPECT_EQ(after["orbitrone/pads/pad-1.json"], before["orbitrone/pads/pad-1.json"]);
}

TEST_F(Migration, FilesTheListingLeavesOutStillHoldTheirIds) {
    // None of these lists as a preset, yet saving "lonely", "wobble" or "pad-1" over them would
    // replace or remove them: a damaged file, a folder, another plugin's preset, and (for file
    // systems that ignore case) a name differing only in case.
    writeFile(target / "root/orbitrone/uncategorized/lonely.orbi", "damaged");
    writeFile(target / "root/orbitrone/uncategorized/lonely.json/keep.txt", "a folder of that name");
    writeFile(target / "root/orbitrone/bass/wobble.json",
              R"({"kind":"instance","plugin":"other","id":"wobble","meta":{"name":"Theirs"}})");
    writeFile(target / "root/orbitrone/pads/Pad-1.zip", "PK damaged");
    // A bank that is a link to a folder elsewhere: saving goes through it, so it is listed too.
    writeFile(target / "elsewhere/sweep.json", "someone else's");
    fs::create_directory_symlink(target / "elsewhere", target / "root/orbitrone/misc");
    writeFile(legacy / "Misc/Sweep3.obpreset", R"({"name":"sweep","version":6,"tags":{"category":"Misc"}})");
    auto before = filesUnder(target / "root");
    const std::string outside = readFile(target / "elsewhere/sweep.json");
    ToolResult r = run();
    EXPECT_NE(r.out.find("  migrated  Lonely  (user:uncategorized/lonely-2)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  migrated  Wobble  (user:bass/wobble-2)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  migrated  Pad 1  (user:pads/pad-1-2)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  migrated  sweep  (user:misc/sweep-2)\n"), std::string::npos) << r.out;
    EXPECT_EQ(readFile(target / "elsewhere/sweep.json"), outside);
    const std::string folder = (target / "root/orbitrone").string();
    EXPECT_EQ(r.err, "orbitrone: user preset " + folder + "/bass/wobble.json left out: An instance of other, not Orbitrone\n"
                     "orbitrone: user presets: " + folder + "/misc/sweep.json Neither a JSON document nor a zip archive\n"
                     "orbitrone: user presets: " + folder + "/pads/Pad-1.zip Neither a JSON document nor a zip archive\n"
                     "orbitrone: user presets: " + folder + "/uncategorized/lonely.orbi Neither a JSON document nor a zip archive\n");
    auto after = filesUnder(target / "root");
    for (const auto& [name, data] : before) EXPECT_EQ(after[name], data) << name;

    // The second run lists the new presets and keeps them; the odd files stay as they are.
    ToolResult again = run();
    EXPECT_EQ(again.out.find("  migrated  "), std::string::npos) << again.out;
    EXPECT_EQ(filesUnder(target / "root"), after);
}

TEST_F(Migration, SavingFailureFreesTheNameAndLeavesNoTemporaryFile) {
    // The bank folder "pads" is a file: both Pads presets fail there, and PAD 1 (same name,
    // later in path order) is then tried too rather than kept.
    writeFile(target / "root/orbitrone/pads", "in the way");
    ToolResult r = run();
    std::string bankPath = (target / "root/orbitrone/pads").string();
    EXPECT_NE(r.out.find("  failed    Pad 1.obpreset  (" + bankPath + ": "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  failed    x-case.obpreset  (" + bankPath + ": "), std::string::npos) << r.out;
    EXPECT_EQ(r.status, 1);
    for (auto& [name, data] : filesUnder(target / "root")) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

}  // namespace
}  // namespace orbi::test
