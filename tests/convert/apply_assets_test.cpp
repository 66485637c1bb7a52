// Applying the asset slots: factory references, package assets decoded as wavetables (whole
// frames of 2048 floats) and OSS1 samples (mono or stereo), and the fallback to the default
// sound when an asset is absent or does not decode.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <type_traits>

#include "convert/sample_buffer.hpp"
#include "convert_test_support.hpp"

namespace orbi::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A 4- or 8-byte value of an asset file, little-endian.
template <typename T>
void put(Bytes& out, T value) {
    std::conditional_t<sizeof(T) == 8, std::uint64_t, std::uint32_t> bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (std::size_t i = 0; i < sizeof bits; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

// An "OSS1" sample file: header as given, then the channels one after the other.
Bytes sampleFile(std::int32_t channels, std::int32_t frames, double rate, const std::vector<std::vector<float>>& data) {
    Bytes out = {'O', 'S', 'S', '1'};
    put(out, channels);
    put(out, frames);
    put(out, rate);
    for (const auto& channel : data) {
        for (float f : channel) put(out, f);
    }
    return out;
}

// Asset names need only look like digests here: applying finds assets by name and does not
// hash them (the package reader has already done that).
std::string digest(char c) { return std::string(64, c); }

Applied applyAssets(std::string_view assets, std::vector<PackageAsset> files, std::string_view state = "{}") {
    Package package;
    package.document = parseText(orbitrone(std::string(R"(,"state":)") + std::string(state) + R"(,"assets":)" +
                                           std::string(assets)));
    package.assets = std::move(files);
    return applyPackage(package);
}

Bytes wavetable(std::size_t frames) {
    Bytes out;
    for (std::size_t i = 0; i < frames * 2048; ++i) put(out, static_cast<float>(i % 2048) / 2048.0f);
    return out;
}

const std::string kMissing = " | The imported audio is missing or does not read; it plays the default";

Lines slotsOf(const LegacyPreset& p) { return {p.wavetable1, p.wavetable2, p.sample1, p.sample2, p.sample3}; }

TEST(ApplyAssets, FactoryReferences) {
    Applied a = applyAssets(R"({"osc3.sample":"factory:bowed_metal","osc1.table":"factory:pad","osc4.sample":"factory:x",
        "osc2.table":"factory:","osc1.sample":5,"osc2.sample":"Factory:x"})", {});
    ASSERT_TRUE(a.preset);
    EXPECT_EQ(slotsOf(*a.preset), (Lines{"factory:pad", "", "", "", "factory_sample:bowed_metal"}));
    // Only the reader complains about the unreadable references; applying leaves the slots empty.
    const std::string badRef = " | Expected factory:<name> or asset:<sha256>; kept as written, not loaded";
    EXPECT_EQ(lines(a.diagnostics), (Lines{"W bad-asset-ref /assets/osc2.table" + badRef,
                                           "W bad-asset-ref /assets/osc1.sample" + badRef,
                                           "W bad-asset-ref /assets/osc2.sample" + badRef}));
    EXPECT_TRUE(a.preset->bundleFiles.empty());
}

TEST(ApplyAssets, WavetableFramesBecomeBundleFilesOncePerSlot) {
    const Bytes table = wavetable(3);
    ASSERT_EQ(table.size(), 24576u);
    Applied a = applyAssets(R"({"osc2.table":"asset:)" + digest('a') + R"(","osc1.table":"asset:)" + digest('a') + R"("})",
                            {{digest('a'), table}},
                            R"({"imports":{"osc2.table":{"name":"Glass","file":"glass.wav"},"osc1.table":{"name":5}}})");
    ASSERT_TRUE(a.preset);
    EXPECT_TRUE(a.diagnostics.empty());
    EXPECT_EQ(slotsOf(*a.preset), (Lines{"bundled:wavetables/osc1.f32", "bundled:wavetables/osc2.f32", "", "", ""}));
    EXPECT_EQ(a.preset->bundledWavetables, (std::vector<WavetableRecord>{{"wavetables/osc1.f32", "", "", 3, 2048},
                                                                         {"wavetables/osc2.f32", "Glass", "glass.wav", 3, 2048}}));
    ASSERT_EQ(a.preset->bundleFiles.size(), 2u);
    EXPECT_EQ(a.preset->bundleFiles.at("wavetables/osc2.f32"), table);

    // 0 and 8191 bytes are no whole frame, 8193 no OSS1 sample; an absent asset plays the default too.
    Applied bad = applyAssets(R"({"osc1.table":"asset:)" + digest('1') + R"(","osc2.table":"asset:)" + digest('2') +
                                  R"(","osc1.sample":"asset:)" + digest('3') + R"(","osc2.sample":"asset:)" + digest('4') + R"("})",
                              {{digest('1'), {}}, {digest('2'), Bytes(8191)}, {digest('4'), Bytes(8193)}});
    ASSERT_TRUE(bad.preset);
    EXPECT_EQ(lines(bad.diagnostics), (Lines{"W asset-missing /assets/osc1.table" + kMissing,
                                             "W asset-missing /assets/osc2.table" + kMissing,
                                             "W asset-missing /assets/osc1.sample" + kMissing,
                                             "W asset-missing /assets/osc2.sample" + kMissing}));
    EXPECT_EQ(slotsOf(*bad.preset), (Lines{"factory:analog_stack", "factory:analog_stack", "factory_sample:bowed_metal",
                                           "factory_sample:bowed_metal", ""}));
    EXPECT_TRUE(bad.preset->bundleFiles.empty() && bad.preset->bundledWavetables.empty() &&
                bad.preset->bundledSamples.empty());
}

TEST(ApplyAssets, SamplesMonoAndStereo) {
    const Bytes stereo = sampleFile(2, 3, 48000.0, {{0.1f, 0.2f, 0.3f}, {0.1f, 0.2f, -0.3f}});
    const Bytes sameTwice = sampleFile(2, 3, 44100.0, {{0.1f, 0.2f, 0.3f}, {0.1f, 0.2f, 0.3f}});
    const Bytes mono = sampleFile(1, 2, 22050.0, {{0.5f, -0.5f}});
    Applied a = applyAssets(R"({"osc1.sample":"asset:)" + digest('a') + R"(","osc2.sample":"asset:)" + digest('b') +
                                R"(","osc3.sample":"asset:)" + digest('c') + R"("})",
                            {{digest('c'), mono}, {digest('a'), stereo}, {digest('b'), sameTwice}},
                            R"({"imports":{"osc3.sample":{"name":"Voice","file":"voice.wav"}}})");
    ASSERT_TRUE(a.preset);
    EXPECT_TRUE(a.diagnostics.empty());
    EXPECT_EQ(slotsOf(*a.preset), (Lines{"", "", "bundled:samples/osc1.f32", "bundled:samples/osc2.f32",
                                         "bundled:samples/osc3.f32"}));
    EXPECT_EQ(a.preset->bundledSamples, (std::vector<SampleRecord>{
                                            {"samples/osc1.f32", "", "", 3, 2, 48000.0},
                                            {"samples/osc2.f32", "", "", 3, 1, 44100.0},
                                            {"samples/osc3.f32", "Voice", "voice.wav", 2, 1, 22050.0},
                                        }));
    EXPECT_EQ(a.preset->bundleFiles.at("samples/osc1.f32"), stereo);
    EXPECT_EQ(a.preset->bundleFiles.at("samples/osc3.f32"), mono);

    // Decoding reads channel by channel; identical means the same value, so signed zeros agree,
    // and so does a NaN copied into both channels.
    auto decoded = dsp::decodeSampleFile(sampleFile(2, 2, 48000.5, {{1.0f, 2.0f}, {3.0f, 4.0f}}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->left, (std::vector<float>{1.0f, 2.0f}));
    EXPECT_EQ(decoded->right, (std::vector<float>{3.0f, 4.0f}));
    EXPECT_EQ(decoded->sampleRate, 48000.5);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto zeros = dsp::decodeSampleFile(sampleFile(2, 2, 44100.0, {{0.0f, nan}, {-0.0f, nan}}));
    ASSERT_TRUE(zeros);
    EXPECT_TRUE(dsp::channelsIdentical(*zeros));
}

TEST(ApplyAssets, SamplesThatDoNotDecode) {
    Bytes threeChannels = sampleFile(3, 1, 44100.0, {{0.0f, 0.0f, 0.0f}});
    Bytes tooManyFrames = sampleFile(1, 1323001, 44100.0, {std::vector<float>(1323001, 0.0f)});
    Bytes oneShort = sampleFile(2, 2, 44100.0, {{0.0f, 0.0f}, {0.0f, 0.0f}});
    oneShort.pop_back();
    Bytes oneLong = sampleFile(1, 2, 44100.0, {{0.0f, 0.0f}});
    oneLong.push_back(0);
    Bytes badMagic = sampleFile(1, 1, 44100.0, {{0.0f}});
    badMagic[3] = '2';
    Bytes negativeFrames = sampleFile(1, -1, 44100.0, {});
    Bytes zeroChannels = sampleFile(0, 0, 44100.0, {});
    Bytes headerOnly(19, 0);
    for (const Bytes& bad : {threeChannels, tooManyFrames, oneShort, oneLong, badMagic, negativeFrames, zeroChannels,
                             headerOnly, Bytes{}}) {
        Applied a = applyAssets(R"({"osc2.sample":"asset:)" + digest('e') + R"("})", {{digest('e'), bad}});
        ASSERT_TRUE(a.preset);
        EXPECT_EQ(lines(a.diagnostics), (Lines{"W asset-missing /assets/osc2.sample" + kMissing})) << bad.size();
        EXPECT_EQ(a.preset->sample2, "factory_sample:bowed_metal");
        EXPECT_TRUE(a.preset->bundledSamples.empty());
    }
    // The largest frame count still reads, and an empty sample is a sample.
    Bytes largest = sampleFile(1, 1323000, 96000.0, {std::vector<float>(1323000, 0.25f)});
    Bytes empty = sampleFile(2, 0, 44100.0, {});
    Applied ok = applyAssets(R"({"osc1.sample":"asset:)" + digest('f') + R"(","osc2.sample":"asset:)" + digest('0') + R"("})",
                             {{digest('f'), largest}, {digest('0'), empty}});
    EXPECT_TRUE(ok.diagnostics.empty());
    ASSERT_EQ(ok.preset->bundledSamples.size(), 2u);
    EXPECT_EQ(ok.preset->bundledSamples[0].length, 1323000);
    EXPECT_EQ(ok.preset->bundledSamples[0].channels, 1);
    EXPECT_EQ(ok.preset->bundledSamples[1].length, 0);
}

}  // namespace
}  // namespace orbi::test
