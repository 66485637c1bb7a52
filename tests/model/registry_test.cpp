// The parameter table as data (counts per kind, ranges, spot rows), lookup by id and clamping.
// A wrong or shifted row should trip one of the invariants or spot rows.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>

#include "model/choice_lists.hpp"
#include "model/parameter_registry.hpp"

namespace orbi {
namespace {

TEST(Registry, RowInvariantsAndCountsPerKind) {
    ASSERT_EQ(paramCount(), 384u);
    int continuous[3] = {}, stepped = 0, choiceRows[33] = {};
    std::set<std::string> seen;
    for (const ParamSpec& row : parameterRegistry()) {
        const std::string id = row.id;
        ASSERT_LE(row.kind, 32u) << id;
        EXPECT_TRUE(seen.insert(id).second) << "duplicate id " << id;
        for (char c : id) EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') << id;
        EXPECT_LT(row.min, row.max) << id;
        EXPECT_TRUE(row.min <= row.defaultValue && row.defaultValue <= row.max) << id;
        EXPECT_EQ(row.kind == 2, row.unit[0] != '\0') << id;  // kind 2 is exactly the rows with a unit
        if (row.kind < 3) ++continuous[row.kind];
        if (row.kind == 3) ++stepped;
        if (row.kind >= 3) {  // stepped and choice-valued rows hold whole numbers
            EXPECT_EQ(row.min, std::round(row.min)) << id;
            EXPECT_EQ(row.max, std::round(row.max)) << id;
            EXPECT_EQ(row.defaultValue, std::round(row.defaultValue)) << id;
        }
        if (row.kind < 4) continue;
        ++choiceRows[row.kind];
        // A choice row spans its list, except three divisions limited to the first ten entries.
        const bool limited = id == "delay_division" || id == "phaser_division" || id == "flanger_division";
        EXPECT_EQ(row.min, 0.0f) << id;
        EXPECT_EQ(row.max, limited ? 9.0f : static_cast<float>(choiceListFor(row.kind).size() - 1)) << id;
        EXPECT_TRUE(!limited || row.kind == 18u) << id;
    }
    EXPECT_EQ(continuous[0], 19);
    EXPECT_EQ(continuous[1], 144);
    EXPECT_EQ(continuous[2], 94);
    EXPECT_EQ(stepped, 26);
    // Rows per choice kind 4..32, as the lists name their parameters.
    const int perKind[] = {4, 2, 1, 1, 28, 16, 3, 3, 1, 1, 4, 1, 3, 1, 13, 1, 3, 3, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    for (ParamKind kind = 4; kind <= 32; ++kind) EXPECT_EQ(choiceRows[kind], perKind[kind - 4]) << "kind " << kind;
}

TEST(Registry, SpotRowsAndMacroSlots) {
    struct Row {
        std::size_t index;
        const char* id;
        float min, max, defaultValue;
        ParamKind kind;
    };
    const Row rows[] = {
        {0, "osc1_wt_pos", 0, 1, 0, 1},              {4, "osc1_unison", 1, 16, 4, 3},
        {7, "osc1_drift_rate", 0.01f, 0.5f, 0.12f, 2}, {24, "amp_attack", 0.001f, 10, 0.01f, 2},
        {29, "filt_type", 0, 9, 2, 5},                {40, "delay_feedback", 0, 0.95f, 0.4f, 1},
        {107, "autofilter_bypass", 0, 1, 1, 9},       {140, "delay_division", 0, 9, 3, 18},
        {151, "fx_chain_order", 0, 719, 0, 3},        {228, "phaser_feedback", -0.95f, 0.95f, 0, 0},
        {266, "fm_op1_env_r", 0.001f, 10, 10, 2},     {279, "fm_ratio_offset", 0.95f, 1.05f, 1, 0},
        {324, "chord_type", 0, 8, 3, 28},             {338, "mseg1_division", 0, 12, 11, 18},
        {377, "stutter_ramp", 0, 0.75f, 0, 1},        {380, "stutter_mode", 0, 2, 1, 32},
        {383, "stutter_position", 0, 11, 11, 3},
    };
    for (const Row& r : rows) {
        const ParamSpec& row = paramAt(r.index);
        EXPECT_STREQ(row.id, r.id) << r.index;
        EXPECT_EQ(row.min, r.min) << r.id;
        EXPECT_EQ(row.max, r.max) << r.id;
        EXPECT_EQ(row.defaultValue, r.defaultValue) << r.id;
        EXPECT_EQ(row.kind, r.kind) << r.id;
    }
    EXPECT_EQ(macroNumberOf(findParam("macro1")), 1);
    EXPECT_EQ(macroNumberOf(findParam("macro4")), 4);
    EXPECT_EQ(macroNumberOf(77), 0);
    EXPECT_EQ(macroNumberOf(kUnknownParam), 0);
}

TEST(Registry, FindParamMatchesWholeIdsExactly) {
    EXPECT_EQ(findParam("osc1_wt_pos"), 0u);
    EXPECT_EQ(findParam("stutter_position"), 383u);
    EXPECT_EQ(kUnknownParam, 384u);
    for (const char* id : {"Osc1_wt_pos", "osc1_wt_pos ", "", "osc1_wt_po"}) EXPECT_EQ(findParam(id), kUnknownParam) << id;
    EXPECT_EQ(findParam(std::string("osc1_wt_pos\0", 12)), kUnknownParam);
    for (std::size_t i = 0; i < paramCount(); ++i) ASSERT_EQ(findParam(paramAt(i).id), i) << paramAt(i).id;
}

TEST(Registry, ClampThenRoundOnlySteppedAndChoiceKinds) {
    const std::size_t filtType = findParam("filt_type");  // kind 5, 0..9
    EXPECT_EQ(clampParamValue(filtType, 9.6f), 9.0f);     // clamped before rounding, never 10
    EXPECT_EQ(clampParamValue(filtType, 2.5f), 3.0f);
    EXPECT_EQ(clampParamValue(filtType, -0.4f), 0.0f);
    EXPECT_EQ(clampParamValue(findParam("osc1_semi"), -2.5f), -3.0f);  // halves away from zero
    const std::size_t tune = findParam("osc1_tune");                    // kind 2, -100..100
    EXPECT_EQ(clampParamValue(tune, 150.0f), 100.0f);
    EXPECT_EQ(clampParamValue(tune, 12.34f), 12.34f);
    EXPECT_EQ(clampParamValue(tune, -std::numeric_limits<float>::infinity()), -100.0f);
    EXPECT_EQ(clampParamValue(findParam("osc1_pan"), 0.5f), 0.5f);      // kind 0
    EXPECT_EQ(clampParamValue(findParam("osc1_level"), 0.55f), 0.55f);  // kind 1
    EXPECT_EQ(clampParamValue(findParam("delay_division"), 12.0f), 9.0f);
    for (std::size_t i = 0; i < paramCount(); ++i) {
        EXPECT_TRUE(std::isnan(clampParamValue(i, std::numeric_limits<float>::quiet_NaN()))) << paramAt(i).id;
        EXPECT_EQ(clampParamValue(i, paramAt(i).defaultValue), paramAt(i).defaultValue) << paramAt(i).id;
    }
}

}  // namespace
}  // namespace orbi
