// Legacy parameter values and macros as instance params: ids from the registry, choice ids,
// defaults left out, unknown names dropped, no clamping.
#include <gtest/gtest.h>

#include <limits>

#include "convert_test_support.hpp"
#include "model/parameter_registry.hpp"

namespace orbi {
namespace {

using test::compactParams;
using test::convertPreset;
using test::writtenMember;

TEST(ConvertParameters, DefaultsUnknownNamesAndMacrosAtZeroLeaveParamsEmpty) {
    LegacyPreset preset;
    preset.name = "Init";
    preset.parameters = {{"filt_cutoff", 5000.0f}, {"lfo1_shape", 0.0f}, {"no_such_param", 3.0f},
                         {"Filt_cutoff", 100.0f},  {"stutter_bypass", 1.0f}};
    const test::Converted converted = convertPreset(preset);
    EXPECT_TRUE(converted.instance.params.empty());
    EXPECT_EQ(writtenMember(converted, "params"), "{}");
    EXPECT_TRUE(converted.diagnostics.empty());
}

TEST(ConvertParameters, ChoiceIdsNumbersOrderAndMacros) {
    LegacyPreset preset;
    // Legacy parameters come sorted by name; params keep that order, macros follow.
    preset.parameters = {
        {"arp_rate", 4.0f},          // kind 6 -> "1-16t"
        {"filt_cutoff", 30000.0f},   // outside 20..20000: not clamped
        {"filt_type", 9.0f},         // "mg-low24"
        {"lfo2_shape", 5.6f},        // rounds to 6: "custom"
        {"lfo3_shape", 7.6f},        // rounds to 8, past the list: the number as given
        {"macro1", 0.9f},            // macros come from the macro values only
        {"osc1_tune", 12.34f},       // continuous, kept unrounded
        {"osc1_unison", 8.0f},       // stepped: a number
        {"stutter_bypass", 0.0f},    // default 1; 0 is "on"
        {"tape_tone", 0.156093f},
    };
    preset.macros = {0.0f, 0.25f, 0.0f, 1.0f};
    const test::Converted converted = convertPreset(preset);
    EXPECT_EQ(compactParams(converted.instance.params),
              R"({"arp_rate":"1-16t","filt_cutoff":30000,"filt_type":"mg-low24","lfo2_shape":"custom",)"
              R"("lfo3_shape":7.6,"osc1_tune":12.34,"osc1_unison":8,"stutter_bypass":"on",)"
              R"("tape_tone":0.156093,"macro2":0.25,"macro4":1})");
    EXPECT_EQ(writtenMember(converted, "params"), compactParams(converted.instance.params));
}

TEST(ConvertParameters, RepeatedIdsReplaceInPlaceButADefaultDoesNotRemove) {
    LegacyPreset preset;
    preset.parameters = {{"reverb_mix", 0.6f}, {"osc2_level", 0.5f}, {"reverb_mix", 0.9f},
                         {"osc2_level", 0.0f}};
    const test::Converted converted = convertPreset(preset);
    EXPECT_EQ(compactParams(converted.instance.params), R"({"reverb_mix":0.9,"osc2_level":0.5})");
}

TEST(ConvertParameters, OddFloatsKeepTheirFloatSpelling) {
    LegacyPreset preset;
    preset.parameters = {{"amp_attack", 0.1f},
                         {"master_tune", -1e-7f},
                         {"osc1_pan", std::numeric_limits<float>::quiet_NaN()},
                         {"osc1_wt_pos", 0.30000004f}};
    const test::Converted converted = convertPreset(preset);
    const JsonValue* nan = findEntry(converted.instance.params, "osc1_pan");
    ASSERT_NE(nan, nullptr);  // NaN differs from every default, so it is stored, as a number without text
    EXPECT_TRUE(nan->isNumber());
    EXPECT_TRUE(nan->numberText.empty());
    EXPECT_EQ(findEntry(converted.instance.params, "amp_attack")->numberText, "0.1");
    EXPECT_EQ(findEntry(converted.instance.params, "amp_attack")->number, static_cast<double>(0.1f));
    EXPECT_EQ(findEntry(converted.instance.params, "master_tune")->numberText, "-1e-07");
    EXPECT_EQ(findEntry(converted.instance.params, "osc1_wt_pos")->numberText, "0.30000004");
}

TEST(ConvertParameters, ConvertingIntoAUsedInstanceDropsOldRegistryValuesOnly) {
    InstanceDocument instance;
    setEntry(instance.params, "lfo1_shape", JsonValue::makeString("chaos"));
    setEntry(instance.params, "vendor_private", JsonValue::makeNumber(3));
    setEntry(instance.params, "filt_reso", JsonValue::makeNumber(0.7));
    LegacyPreset preset;
    preset.parameters = {{"filt_reso", 0.2f}, {"lfo1_shape", 0.0f}};
    Package package;
    DiagnosticList diagnostics;
    convertLegacyPreset(instance, package, preset, "id", diagnostics);
    // lfo1_shape at its default is not stored, and the old "chaos" is gone with the other registry ids.
    EXPECT_EQ(test::compactParams(instance.params), R"({"vendor_private":3,"filt_reso":0.2})");
}

}  // namespace
}  // namespace orbi
