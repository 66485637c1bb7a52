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

template <class T>
void raiseTo(std::atomic<T>& most, T value) {
    for (T now = most.load(); value > now && !most.compare_exchange_weak(now, value);) {}
}

TEST(OrderedParallel, ConsumesInOrderWithinTheWindowAndWeight) {
    for (const auto& [limits, count] : std::vector<std::pair<OrderedLimits, std::size_t>>{
             {{1, 1}, 50}, {{4, 3}, 200}, {{3, 8, 10}, 120}, {{2, 5}, 0}}) {
        SCOPED_TRACE(std::to_string(limits.workers) + " workers, window " + std::to_string(limits.window));
        std::atomic<std::size_t> consumed{0}, maxAhead{0};
        std::atomic<long> held{0}, maxHeld{0};
        std::vector<std::size_t> order;
        forEachOrdered(
            count, limits,
            [&](std::size_t i) {
                // Later items finish first now and then, so order comes from the helper alone.
                std::this_thread::sleep_for(std::chrono::microseconds((count - i) % 7 * 50));
                raiseTo(maxAhead, i - consumed.load());  // consumed <= i until i is prepared
                raiseTo(maxHeld, held += 4);
                return i * 3;
            },
            [&](std::size_t i, std::size_t item) {
                EXPECT_EQ(item, i * 3);
                order.push_back(i);
                held -= 4;
                consumed = i + 1;
            },
            [](std::size_t) { return std::size_t{4}; });
        ASSERT_EQ(order.size(), count);
        for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);
        EXPECT_LE(maxAhead.load(), limits.window);
        // Claims stop once the held weight reaches the bound; one item in flight per worker may pass
        // it, and so may the item being consumed, whose weight is given back as it is taken.
        if (limits.maxWeight < 100) { EXPECT_LE(maxHeld.load(), long(limits.maxWeight + 4 * (limits.workers + 1))); }
    }
}

TEST(OrderedParallel, ThrowsReachTheCallerAndNoWorkerIsLeftBehind) {
    std::vector<std::size_t> seen;
    auto prepare = [](std::size_t i) { return i == 17 ? throw std::runtime_error("prepare 17") : i; };
    EXPECT_THROW(forEachOrdered(40, {3, 4}, prepare, [&](std::size_t i, std::size_t) { seen.push_back(i); }),
                 std::runtime_error);
    EXPECT_EQ(seen.size(), 17u);  // everything before the throw, nothing after
    auto consume = [](std::size_t i, std::size_t) { return i == 5 ? throw std::logic_error("consume 5") : void(); };
    EXPECT_THROW(forEachOrdered(1000, {2, 2}, [](std::size_t i) { return i; }, consume), std::logic_error);
}

}  // namespace
}  // namespace orbi::test
