// Ordered parallel work: worker threads prepare items out of order within a bounded window, and
// the calling thread consumes them strictly in index order. What the consumer decides therefore
// cannot depend on the number of workers or on timing; only how soon it gets each item can.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace orbi {

struct OrderedLimits {
    unsigned workers = 2;
    std::size_t window = 8;                   // items claimed and not yet consumed, at most
    std::size_t maxWeight = ~std::size_t{0};  // their total weight; one item may always go past it
};

// At least two workers, more on a machine with more cores: preparing is reading and converting,
// which scales, while consuming is the cheap part.
inline unsigned defaultWorkerCount() { return std::max(2u, std::thread::hardware_concurrency()); }

// Calls prepare(i) for every i in [0, count) on the workers and consume(i, item) on this thread in
// order i = 0, 1, ... Memory is bounded by the window, not by count. What prepare throws is
// rethrown here when its item's turn comes; what consume throws stops the workers and goes on up.
// weigh(item) gives an item's share of maxWeight. Past it go at most the items being prepared
// (weighed once ready) and the one being consumed (its weight is given back as it is taken).
template <class Prepare, class Consume, class Weigh>
void forEachOrdered(std::size_t count, const OrderedLimits& limits, Prepare&& prepare, Consume&& consume,
                    Weigh&& weigh) {
    using Item = std::invoke_result_t<Prepare&, std::size_t>;
    struct Slot {
        std::optional<Item> item;
        std::exception_ptr failure;
        std::size_t weight = 0;
        bool done = false;
    };
    const std::size_t window = std::max<std::size_t>(1, limits.window);
    std::vector<Slot> slots(window);  // claimed items lie in [consumed, consumed + window): one slot each
    std::mutex mutex;
    std::condition_variable prepared;  // a slot was filled
    std::condition_variable room;      // an item was consumed, or stop
    std::size_t next = 0;              // items below are claimed
    std::size_t consumed = 0;          // items below are taken by the consumer
    std::size_t held = 0;              // weight of the items claimed and not consumed
    bool stop = false;

    auto mayClaim = [&] {
        return next < count && next < consumed + window && (held < limits.maxWeight || next == consumed);
    };
    auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            room.wait(lock, [&] { return stop || next >= count || mayClaim(); });
            if (stop || next >= count) return;
            const std::size_t index = next++;
            lock.unlock();
            Slot slot;
            try {
                slot.item.emplace(prepare(index));
                slot.weight = weigh(*slot.item);
            } catch (...) {
                slot.failure = std::current_exception();
            }
            slot.done = true;
            lock.lock();
            held += slot.weight;
            slots[index % window] = std::move(slot);
            prepared.notify_all();
        }
    };

    std::vector<std::thread> threads;
    // Leaving by an exception must not leave a worker waiting for room that never comes.
    struct Join {
        std::vector<std::thread>& threads;
        std::mutex& mutex;
        std::condition_variable& room;
        bool& stop;
        ~Join() {
            {
                std::lock_guard lock(mutex);
                stop = true;
            }
            room.notify_all();
            for (std::thread& t : threads) t.join();
        }
    } join{threads, mutex, room, stop};
    const std::size_t workers = std::min<std::size_t>(std::max(1u, limits.workers), count);
    for (std::size_t w = 0; w < workers; ++w) threads.emplace_back(work);

    for (std::size_t index = 0; index < count; ++index) {
        Slot slot;
        {
            std::unique_lock lock(mutex);
            Slot& waiting = slots[index % window];
            prepared.wait(lock, [&] { return waiting.done; });
            slot = std::move(waiting);
            waiting = Slot{};
            held -= slot.weight;
            consumed = index + 1;
        }
        room.notify_all();
        if (slot.failure) std::rethrow_exception(slot.failure);
        consume(index, std::move(*slot.item));
    }
}

template <class Prepare, class Consume>
void forEachOrdered(std::size_t count, const OrderedLimits& limits, Prepare&& prepare, Consume&& consume) {
    forEachOrdered(count, limits, std::forward<Prepare>(prepare), std::forward<Consume>(consume),
                   [](const auto&) { return std::size_t{0}; });
}

}  // namespace orbi
