// A generated legacy folder migrated twice by the built tool: every written preset is a valid
// package (checked by Python), the second run keeps every earlier-migrated preset, and no file in
// the target changes.
#include <gtest/gtest.h>

#include <regex>

#include "support/run_tool.hpp"
#include "support/host.hpp"

namespace orbi::test {
namespace {

namespace fs = std::filesystem;

struct Summary {
    int migrated = -1, failed = -1, kept = -1;
};

Summary summaryOf(const std::string& out) {
    std::smatch m;
    Summary s;
    if (std::regex_search(out, m, std::regex("\n(\\d+) migrated, (\\d+) failed, (\\d+) kept\\.\n$"))) {
        s = {std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3])};
    }
    return s;
}

TEST(Corpus, MigratesThenKeepsEverythingOnTheSecondRun) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    TempFolder legacy;
    TempFolder target;
    std::string make = "python3 '" ORBI_SOURCE_DIR "/tools/make-legacy-corpus.py' '" + legacy.path().string() +
                       "' --count 80 --seed 11 --max-sample-bytes 65536 --max-wavetable-frames 4 >/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0);
    auto legacyBefore = filesUnder(legacy.path());
    fs::path root = target / "root";

    ToolResult first = runToolBinary({"--from", legacy.path().string(), "--to", root.string()});
    EXPECT_EQ(first.err, "");
    Summary s1 = summaryOf(first.out);
    ASSERT_GT(s1.migrated, 0) << first.out;
    EXPECT_EQ(s1.migrated + s1.failed + s1.kept, 80);
    EXPECT_EQ(first.status, s1.failed > 0 ? 1 : 0);

    auto written = filesUnder(root);
    EXPECT_EQ(static_cast<int>(written.size()), s1.migrated);
    for (auto& [name, data] : written) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;

    // Every preset is a package or bare document that an independent reader accepts.
    std::string check =
        "python3 - '" + root.string() + "' <<'EOF'\n"
        "import hashlib, json, pathlib, sys, zipfile\n"
        "for p in pathlib.Path(sys.argv[1]).rglob('*'):\n"
        "    if not p.is_file(): continue\n"
        "    if p.suffix == '.orbi':\n"
        "        z = zipfile.ZipFile(p)\n"
        "        assert z.testzip() is None, p\n"
        "        names = z.namelist()\n"
        "        assert names[0] == 'instance.json', p\n"
        "        assets = names[1:]\n"
        "        assert assets == sorted(assets) and assets, p\n"
        "        for a in assets:\n"
        "            assert a == 'assets/' + hashlib.sha256(z.read(a)).hexdigest(), (p, a)\n"
        "        doc = json.loads(z.read('instance.json'))\n"
        "    else:\n"
        "        assert p.suffix == '.json', p\n"
        "        doc = json.loads(p.read_bytes())\n"
        "    assert doc['kind'] == 'instance' and doc['plugin'] == 'orbitrone', p\n"
        "    assert p.name.startswith(doc['id'] + '.'), p\n"
        "EOF";
    EXPECT_EQ(std::system(check.c_str()), 0);

    ToolResult second = runToolBinary({"--from", legacy.path().string(), "--to", root.string()});
    EXPECT_EQ(second.err, "");
    Summary s2 = summaryOf(second.out);
    EXPECT_EQ(s2.migrated, 0) << second.out;
    EXPECT_EQ(s2.failed, s1.failed);
    EXPECT_EQ(s2.kept, s1.kept + s1.migrated);
    EXPECT_EQ(filesUnder(root), written);
    EXPECT_EQ(filesUnder(legacy.path()), legacyBefore);
}

}  // namespace
}  // namespace orbi::test
