// The committed golden corpus (golden/: a generated legacy folder, hand-made edge files, a target
// with presets, damaged files and another plugin's preset) migrated by the built tool and by
// runMigration: report, notes, status and every byte written must match golden/expected, which
// tools/update-golden.sh rewrites on purpose. The corpus sits below a folder named outside ASCII.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/migration.hpp"
#include "app/target_listing.hpp"
#include "archive/sha256.hpp"
#include "support/host.hpp"

namespace orbi::test {
namespace {

namespace fs = std::filesystem;
using platform::pathToUtf8;

std::string expected(const std::string& name) { return readFile(fs::path(ORBI_GOLDEN_DIR) / "expected" / name); }

struct Corpus {
    TempFolder work;
    // The old presets' folder comes from APPDATA's narrow form: on Windows the manifest's UTF-8
    // code page is what keeps the Omega.
    fs::path appData = work.path() / platform::pathFromUtf8("App D\xC3\xA4t\xC3\xA4 \xCE\xA9");
    fs::path legacy = appData / "Quillmark" / "Orbitrone" / "Presets";
    fs::path root = appData / "Orbi" / "Presets";
    Corpus() {
        const fs::path golden(ORBI_GOLDEN_DIR);
        fs::create_directories(legacy);
        fs::create_directories(root);
        fs::copy(golden / "legacy", legacy, fs::copy_options::recursive);
        fs::copy(golden / "legacy-hand", legacy, fs::copy_options::recursive);
        fs::copy(golden / "target", root, fs::copy_options::recursive);
    }
    // Notes name files below the preset root: shown as <ROOT>, with '/' between the parts.
    std::string normalized(std::string text) const {
        const std::string prefix = pathToUtf8(root);
        for (std::size_t at; (at = text.find(prefix)) != std::string::npos;) text.replace(at, prefix.size(), "<ROOT>");
        std::replace(text.begin(), text.end(), '\\', '/');
        return text;
    }
    std::string header() const { return "From " + pathToUtf8(legacy) + "\nTo   " + pathToUtf8(root / "orbitrone") + "\n\n"; }
    ToolResult run() const { return runToolBinary({"--from", pathToUtf8(legacy), "--to", pathToUtf8(root)}); }
};

// size, SHA-256 and '/'-path of every file below root, in byte order of the paths.
std::string manifest(const fs::path& root) {
    std::string out;
    for (const auto& [path, bytes] : filesUnder(root))
        out += std::to_string(bytes.size()) + " " + sha256Hex({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}) + " " + path + "\n";
    return out;
}

TEST(Golden, ToolRunsMatchTheCommittedOutputs) {
    Corpus c;
    const std::string legacyBefore = manifest(c.legacy);
    for (const std::string run : {"first", "second"}) {
        SCOPED_TRACE(run + " run");
        const ToolResult r = c.run();
        ASSERT_EQ(r.out.substr(0, c.header().size()), c.header());
        EXPECT_EQ(r.out.substr(c.header().size()), expected(run + ".out"));
        EXPECT_EQ(c.normalized(r.err), expected(run + ".err"));
        EXPECT_EQ(std::to_string(r.status) + "\n", expected(run + ".status"));
        EXPECT_EQ(manifest(c.root), expected("manifest")) << "the second run changes no byte";
    }
    // A package removed by hand comes back the same, audio and all; the folders come from APPDATA.
    fs::remove(c.root / "orbitrone/bass/wobble-2.orbi");
    const ToolResult third = runToolBinary({}, {{"APPDATA", pathToUtf8(c.appData)}});
    std::string body = expected("second.out");
    const std::string kept = "  kept      Wobble  (a preset of that name is already there)\n";
    body.replace(body.find(kept), kept.size(), "  migrated  Wobble  (user:bass/wobble-2)\n");
    body.replace(body.find("0 migrated, 7 failed, 40 kept."), 30, "1 migrated, 7 failed, 39 kept.");
    EXPECT_EQ(third.out, c.header() + body);
    EXPECT_EQ(manifest(c.root), expected("manifest"));
    EXPECT_EQ(manifest(c.legacy), legacyBefore) << "the old folder never changes";
    // Bundle entries named to leave the archive (bundles/Trap.obsz) reach no file anywhere.
    const auto lines = [](const std::string& text) { return std::count(text.begin(), text.end(), '\n'); };
    EXPECT_EQ(lines(manifest(c.work.path())), lines(legacyBefore) + lines(manifest(c.root)));
    EXPECT_FALSE(fs::exists("/tmp/orbi-absolute"));
}

// Linux only: Python's zipfile and hashlib read every package, and the generator still writes the
// committed legacy folder from its seed (its parameter rows come from the product's own table).
TEST(Golden, PackagesReadWithPythonAndTheCorpusRegenerates) {
    ORBI_SKIP_ON_WINDOWS(kNeedsPython);
    Corpus c;
    ASSERT_EQ(c.run().status, 1);
    const std::string check =
        "python3 - '" + c.root.string() + "' <<'EOF'\n"
        "import hashlib, json, pathlib, sys, zipfile\n"
        "root = pathlib.Path(sys.argv[1]) / 'orbitrone'\n"
        "for line in open('" ORBI_GOLDEN_DIR "/expected/manifest', encoding='utf-8'):\n"
        "    rel = line.rstrip('\\n').split(' ', 2)[2]; p = root.parent / rel\n"
        "    if (pathlib.Path('" ORBI_GOLDEN_DIR "/target') / rel).exists(): continue  # there before the run\n"
        "    if p.suffix == '.orbi':\n"
        "        z = zipfile.ZipFile(p); names = z.namelist()\n"
        "        assert z.testzip() is None and names[0] == 'instance.json' and names[1:] == sorted(names[1:]) and names[1:], p\n"
        "        for i in z.infolist()[1:]:\n"
        "            assert i.filename == 'assets/' + hashlib.sha256(z.read(i)).hexdigest(), (p, i.filename)\n"
        "            assert i.compress_type == zipfile.ZIP_STORED and i.date_time == (1980, 1, 1, 0, 0, 0), p\n"
        "        doc = json.loads(z.read('instance.json'))\n"
        "    else: doc = json.loads(p.read_bytes())\n"
        "    assert doc['kind'] == 'instance' and doc['plugin'] == 'orbitrone' and p.name.startswith(doc['id'] + '.'), p\n"
        "wob = zipfile.ZipFile(root / 'bass/wobble-2.orbi'); digest = wob.namelist()[1][len('assets/'):]\n"
        "doc = json.loads(wob.read('instance.json'))\n"
        "assert len(wob.namelist()) == 2 and doc['assets'] == {'osc1.table': 'asset:' + digest, 'osc2.table': 'asset:' + digest}\n"
        "assert doc['state']['imports']['osc1.table'] == {'name': 'Wob', 'file': 'wob.wav'}, doc['state']\n"
        "assert doc['meta']['name'] == 'Wobble' and doc['meta']['category'] == 'Bass', doc['meta']\n"
        "EOF";
    EXPECT_EQ(std::system(check.c_str()), 0);

    const fs::path again = c.work / "regenerated";
    std::string args = expected("generator-args");
    args.pop_back();
    const std::string make = "python3 '" ORBI_SOURCE_DIR "/tools/make-legacy-corpus.py' '" + again.string() + "' " + args + " >/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0);
    EXPECT_TRUE(filesUnder(again) == filesUnder(fs::path(ORBI_GOLDEN_DIR) / "legacy")) << "regenerate with tools/update-golden.sh";
}

// In the process: the listing of the target alone, and whole runs whose outcome must not depend on
// how many workers read ahead or how far.
TEST(Golden, ListingAndRunsInTheProcess) {
    Corpus c;
    const TargetListing listing = listUserPresets(c.root, {3, 2});
    std::string notes;
    for (const std::string& line : listing.notes) notes += line;
    EXPECT_EQ(c.normalized(notes), expected("first.err"));
    std::vector<std::string> listed;
    for (const UserPresetEntry& e : listing.presets) listed.push_back(e.name + "|" + e.category + "|" + e.bank + "|" + e.id);
    EXPECT_EQ(listed, (std::vector<std::string>{"Wide Lead|Leads|leads|wide", "Glass Pad|Pads|pads|glass",
                                                "Something Else||pads|pad-1", "Init||pads|unnamed", "lonely||uncategorized|mine"}));
    for (const fs::path& empty : {fs::path(), c.work / "nothing", c.legacy}) EXPECT_TRUE(listUserPresets(empty).presets.empty());

    const fs::path other = c.work / "other";
    fs::copy(c.root, other, fs::copy_options::recursive);
    auto outcomes = [](const std::vector<MigrationEntry>& entries) {
        std::vector<std::string> out;
        for (const MigrationEntry& e : entries) out.push_back(pathToUtf8(e.sourcePath) + " " + std::to_string(int(e.status)) + " " + e.name + " " + e.detail);
        return out;
    };
    for (int run = 0; run < 2; ++run) {
        std::string seen;
        const auto ahead = runMigration(c.legacy, c.root, [&](const std::string& line) { seen += line; }, {{4, 3, 1}});
        EXPECT_EQ(c.normalized(seen), expected("first.err"));
        EXPECT_EQ(outcomes(ahead), outcomes(runMigration(c.legacy, other, {}, {{1, 1}})));
        EXPECT_EQ(std::count_if(ahead.begin(), ahead.end(), [](auto& e) { return e.status == MigrationStatus::migrated; }), run == 0 ? 31 : 1);
        EXPECT_EQ(manifest(c.root), expected("manifest"));
        EXPECT_EQ(manifest(other), expected("manifest"));
        // The rerun migrates one preset whose file went missing, beside 40 kept.
        for (const fs::path& r : {c.root, other}) fs::remove(r / "orbitrone/pad/cold-wash.json");
    }
}

}  // namespace
}  // namespace orbi::test
