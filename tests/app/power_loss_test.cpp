// Power lost at every mutating operation of a run, on a simulated file system that loses what
// was not flushed (support/sim_platform.cpp). Whatever a boot finds: (1) every final name holds
// the clean run's file or the one that was there before, (2) the legacy folder is as it was, and
// (3) a rerun counts every legacy file and ends with the clean run's target, durable. Once with
// renames durable when their folder is synced (POSIX), once with them written through (Windows).
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <set>

#include "app/migration.hpp"
#include "support/host.hpp"
#include "support/sim_platform.hpp"

namespace orbi::test {
namespace {

constexpr unsigned kStatesPerCut = 4;  // everything lost, everything kept, two random mixes
const std::string kLegacy = "/legacy", kRoot = "/target";

// The files and folders below root; temporary files only when asked for.
sim::Tree under(const sim::Tree& tree, const std::string& root, bool temporary) {
    sim::Tree out;
    for (const auto& [path, bytes] : tree)
        if (path.starts_with(root + "/") && (temporary || !path.ends_with(".tmp"))) out.emplace(path, bytes);
    return out;
}

// The tool never reads a temporary file, only creates or truncates it: states that differ in a
// temporary file's bytes alone are one state to a rerun.
std::size_t hashOf(const sim::Tree& tree) {
    std::string all;
    for (const auto& [path, bytes] : tree) all += path + '\0' + (path.ends_with(".tmp") ? "" : bytes.value_or("/")) + '\0';
    return std::hash<std::string>{}(all);
}
std::vector<MigrationEntry> run(const std::string& legacy = kLegacy) {
    return runMigration(legacy, kRoot, {}, MigrationOptions{OrderedLimits{2, 4, std::size_t{16} << 20}});
}

TEST(PowerLoss, AtEveryOperationFinalNamesHoldWholePresetsAndARerunFinishesTheJob) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    TempFolder work;
    std::string make = "python3 '" ORBI_SOURCE_DIR "/tools/make-legacy-corpus.py' '" + (work / "legacy").string() +
                       "' --count 30 --seed 5 --max-sample-bytes 4096 --max-wavetable-frames 2 >/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const std::map<std::string, std::string> corpus = filesUnder(work / "legacy");

    std::size_t states = 0, reruns = 0;
    // States already run again. Shared by the two modes: the run's operations do not depend on
    // the mode, and what a boot keeps of them with renames written through is never less.
    std::set<std::size_t> rerun;
    for (bool writeThrough : {false, true}) {
        SCOPED_TRACE(writeThrough ? "renames written through" : "renames durable once their folder is synced");
        sim::reset(writeThrough);
        int seeded = 0;  // the target already holds a few of the presets
        for (const auto& [rel, bytes] : corpus) {
            sim::putFile(kLegacy + "/" + rel, bytes);
            if (rel.ends_with(".obpreset") && seeded++ % 6 == 0) sim::putFile("/seed/" + rel, bytes);
        }
        ASSERT_FALSE(run("/seed").empty());
        sim::load(sim::currentTree());
        const sim::Tree before = sim::currentTree();
        const std::vector<MigrationEntry> cleanEntries = run();
        const sim::Tree clean = sim::currentTree(), cleanTarget = under(clean, kRoot, false);
        const std::size_t total = sim::operations();
        ASSERT_GT(under(clean, kRoot, true).size(), under(before, kRoot, true).size() + 10);

        // Workers stage ahead what they can, so a run's operations may differ a little in number
        // and order: the cuts go on until a run gets through.
        bool lost = true;
        for (std::size_t cut = 0; lost; ++cut) {
            ASSERT_LE(cut, 2 * total) << "runs never get through";
            sim::load(before);
            sim::arm(cut);
            lost = false;
            try {
                run();
            } catch (const sim::PowerLost&) {
                lost = true;
            }
            std::vector<sim::Tree> crashed;  // all taken before a rerun loads one of them
            for (unsigned choice = 0; choice < kStatesPerCut; ++choice) crashed.push_back(sim::crashState(choice, unsigned(cut)));
            for (unsigned choice = 0; choice < kStatesPerCut; ++choice) {
                SCOPED_TRACE("power lost after operation " + std::to_string(cut) + " of " + std::to_string(total) +
                             ", state " + std::to_string(choice));
                const sim::Tree& state = crashed[choice];
                ++states;
                for (const auto& [path, bytes] : under(state, kRoot, true)) {  // (1)
                    if (!path.ends_with(".orbi") && !path.ends_with(".json")) continue;
                    auto now = clean.find(path), was = before.find(path);
                    ASSERT_TRUE((now != clean.end() && now->second == bytes) || (was != before.end() && was->second == bytes))
                        << path << " holds neither the clean run's file nor the one before";
                }
                ASSERT_TRUE(under(state, kLegacy, true) == under(before, kLegacy, true)) << "the legacy folder changed";  // (2)
                if (!rerun.insert(hashOf(state)).second) continue;
                ++reruns;
                sim::load(state);
                const std::vector<MigrationEntry> entries = run();  // (3)
                ASSERT_EQ(entries.size(), cleanEntries.size());
                for (std::size_t i = 0; i < entries.size(); ++i) {
                    const MigrationStatus was = cleanEntries[i].status, now = entries[i].status;
                    ASSERT_TRUE(now == was || (was == MigrationStatus::migrated && now == MigrationStatus::keptExisting))
                        << entries[i].sourcePath << ": " << static_cast<int>(now) << " after " << static_cast<int>(was);
                }
                // Power lost the moment the rerun ends loses nothing of it.
                ASSERT_TRUE(under(sim::crashState(0), kRoot, false) == cleanTarget)
                    << "the rerun's target, as a boot would find it, is not the clean run's";
            }
        }
    }
    std::cout << "power loss: " << states << " crashed states checked, " << reruns << " distinct ones run again\n";
    RecordProperty("crashed_states", static_cast<int>(states));
}

}  // namespace
}  // namespace orbi::test
