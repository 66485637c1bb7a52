// Wavetable files carried by packages: no header, only frames of 2048 little-endian 32-bit
// floats. Every bit pattern is a float, so the length alone decides whether a file reads.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace orbi {

inline constexpr std::size_t kWavetableFrameSize = 2048;
inline constexpr std::size_t kWavetableFrameBytes = kWavetableFrameSize * 4;

// The number of frames, or nothing when the length is not a positive multiple of one frame
// (or would not fit a 32-bit count).
std::optional<std::int32_t> wavetableFrameCount(std::span<const std::uint8_t> bytes);

}  // namespace orbi
