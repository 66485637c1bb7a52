// Frame counting for wavetable files (see wavetable_file.hpp).
#include "convert/wavetable_file.hpp"

#include <limits>

namespace orbi {

std::optional<std::int32_t> wavetableFrameCount(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || bytes.size() % kWavetableFrameBytes != 0) return std::nullopt;
    const std::size_t frames = bytes.size() / kWavetableFrameBytes;
    if (frames > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return std::nullopt;
    return static_cast<std::int32_t>(frames);
}

}  // namespace orbi
