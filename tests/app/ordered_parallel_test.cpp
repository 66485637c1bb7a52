// The ordered-parallel helper: items consumed in index order whatever the workers' timing, the
// window and weight bounds held, and a throw from either side carried to the caller.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "app/ordered_parallel.hpp"

namespace orbi::test {
namespace {

TEST(OrderedParallel, ConsumesInOrderWithinTheWindowAndWeight) {
    struct Case {
        OrderedLimits limits;
        std::size_t count;
    };
    for (const Case& c : {Case{{1, 1}, 50}, Case{{4, 3}, 200}, Case{{3, 8, 10}, 120}, Case{{2, 5}, 0}}) {
        SCOPED_TRACE(std::to_string(c.limits.workers) + " workers, window " + std::to_string(c.limits.window));
        std::atomic<std::size_t> consumed{0};
        std::atomic<std::size_t> maxAhead{0};
        std::atomic<long> held{0};
        std::atomic<long> maxHeld{0};
        std::vector<std::size_t> order;
        forEachOrdered(
            c.count, c.limits,
            [&](std::size_t i) {
                // Later items finish first now and then, so order comes from the helper alone.
                std::this_thread::sleep_for(std::chrono::microseconds((c.count - i) % 7 * 50));
                const std::size_t ahead = i - consumed.load();  // consumed <= i until i is prepared
                for (std::size_t m = maxAhead.load(); ahead > m && !maxAhead.compare_exchange_weak(m, ahead);) {}
                const long now = held += 4;
                for (long m = maxHeld.load(); now > m && !maxHeld.compare_exchange_weak(m, now);) {}
                return i * 3;
            },
            [&](std::size_t i, std::size_t item) {
                EXPECT_EQ(item, i * 3);
                order.push_back(i);
                held -= 4;
                consumed = i + 1;
            },
            [](std::size_t) { return std::size_t{4}; });
        ASSERT_EQ(order.size(), c.count);
        for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);
        EXPECT_LE(maxAhead.load(), c.limits.window);
        // Claims stop once the held weight reaches the bound; one item in flight per worker may pass it.
        if (c.limits.maxWeight < 100) {
            EXPECT_LE(maxHeld.load(), long(c.limits.maxWeight + 4 * c.limits.workers));
        }
    }
}

TEST(OrderedParallel, ThrowsReachTheCallerAndNoWorkerIsLeftBehind) {
    std::vector<std::size_t> seen;
    auto prepare = [](std::size_t i) {
        if (i == 17) throw std::runtime_error("prepare 17");
        return i;
    };
    EXPECT_THROW(forEachOrdered(40, {3, 4}, prepare, [&](std::size_t i, std::size_t) { seen.push_back(i); }),
                 std::runtime_error);
    EXPECT_EQ(seen.size(), 17u);  // everything before the throw, nothing after
    EXPECT_THROW(forEachOrdered(
                     1000, {2, 2}, [](std::size_t i) { return i; },
                     [](std::size_t i, std::size_t) {
                         if (i == 5) throw std::logic_error("consume 5");
                     }),
                 std::logic_error);
}

}  // namespace
}  // namespace orbi::test
