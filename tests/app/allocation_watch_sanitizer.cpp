// Allocation watching through the sanitizer runtime's malloc hooks. The hooks are weak references:
// in a build without a sanitizer they are absent and nothing is measured.
#include <atomic>

#include "allocation_watch.hpp"

extern "C" [[gnu::weak]] int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, std::size_t),
                                                                      void (*)(const volatile void*));
extern "C" [[gnu::weak]] std::size_t __sanitizer_get_current_allocated_bytes();

namespace orbi::test {
namespace {

std::atomic<bool> gWatching{false};
std::atomic<std::size_t> gLargestBlock{0};
std::atomic<std::size_t> gPeakLive{0};

void onMalloc(const volatile void*, std::size_t size) {
    if (!gWatching.load(std::memory_order_relaxed)) return;
    if (size > gLargestBlock.load(std::memory_order_relaxed)) gLargestBlock.store(size, std::memory_order_relaxed);
    const std::size_t live = __sanitizer_get_current_allocated_bytes();
    if (live > gPeakLive.load(std::memory_order_relaxed)) gPeakLive.store(live, std::memory_order_relaxed);
}
void onFree(const volatile void*) {}

}  // namespace

AllocationUsage measureAllocations(const std::function<void()>& run) {
    // The runtime keeps hooks for good, so they are installed once and armed per measurement.
    static const bool hooked = __sanitizer_install_malloc_and_free_hooks != nullptr &&
                               __sanitizer_get_current_allocated_bytes != nullptr &&
                               __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
    AllocationUsage usage;
    if (!hooked) {
        run();
        return usage;
    }
    const std::size_t before = __sanitizer_get_current_allocated_bytes();
    gLargestBlock = 0;
    gPeakLive = before;
    gWatching = true;
    run();
    gWatching = false;
    usage.measured = true;
    usage.largestBlock = gLargestBlock;
    usage.peakGrowth = gPeakLive - before;
    return usage;
}

}  // namespace orbi::test
