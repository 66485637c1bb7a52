// Choice lists per kind and the mappings between parameter values and choice ids.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "model/choice_lists.hpp"
#include "model/parameter_registry.hpp"

namespace orbi {
namespace {

using namespace std::string_view_literals;

std::size_t idx(const char* id) {
    const std::size_t i = findParam(id);
    EXPECT_NE(i, kUnknownParam) << id;
    return i;
}

TEST(ChoiceLists, ListLengthsByKindAndNoListOutsideTheChoiceKinds) {
    const std::size_t lengths[] = {8, 10, 6, 8, 2, 2, 5, 2, 2, 2, 2, 3, 2, 2, 13,
                                   3, 5, 2, 2, 5, 5, 12, 11, 4, 9, 3, 5, 3, 3};
    for (ParamKind kind = 4; kind <= 32; ++kind) {
        EXPECT_EQ(choiceListFor(kind).size(), lengths[kind - 4]) << "kind " << kind;
    }
    for (ParamKind kind : {0u, 1u, 2u, 3u, 33u, 1000u, 0xFFFFFFFFu}) {
        EXPECT_TRUE(choiceListFor(kind).empty()) << "kind " << kind;
    }
}

TEST(ChoiceLists, ChoiceIdsAreLowerCaseHyphenatedAndUniqueWithinTheirList) {
    for (ParamKind kind = 4; kind <= 32; ++kind) {
        std::set<std::string_view> seen;
        for (std::string_view id : choiceListFor(kind)) {
            EXPECT_TRUE(seen.insert(id).second) << id;
            ASSERT_FALSE(id.empty());
            for (char c : id) {
                EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') << id;
            }
        }
    }
}

TEST(ChoiceLists, SelectedEntries) {
    EXPECT_EQ(choiceListFor(4).back(), "chaos");
    EXPECT_EQ(choiceListFor(5)[9], "mg-low24");
    EXPECT_EQ(choiceListFor(9)[0], "on");
    EXPECT_EQ(choiceListFor(9)[1], "bypass");
    EXPECT_EQ(choiceListFor(10)[2], "karplus-strong");
    EXPECT_EQ(choiceListFor(18)[8], "1-16t");
    EXPECT_EQ(choiceListFor(18)[12], "2-bars");
    EXPECT_EQ(choiceListFor(24)[3], "stack-of-3");
    EXPECT_EQ(choiceListFor(25)[10], "a-sharp");
    EXPECT_EQ(choiceListFor(26)[9], "pentatonic-minor");
    EXPECT_EQ(choiceListFor(28)[4], "triad-7");
    EXPECT_EQ(choiceListFor(30)[4], "4-bars");
    EXPECT_EQ(choiceListFor(32)[2], "gate");
}

TEST(ChoiceLists, HasChoicesFollowsTheKind) {
    for (std::size_t i = 0; i < paramCount(); ++i) {
        EXPECT_EQ(hasChoices(i), paramAt(i).kind >= 4) << paramAt(i).id;
    }
}

TEST(ChoiceLists, ChoiceIdForRoundsButDoesNotClamp) {
    const std::size_t shape = idx("lfo1_shape");
    EXPECT_EQ(choiceIdFor(shape, 2.0f), "saw-up"sv);
    EXPECT_EQ(choiceIdFor(shape, 2.4f), "saw-up"sv);
    EXPECT_EQ(choiceIdFor(shape, 7.0f), "chaos"sv);
    EXPECT_EQ(choiceIdFor(shape, 7.5f), std::nullopt);
    EXPECT_EQ(choiceIdFor(shape, -0.4f), "sine"sv);
    EXPECT_EQ(choiceIdFor(shape, -0.6f), std::nullopt);
    EXPECT_EQ(choiceIdFor(shape, std::numeric_limits<float>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(choiceIdFor(shape, std::numeric_limits<float>::infinity()), std::nullopt);
    EXPECT_EQ(choiceIdFor(shape, -std::numeric_limits<float>::infinity()), std::nullopt);
    EXPECT_EQ(choiceIdFor(shape, 3e38f), std::nullopt);
    // The registry range does not limit choice ids: delay_division's max is 9, its list has 13.
    EXPECT_EQ(choiceIdFor(idx("delay_division"), 12.0f), "2-bars"sv);
    // Stepped and continuous parameters have no choice ids.
    EXPECT_EQ(choiceIdFor(idx("osc1_unison"), 4.0f), std::nullopt);
    EXPECT_EQ(choiceIdFor(idx("osc1_level"), 0.0f), std::nullopt);
}

TEST(ChoiceLists, ValueForChoiceIdMatchesExactly) {
    const std::size_t filt = idx("filt_type");
    EXPECT_EQ(valueForChoiceId(filt, "mg-low24"), 9.0f);
    EXPECT_EQ(valueForChoiceId(filt, "off"), 0.0f);
    EXPECT_EQ(valueForChoiceId(filt, "MG-LOW24"), std::nullopt);
    EXPECT_EQ(valueForChoiceId(filt, "lp24 "), std::nullopt);
    EXPECT_EQ(valueForChoiceId(filt, ""), std::nullopt);
    EXPECT_EQ(valueForChoiceId(filt, "lp2"), std::nullopt);
    EXPECT_EQ(valueForChoiceId(filt, "saw-up"), std::nullopt);  // another list's id
    EXPECT_EQ(valueForChoiceId(idx("osc1_unison"), "on"), std::nullopt);

    // One id, three lists: the parameter decides which list applies.
    EXPECT_EQ(valueForChoiceId(idx("arp_rate"), "1-4"), 0.0f);
    EXPECT_EQ(valueForChoiceId(idx("lfo1_division"), "1-4"), 0.0f);
    EXPECT_EQ(valueForChoiceId(idx("stutter_interval"), "1-4"), 0.0f);
    EXPECT_EQ(valueForChoiceId(idx("lfo1_division"), "1-bar"), 11.0f);
    EXPECT_EQ(valueForChoiceId(idx("stutter_interval"), "1-bar"), 2.0f);
    EXPECT_EQ(valueForChoiceId(idx("arp_rate"), "1-bar"), std::nullopt);
    EXPECT_EQ(valueForChoiceId(idx("stutter_bypass"), "on"), 0.0f);
    EXPECT_EQ(valueForChoiceId(idx("stutter_hold"), "on"), 1.0f);
}

TEST(ChoiceLists, EveryReachableValueRoundTripsThroughItsChoiceId) {
    for (std::size_t i = 0; i < paramCount(); ++i) {
        if (!hasChoices(i)) continue;
        const ParamSpec& row = paramAt(i);
        for (float v = row.min; v <= row.max; v += 1.0f) {
            const std::optional<std::string_view> id = choiceIdFor(i, v);
            ASSERT_TRUE(id.has_value()) << row.id << " " << v;
            EXPECT_EQ(valueForChoiceId(i, *id), v) << row.id << " " << *id;
        }
    }
}

}  // namespace
}  // namespace orbi
