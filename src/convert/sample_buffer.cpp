// Decoding "OSS1" sample files. The length is checked against the header before anything is
// allocated, so a lying header can cost at most the bounded frame count, never more.
#include "convert/sample_buffer.hpp"

#include <bit>
#include <cstring>

namespace orbi::dsp {

namespace {

std::uint32_t readU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t readU64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(readU32(p)) | static_cast<std::uint64_t>(readU32(p + 4)) << 32;
}

void readFloats(const std::uint8_t* p, std::size_t count, std::vector<float>& out) {
    out.resize(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = std::bit_cast<float>(readU32(p + 4 * i));
}

}  // namespace

std::shared_ptr<SampleBuffer> decodeSampleFile(std::span<const std::uint8_t> bytes) {
    auto sample = std::make_shared<SampleBuffer>();
    if (bytes.size() < kSampleHeaderSize || std::memcmp(bytes.data(), "OSS1", 4) != 0) return nullptr;
    const auto channels = static_cast<std::int32_t>(readU32(bytes.data() + 4));
    const auto frames = static_cast<std::int32_t>(readU32(bytes.data() + 8));
    if (channels != 1 && channels != 2) return nullptr;
    if (frames < 0 || frames > kMaxSampleFrames) return nullptr;
    const std::size_t count = static_cast<std::size_t>(frames);
    const std::size_t dataSize = static_cast<std::size_t>(channels) * count * 4;
    if (bytes.size() != kSampleHeaderSize + dataSize) return nullptr;

    sample->sampleRate = std::bit_cast<double>(readU64(bytes.data() + 12));
    const std::uint8_t* data = bytes.data() + kSampleHeaderSize;
    readFloats(data, count, sample->left);
    if (channels == 2) {
        readFloats(data + count * 4, count, sample->right);
    } else {
        sample->right = sample->left;
    }
    return sample;
}

bool channelsIdentical(const SampleBuffer& sample) {
    if (sample.left.size() != sample.right.size()) return false;
    for (std::size_t i = 0; i < sample.left.size(); ++i) {
        const float a = sample.left[i];
        const float b = sample.right[i];
        // Equal as numbers, or the very same bits (a NaN copied into both channels is identical).
        if (a != b && std::bit_cast<std::uint32_t>(a) != std::bit_cast<std::uint32_t>(b)) return false;
    }
    return true;
}

}  // namespace orbi::dsp
