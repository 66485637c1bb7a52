// The migration frame's pure pieces: slugs, banks, unique ids, the command line, the report.
#include <gtest/gtest.h>

#include "app/command_line.hpp"
#include "app/migration.hpp"
#include "app/report.hpp"
#include "app/preset_names.hpp"

namespace orbi {
namespace {

TEST(Slug, ReplacesReservedBytesAndLowersAsciiOnly) {
    EXPECT_EQ(presetSlug("Pad 1"), "pad-1");
    EXPECT_EQ(presetSlug("pad/1"), "pad-1");
    EXPECT_EQ(presetSlug("a\"b*c/d:e<f>g?h\\i|j"), "a-b-c-d-e-f-g-h-i-j");
    // Nothing is trimmed or collapsed; non-ASCII bytes are kept as they are.
    EXPECT_EQ(presetSlug("  X  "), "--x--");
    EXPECT_EQ(presetSlug("\xC3\x84rger.v2"), "\xC3\x84rger.v2");
    EXPECT_EQ(presetSlug(""), "");
    EXPECT_EQ(presetSlug(std::string("a\0B", 3)), std::string("a\0b", 3));
}

TEST(Slug, BankFromCategory) {
    EXPECT_EQ(bankForCategory(""), "uncategorized");
    EXPECT_EQ(bankForCategory("Bass/Sub"), "bass-sub");
    EXPECT_EQ(bankForCategory(" "), "-");
}

TEST(UniqueId, SuffixesWithinTheSameBankOnly) {
    TakenIds taken{{"pads", "pad-1"}, {"pads", "pad-1-2"}, {"Pads", "soft"}};
    EXPECT_EQ(uniquePresetId("pads", "pad-1", taken), "pad-1-3");
    EXPECT_EQ(uniquePresetId("leads", "pad-1", taken), "pad-1");
    // Banks compare byte for byte: "Pads" does not block "pads".
    EXPECT_EQ(uniquePresetId("pads", "soft", taken), "soft");
    EXPECT_EQ(uniquePresetId("Pads", "soft", taken), "soft-2");
    // A suffixed id that is itself taken is skipped, not suffixed again.
    TakenIds chain{{"b", "x"}, {"b", "x-2"}, {"b", "x-3"}, {"b", "x-2-2"}};
    EXPECT_EQ(uniquePresetId("b", "x", chain), "x-4");
}

TEST(CommandLine, AcceptsFromAndToInAnyOrderLaterWins) {
    auto none = parseCommandLine({});
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->from);
    EXPECT_FALSE(none->to);

    auto both = parseCommandLine({"--to", "/t", "--from", "/a", "--from", "/b"});
    ASSERT_TRUE(both);
    EXPECT_EQ(platform::pathToUtf8(*both->from), "/b");
    EXPECT_EQ(platform::pathToUtf8(*both->to), "/t");

    // A value may look like an option.
    auto odd = parseCommandLine({"--from", "--to"});
    ASSERT_TRUE(odd);
    EXPECT_EQ(platform::pathToUtf8(*odd->from), "--to");
}

TEST(CommandLine, RefusesAnythingElse) {
    for (auto words : std::vector<std::vector<std::string>>{
             {"-h"}, {"--to"}, {"--from", "/a", "--to"}, {"--From", "/a"}, {"--from=/a"}, {"/a"}, {""}}) {
        EXPECT_FALSE(parseCommandLine(words)) << words[0];
    }
}

TEST(Report, FileNameIsTheLastComponent) {
    EXPECT_EQ(reportFileName("/home/u/Presets/Bass/Wobble.obsz"), "Wobble.obsz");
    EXPECT_EQ(reportFileName("C:\\Users\\u\\Presets\\Lead.obpreset"), "Lead.obpreset");
    EXPECT_EQ(reportFileName("C:Lead.obpreset"), "Lead.obpreset");
    EXPECT_EQ(reportFileName("\\\\server\\share\\x.obsz"), "x.obsz");
    EXPECT_EQ(reportFileName("\\\\server"), "");
    EXPECT_EQ(reportFileName("a/b\\c.obsz"), "c.obsz");
    EXPECT_EQ(reportFileName("plain.obsz"), "plain.obsz");
}

MigrationEntry entry(MigrationStatus s, std::string path, std::string name, std::string detail) {
    MigrationEntry e;
    e.sourcePath = path;
    e.status = s;
    e.name = std::move(name);
    e.detail = std::move(detail);
    return e;
}

TEST(Report, LinesSummaryAndStatus) {
    std::vector<MigrationEntry> entries{
        entry(MigrationStatus::migrated, "/l/Bass/Wobble.obsz", "Wobble", "user:bass/wobble"),
        entry(MigrationStatus::keptExisting, "/l/Old.obpreset", "Old", ""),
        entry(MigrationStatus::keptSection, "/l/Filter.obpreset", "Filter Sweep", ""),
        entry(MigrationStatus::failed, "/l/Sub/Broken.obpreset", "Broken Name", "Broken.obpreset is not a Orbitrone preset"),
    };
    EXPECT_EQ(formatReport(entries),
              "  migrated  Wobble  (user:bass/wobble)\n"
              "  kept      Old  (a preset of that name is already there)\n"
              "  kept      Filter Sweep  (section preset, still listed from the old folder)\n"
              "  failed    Broken.obpreset  (Broken.obpreset is not a Orbitrone preset)\n"
              "\n1 migrated, 1 failed, 2 kept.\n");
    EXPECT_EQ(exitStatusFor(entries), 1);

    entries.pop_back();
    EXPECT_EQ(exitStatusFor(entries), 0);
    EXPECT_EQ(formatReport({}), "No old presets found.\n");
    EXPECT_EQ(exitStatusFor({}), 0);

    std::vector<MigrationEntry> allKept{entry(MigrationStatus::keptExisting, "/x.obsz", "X", "")};
    EXPECT_EQ(formatReport(allKept), "  kept      X  (a preset of that name is already there)\n\n0 migrated, 0 failed, 1 kept.\n");
}

}  // namespace
}  // namespace orbi
