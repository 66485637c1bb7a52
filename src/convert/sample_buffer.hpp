// Decoding the sample files that packages carry: an "OSS1" header followed by 32-bit float
// frames, channel by channel. The result is the plugin's in-memory sample, SampleBuffer.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace orbi::dsp {

// A decoded sample: always two channels (a mono file is held as two identical channels), then
// the rate it was recorded at.
struct SampleBuffer {
    std::vector<float> left;
    std::vector<float> right;
    double sampleRate = 44100.0;
};

// Header layout, all little-endian: "OSS1", channel count (i32, 1 or 2), frame count
// (i32, 0 to kMaxSampleFrames), sample rate (f64); then channels * frames floats.
inline constexpr std::size_t kSampleHeaderSize = 20;
inline constexpr std::int32_t kMaxSampleFrames = 1323000;

// The buffer, shared from the moment decoding starts; null when the bytes are not a sample
// file of exactly the length its header announces.
std::shared_ptr<SampleBuffer> decodeSampleFile(std::span<const std::uint8_t> bytes);

// True when the two channels hold the same value at every frame (a mono recording).
bool channelsIdentical(const SampleBuffer& sample);

}  // namespace orbi::dsp
