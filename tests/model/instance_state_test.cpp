// Section names of an instance's scope, the asset slot table and the routing and point keys.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "model/asset_slots.hpp"
#include "model/instance_members.hpp"
#include "model/sections.hpp"

namespace orbi {
namespace {

TEST(Sections, NamesAndNumbersBothWays) {
    const std::vector<std::string> names = {
        "oscillators",    "filter",         "modulation",           "effects",       "effect_autofilter",
        "effect_distortion", "effect_chorus", "effect_delay",        "effect_reverb", "effect_eq",
        "effect_volume_shaper", "effect_tape", "effect_phaser",      "effect_flanger", "effect_disperser",
        "effect_texture", "effect_stutter"};
    ASSERT_EQ(names.size(), 17u);
    for (int n = 1; n <= 17; ++n) {
        EXPECT_EQ(sectionName(n), names[static_cast<std::size_t>(n - 1)]);
        EXPECT_EQ(sectionNumber(names[static_cast<std::size_t>(n - 1)]), n);
        EXPECT_TRUE(isKnownScope(names[static_cast<std::size_t>(n - 1)]));
    }
    EXPECT_EQ(sectionName(0), "complete");
    EXPECT_EQ(sectionName(18), "complete");
    EXPECT_EQ(sectionName(-1), "complete");
    EXPECT_EQ(sectionNumber("complete"), 0);
    EXPECT_EQ(sectionNumber("Filter"), 0);
    EXPECT_EQ(sectionNumber("filter "), 0);
    EXPECT_EQ(sectionNumber(""), 0);
    EXPECT_TRUE(isKnownScope("complete"));
    EXPECT_FALSE(isKnownScope("Filter"));
    EXPECT_FALSE(isKnownScope(""));
    EXPECT_FALSE(isKnownScope("Complete"));
}

TEST(AssetSlots, FiveSlotsInTheirFixedOrder) {
    ASSERT_EQ(kAssetSlots.size(), 5u);
    const char* names[] = {"osc1.table", "osc2.table", "osc1.sample", "osc2.sample", "osc3.sample"};
    const int oscillators[] = {1, 2, 1, 2, 3};
    for (std::size_t i = 0; i < 5; ++i) {
        const AssetSlot& slot = kAssetSlots[i];
        EXPECT_EQ(slot.name, names[i]);
        EXPECT_EQ(slot.oscillator, oscillators[i]);
        const bool wavetable = i < 2;
        EXPECT_EQ(slot.holds, wavetable ? AssetSlotKind::Wavetable : AssetSlotKind::Sample);
        EXPECT_EQ(slot.factoryPrefix, wavetable ? "factory:" : "factory_sample:");
        EXPECT_EQ(slot.defaultReference, wavetable ? "factory:analog_stack" : "factory_sample:bowed_metal");
    }
}

TEST(InstanceMembers, RoutingKeysCountRepeatsOfOneSourceAndTarget) {
    // Three routings: two from lfo1 to filt_cutoff, one from lfo1 to filt_reso, keyed the way the
    // conversion counts them.
    const std::vector<std::pair<std::string, std::string>> routings = {
        {"lfo1", "filt_cutoff"}, {"lfo1", "filt_cutoff"}, {"lfo1", "filt_reso"}};
    std::map<std::string, std::size_t> counts;
    std::vector<std::string> keys;
    for (const auto& [source, target] : routings) {
        const std::size_t ordinal = ++counts[source + ">" + target];
        keys.push_back(member::routingKey(source, target, ordinal));
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"lfo1>filt_cutoff", "lfo1>filt_cutoff#2", "lfo1>filt_reso"}));
    EXPECT_EQ(member::routingKey("macro1", "osc1_level", 12), "macro1>osc1_level#12");
    EXPECT_EQ(member::routingKey("", "", 1), ">");
}

TEST(InstanceMembers, PointIdsCountFromOne) {
    EXPECT_EQ(member::pointId(0), "p1");
    EXPECT_EQ(member::pointId(9), "p10");
}

}  // namespace
}  // namespace orbi
