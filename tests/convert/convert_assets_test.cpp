// Asset slots: factory references, carried bundle files stored once per digest (published SHA-256
// digests as the control), the import records, and "asset-not-saved" with the slot's default.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "convert_test_support.hpp"
#include "library/package.hpp"

namespace orbi::test {
namespace {

// Published SHA-256 digests (FIPS 180-2 example "abc" and the empty message).
constexpr const char* kAbcDigest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr const char* kEmptyDigest = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

// Each asset as name + ":" + its bytes as text, in package order.
Lines assetsOf(const std::vector<PackageAsset>& assets) {
    Lines out;
    for (const PackageAsset& a : assets) out.push_back(a.name + ":" + std::string(a.data.begin(), a.data.end()));
    return out;
}

TEST(ConvertAssets, FactoryReferencesAndEmptySlots) {
    LegacyPreset preset;
    preset.wavetable1 = "factory:glass_pad";
    preset.sample1 = "factory_sample:bowed_metal";
    preset.sample3 = "factory_sample:";  // the rest is empty and is stored as it is
    const Converted converted = convertPreset(preset);
    EXPECT_EQ(writtenMember(converted, "assets"),
              R"({"osc1.table":"factory:glass_pad","osc1.sample":"factory:bowed_metal","osc3.sample":"factory:"})");
    EXPECT_TRUE(converted.diagnostics.empty());
    EXPECT_TRUE(converted.package.assets.empty());
    EXPECT_EQ(writtenState(converted, "imports"), "<absent>");

    const Converted none = convertPreset(LegacyPreset{});
    EXPECT_EQ(writtenMember(none, "assets"), "<absent>");
}

TEST(ConvertAssets, CarriedFilesBecomeAssetsStoredOncePerDigest) {
    LegacyPreset preset;
    preset.bundleFiles["wavetables/pad.wav"] = bytesOf("abc");
    preset.bundleFiles["samples/hit.wav"] = bytesOf("abc");  // other name, same bytes
    preset.bundleFiles["samples/empty.wav"] = {};
    preset.wavetable1 = "bundled:wavetables/pad.wav";
    preset.wavetable2 = "bundled:wavetables/pad.wav";
    preset.sample2 = "bundled:samples/hit.wav";
    preset.sample3 = "bundled:samples/empty.wav";
    preset.bundledWavetables = {{"wavetables/pad.wav", "Pad", "C:/Users/me/pad.wav", 64, 2048}};
    preset.bundledSamples = {{"samples/other.wav", "Other", "other.wav", 10, 1, 44100.0},
                             {"samples/hit.wav", "Hit", "D:/hits/hit.wav", 10, 2, 48000.0},
                             {"samples/hit.wav", "Second", "never.wav", 10, 2, 48000.0}};
    const Converted converted = convertPreset(preset);

    const std::string abc = std::string("asset:") + kAbcDigest;
    const std::string empty = std::string("asset:") + kEmptyDigest;
    EXPECT_EQ(writtenMember(converted, "assets"), R"({"osc1.table":")" + abc + R"(","osc2.table":")" + abc +
                                                      R"(","osc2.sample":")" + abc + R"(","osc3.sample":")" +
                                                      empty + R"("})");
    EXPECT_EQ(assetsOf(converted.package.assets), (Lines{std::string(kAbcDigest) + ":abc", std::string(kEmptyDigest) + ":"}));
    EXPECT_EQ(writtenState(converted, "imports"),
              R"({"osc1.table":{"name":"Pad","file":"C:/Users/me/pad.wav"},)"
              R"("osc2.table":{"name":"Pad","file":"C:/Users/me/pad.wav"},)"
              R"("osc2.sample":{"name":"Hit","file":"D:/hits/hit.wav"},)"
              R"("osc3.sample":{"name":"","file":""}})");
    EXPECT_TRUE(converted.diagnostics.empty());
    EXPECT_EQ(preset.bundleFiles.at("wavetables/pad.wav"), bytesOf("abc"));  // the caller's preset keeps its files

    // The package writes and reads back with its assets, each hashing to its name.
    DiagnosticList diagnostics;
    const std::optional<std::vector<std::uint8_t>> file = writePackage(converted.package, diagnostics);
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(isZipSignature(*file));
    const std::optional<Package> read = readPackage(*file, "instance.json", ZipLimits{}, diagnostics);
    ASSERT_TRUE(read.has_value());
    EXPECT_TRUE(diagnostics.empty());
    EXPECT_EQ(writeDocument(read->document), writeDocument(converted.package.document));
    EXPECT_EQ(assetsOf(read->assets), assetsOf(converted.package.assets));
}

TEST(ConvertAssets, MissingAudioDrawsTheWarningAndTheSlotDefault) {
    LegacyPreset preset;
    preset.bundleFiles["pad.wav"] = bytesOf("abc");
    preset.wavetable1 = "bundled:Pad.wav";                // names are case-sensitive
    preset.wavetable2 = "factory_sample:bowed_metal";     // the other kind's prefix
    preset.sample1 = "bundled:";                          // no entry with an empty name
    preset.sample2 = "C:/Users/me/kick.wav";              // neither form
    preset.sample3 = "factory:glass_pad";                 // a wavetable prefix in a sample slot
    const Converted converted = convertPreset(preset);

    EXPECT_EQ(writtenMember(converted, "assets"),
              R"({"osc1.table":"factory:analog_stack","osc2.table":"factory:analog_stack",)"
              R"("osc1.sample":"factory:bowed_metal","osc2.sample":"factory:bowed_metal",)"
              R"("osc3.sample":"factory:bowed_metal"})");
    const std::string gone = " is gone; saved as the default";
    EXPECT_EQ(lines(converted.diagnostics),
              (Lines{"W asset-not-saved /assets/osc1.table | The imported audio behind bundled:Pad.wav" + gone,
                     "W asset-not-saved /assets/osc2.table | The imported audio behind factory_sample:bowed_metal" + gone,
                     "W asset-not-saved /assets/osc1.sample | The imported audio behind bundled:" + gone,
                     "W asset-not-saved /assets/osc2.sample | The imported audio behind C:/Users/me/kick.wav" + gone,
                     "W asset-not-saved /assets/osc3.sample | The imported audio behind factory:glass_pad" + gone}));
    EXPECT_TRUE(converted.package.assets.empty());
    EXPECT_EQ(writtenState(converted, "imports"), "<absent>");

    // "bundled:" alone is carried when there is an entry with an empty name.
    LegacyPreset emptyName;
    emptyName.bundleFiles[""] = bytesOf("abc");
    emptyName.sample1 = "bundled:";
    const Converted carried = convertPreset(emptyName);
    EXPECT_TRUE(carried.diagnostics.empty());
    EXPECT_EQ(writtenMember(carried, "assets"), std::string(R"({"osc1.sample":"asset:)") + kAbcDigest + "\"}");
}

TEST(ConvertAssets, AGivenUpPresetHandsItsBytesOverWithoutCopies) {
    std::vector<std::uint8_t> big(3 * 1024 * 1024);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7 + (i >> 12));
    LegacyPreset preset;
    preset.bundleFiles["s.wav"] = big;
    const std::uint8_t* const original = preset.bundleFiles["s.wav"].data();
    preset.sample1 = preset.sample2 = "bundled:s.wav";
    preset.wavetable1 = "bundled:gone.wav";

    InstanceDocument instance;
    Package package;
    DiagnosticList diagnostics;
    convertLegacyPreset(instance, package, std::move(preset), "id", diagnostics);
    ASSERT_EQ(package.assets.size(), 1u);
    EXPECT_EQ(package.assets[0].data.data(), original);  // the very buffer, moved
    EXPECT_EQ(package.assets[0].data, big);
    ASSERT_EQ(instance.assets.size(), 3u);
    EXPECT_EQ(instance.assets[1].value, instance.assets[2].value);  // both sample slots, one asset
    EXPECT_EQ(instance.assets[1].value.string, "asset:" + package.assets[0].name);
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_EQ(diagnostics[0].path, "/assets/osc1.table");

    // The copying form gives the same result.
    LegacyPreset kept;
    kept.bundleFiles["s.wav"] = big;
    kept.sample1 = kept.sample2 = "bundled:s.wav";
    kept.wavetable1 = "bundled:gone.wav";
    const Converted copied = convertPreset(kept, "id");
    EXPECT_EQ(copied.package.document, package.document);
    EXPECT_EQ(copied.package.assets[0].name, package.assets[0].name);
}

}  // namespace
}  // namespace orbi::test
