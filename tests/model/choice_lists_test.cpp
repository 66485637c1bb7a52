// Choice lists per kind and the mappings between parameter values and choice ids.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <set>
#include <string_view>

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

TEST(ChoiceLists, LengthsAndSpellingOfEveryList) {
    const std::size_t lengths[] = {8, 10, 6, 8, 2, 2, 5, 2, 2, 2, 2, 3, 2, 2, 13,
                                   3, 5, 2, 2, 5, 5, 12, 11, 4, 9, 3, 5, 3, 3};
    for (ParamKind kind = 4; kind <= 32; ++kind) {
        ASSERT_EQ(choiceListFor(kind).size(), lengths[kind - 4]) << "kind " << kind;
        std::set<std::string_view> seen;
        for (std::string_view id : choiceListFor(kind)) {
            EXPECT_TRUE(seen.insert(id).second) << id;
            EXPECT_FALSE(id.empty());
            for (char c : id) EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') << id;
        }
    }
    for (ParamKind kind : {0u, 3u, 33u, 0xFFFFFFFFu}) EXPECT_TRUE(choiceListFor(kind).empty()) << "kind " << kind;
    EXPECT_EQ(choiceListFor(4).back(), "chaos");
    EXPECT_EQ(choiceListFor(9)[0], "on");  // a bypass switch: 0 is the active effect
    EXPECT_EQ(choiceListFor(18)[8], "1-16t");
    EXPECT_EQ(choiceListFor(18)[12], "2-bars");
    EXPECT_EQ(choiceListFor(25)[10], "a-sharp");
    EXPECT_EQ(choiceListFor(28)[4], "triad-7");
}

TEST(ChoiceLists, ChoiceIdForRoundsButDoesNotClamp) {
    const std::size_t shape = idx("lfo1_shape");
    EXPECT_EQ(choiceIdFor(shape, 2.0f), "saw-up"sv);
    EXPECT_EQ(choiceIdFor(shape, 2.4f), "saw-up"sv);
    EXPECT_EQ(choiceIdFor(shape, 7.5f), std::nullopt);  // rounds to 8, past "chaos"
    EXPECT_EQ(choiceIdFor(shape, -0.4f), "sine"sv);
    EXPECT_EQ(choiceIdFor(shape, -0.6f), std::nullopt);
    // Values with no whole-number index must not reach a float-to-integer conversion.
    const float inf = std::numeric_limits<float>::infinity();
    for (float v : {std::numeric_limits<float>::quiet_NaN(), inf, -inf, 3e38f}) {
        EXPECT_EQ(choiceIdFor(shape, v), std::nullopt) << v;
    }
    EXPECT_EQ(choiceIdFor(idx("delay_division"), 12.0f), "2-bars"sv);  // beyond its registry max 9
    EXPECT_EQ(choiceIdFor(idx("osc1_unison"), 4.0f), std::nullopt);    // stepped: no list
}

TEST(ChoiceLists, ValueForChoiceIdMatchesExactlyInTheParametersOwnList) {
    const std::size_t filt = idx("filt_type");
    EXPECT_EQ(valueForChoiceId(filt, "mg-low24"), 9.0f);
    for (std::string_view id : {"MG-LOW24"sv, "lp24 "sv, ""sv, "lp2"sv, "saw-up"sv}) {
        EXPECT_EQ(valueForChoiceId(filt, id), std::nullopt) << id;
    }
    EXPECT_EQ(valueForChoiceId(idx("osc1_unison"), "on"), std::nullopt);
    // One id in three lists: the parameter decides which list applies.
    EXPECT_EQ(valueForChoiceId(idx("arp_rate"), "1-4"), 0.0f);
    EXPECT_EQ(valueForChoiceId(idx("lfo1_division"), "1-4"), 0.0f);
    EXPECT_EQ(valueForChoiceId(idx("stutter_interval"), "1-4"), 0.0f);
    EXPECT_EQ(valueForChoiceId(idx("stutter_interval"), "1-bar"), 2.0f);
    EXPECT_EQ(valueForChoiceId(idx("arp_rate"), "1-bar"), std::nullopt);
    EXPECT_EQ(valueForChoiceId(idx("stutter_bypass"), "on"), 0.0f);
    EXPECT_EQ(valueForChoiceId(idx("stutter_hold"), "on"), 1.0f);
}

TEST(ChoiceLists, EveryReachableValueRoundTripsThroughItsChoiceId) {
    for (std::size_t i = 0; i < paramCount(); ++i) {
        const ParamSpec& row = paramAt(i);
        EXPECT_EQ(hasChoices(i), row.kind >= 4) << row.id;
        if (!hasChoices(i)) continue;
        for (float v = row.min; v <= row.max; v += 1.0f) {
            const std::optional<std::string_view> id = choiceIdFor(i, v);
            ASSERT_TRUE(id.has_value()) << row.id << " " << v;
            EXPECT_EQ(valueForChoiceId(i, *id), v) << row.id << " " << *id;
        }
    }
}

}  // namespace
}  // namespace orbi
