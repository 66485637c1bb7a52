// Measures what a piece of code allocates: the largest single block and the peak of live bytes
// above where it started. Only sanitizer builds can watch; elsewhere nothing is measured.
#pragma once

#include <cstddef>
#include <functional>

namespace orbi::test {

struct AllocationUsage {
    bool measured = false;       // false where this build cannot watch allocations
    std::size_t largestBlock = 0;
    std::size_t peakGrowth = 0;  // peak of live bytes above what was live before
};

AllocationUsage measureAllocations(const std::function<void()>& run);

}  // namespace orbi::test
