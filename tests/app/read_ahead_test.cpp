// How many workers read ahead, and how far, must not change any outcome: the same rerun, once
// strictly one file at a time and once on several workers, gives the same entries and the same
// target, byte for byte.
#include <gtest/gtest.h>

#include <map>

#include "app/migration.hpp"
#include "support/host.hpp"
#include "support/temp_folder.hpp"

namespace orbi::test {
namespace {

namespace fs = std::filesystem;

std::size_t countOf(const std::vector<MigrationEntry>& entries, MigrationStatus status) {
    std::size_t n = 0;
    for (const MigrationEntry& e : entries) n += e.status == status ? 1 : 0;
    return n;
}

TEST(ReadAhead, OutcomesDoNotDependOnWhenFilesAreRead) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    TempFolder work;
    const fs::path legacy = work / "legacy";
    const std::string make = "python3 '" ORBI_SOURCE_DIR "/tools/make-legacy-corpus.py' '" + legacy.string() +
                             "' --count 40 --seed 11 --max-sample-bytes 16384 --max-wavetable-frames 2 >/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0);

    const fs::path a = work / "a";
    const fs::path b = work / "b";
    const std::vector<MigrationEntry> first = runMigration(legacy, a);
    ASSERT_GE(countOf(first, MigrationStatus::migrated), 10u);

    // Beside the kept presets: a new one, one whose name is taken in another case, and one whose
    // saved file is gone from the target, so that it migrates again.
    writeFile(legacy / "zz/New One.obpreset", R"({"name":"New One","version":6,"tags":{"category":"Pads"}})");
    std::string takenName;
    for (const MigrationEntry& e : first) {
        if (e.status == MigrationStatus::migrated && takenName.empty()) takenName = e.name;
    }
    writeFile(legacy / "zz/Again.obpreset", R"({"name":")" + lowerAscii(takenName) + R"(","version":6})");
    writeFile(legacy / "zz/Taken.obpreset", R"({"name":")" + takenName + R"(","version":6})");
    fs::copy(a, b, fs::copy_options::recursive);
    for (const MigrationEntry& e : first) {
        if (e.status != MigrationStatus::migrated || e.name == takenName) continue;
        const std::string reference = e.detail.substr(e.detail.find(':') + 1);  // bank/id
        for (const fs::path& root : {a, b}) {
            for (const char* extension : {".json", ".orbi"}) fs::remove(root / "orbitrone" / (reference + extension));
        }
        break;
    }

    const std::vector<MigrationEntry> timed = runMigration(legacy, a, {}, {{4, 3, 1}});
    const std::vector<MigrationEntry> ahead = runMigration(legacy, b, {}, {{1, 1}});
    ASSERT_EQ(timed.size(), ahead.size());
    for (std::size_t i = 0; i < timed.size(); ++i) {
        SCOPED_TRACE(timed[i].sourcePath.string());
        EXPECT_EQ(timed[i].sourcePath, ahead[i].sourcePath);
        EXPECT_EQ(timed[i].status, ahead[i].status);
        EXPECT_EQ(timed[i].name, ahead[i].name);
        EXPECT_EQ(timed[i].detail, ahead[i].detail);
    }
    EXPECT_EQ(countOf(ahead, MigrationStatus::migrated), 2u);  // New One and the one whose file was removed
    EXPECT_GE(countOf(ahead, MigrationStatus::keptExisting), 10u);
    EXPECT_EQ(filesUnder(a), filesUnder(b));
}

}  // namespace
}  // namespace orbi::test
