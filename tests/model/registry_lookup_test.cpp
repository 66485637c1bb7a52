// Looking parameters up by id and bringing values into a parameter's range.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "model/parameter_registry.hpp"

namespace orbi {
namespace {

TEST(RegistryLookup, FindParamMatchesWholeIdsExactly) {
    EXPECT_EQ(findParam("osc1_wt_pos"), 0u);
    EXPECT_EQ(findParam("stutter_position"), 383u);
    EXPECT_EQ(findParam("macro3"), 253u);
    EXPECT_EQ(findParam("Osc1_wt_pos"), kUnknownParam);
    EXPECT_EQ(findParam("osc1_wt_pos "), kUnknownParam);
    EXPECT_EQ(findParam(""), kUnknownParam);
    EXPECT_EQ(findParam("osc1_wt_po"), kUnknownParam);  // a prefix of a real id
    EXPECT_EQ(findParam(std::string("osc1_wt_pos\0", 12)), kUnknownParam);
    EXPECT_EQ(kUnknownParam, 384u);
    for (std::size_t i = 0; i < paramCount(); ++i) {
        ASSERT_EQ(findParam(paramAt(i).id), i) << paramAt(i).id;
    }
}

TEST(RegistryLookup, ClampRoundsOnlySteppedAndChoiceKinds) {
    const std::size_t filtType = findParam("filt_type");  // kind 5, 0..9
    EXPECT_EQ(clampParamValue(filtType, 9.6f), 9.0f);    // clamped before rounding, never 10
    EXPECT_EQ(clampParamValue(filtType, 2.5f), 3.0f);
    EXPECT_EQ(clampParamValue(filtType, -0.4f), 0.0f);
    EXPECT_EQ(clampParamValue(filtType, 2.49f), 2.0f);

    const std::size_t tune = findParam("osc1_tune");  // kind 2, -100..100
    EXPECT_EQ(clampParamValue(tune, 150.0f), 100.0f);
    EXPECT_EQ(clampParamValue(tune, -150.0f), -100.0f);
    EXPECT_EQ(clampParamValue(tune, 12.34f), 12.34f);

    EXPECT_EQ(clampParamValue(findParam("delay_division"), 12.0f), 9.0f);

    const std::size_t semi = findParam("osc1_semi");  // kind 3, -12..12: halves away from zero
    EXPECT_EQ(clampParamValue(semi, -2.5f), -3.0f);
    EXPECT_EQ(clampParamValue(semi, 2.5f), 3.0f);
    EXPECT_EQ(clampParamValue(semi, -2.4f), -2.0f);

    EXPECT_EQ(clampParamValue(findParam("osc1_pan"), 0.5f), 0.5f);      // kind 0
    EXPECT_EQ(clampParamValue(findParam("osc1_level"), 0.55f), 0.55f);  // kind 1

    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(clampParamValue(tune, inf), 100.0f);
    EXPECT_EQ(clampParamValue(tune, -inf), -100.0f);
    EXPECT_EQ(clampParamValue(findParam("fx_chain_order"), inf), 719.0f);
}

TEST(RegistryLookup, ClampLetsNotANumberThroughForEveryRow) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (std::size_t i = 0; i < paramCount(); ++i) {
        EXPECT_TRUE(std::isnan(clampParamValue(i, nan))) << paramAt(i).id;
        // Every default is already a value the parameter may hold.
        EXPECT_EQ(clampParamValue(i, paramAt(i).defaultValue), paramAt(i).defaultValue) << paramAt(i).id;
    }
}

}  // namespace
}  // namespace orbi
