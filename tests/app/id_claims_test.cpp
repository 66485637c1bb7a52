// Claims on ids for staging ahead: a worker's claim excludes every other writer, and the deciding
// thread waits for a later preset's file and removes it before it writes under that id itself.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/id_claims.hpp"
#include "support/host.hpp"

namespace orbi::test {
namespace {

namespace fs = std::filesystem;

TEST(IdClaims, AheadFilesAreUsedByTheirOwnPresetOrWaitedForAndRemoved) {
    TempFolder t;
    const IdClaims::Key pad{"pads", "pad"}, lead{"leads", "lead"}, bass{"bass", "bass"};
    IdClaims claims;

    // A later preset's file under an id the deciding thread needs: waited for, then removed.
    ASSERT_TRUE(claims.claimAhead(pad, 7));
    EXPECT_FALSE(claims.claimAhead(pad, 9)) << "a claimed id is nobody else's to stage ahead";
    std::atomic<bool> tookOver = false;
    std::thread decider([&] {
        claims.takeOver(pad, 3);
        tookOver = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(tookOver) << "the worker's file is still being written";
    writeFile(t / "pad.orbi.tmp", "ahead");
    claims.settle(pad, t / "pad.orbi.tmp");
    decider.join();
    EXPECT_FALSE(fs::exists(t / "pad.orbi.tmp"));
    EXPECT_FALSE(claims.useAhead(pad, 7)) << "its file is gone";

    // Its own preset uses it; from then on nobody removes it.
    ASSERT_TRUE(claims.claimAhead(lead, 4));
    writeFile(t / "lead.json.tmp", "ahead");
    claims.settle(lead, t / "lead.json.tmp");
    EXPECT_FALSE(claims.useAhead(lead, 5)) << "not this preset's";
    EXPECT_TRUE(claims.useAhead(lead, 4));
    claims.takeOver(lead, 8);
    EXPECT_TRUE(fs::exists(t / "lead.json.tmp"));

    // An id the deciding thread took first is never staged ahead.
    claims.takeOver(bass, 2);
    EXPECT_FALSE(claims.claimAhead(bass, 6));
}

}  // namespace
}  // namespace orbi::test
