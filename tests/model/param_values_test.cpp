// Storing parameter values in an instance's params, and numbers made from 32-bit floats.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "documents/instance_document.hpp"
#include "documents/member_list.hpp"
#include "json/json_writer.hpp"
#include "model/float_number.hpp"
#include "model/param_values.hpp"
#include "model/parameter_registry.hpp"

namespace orbi {
namespace {

std::size_t idx(const char* id) {
    const std::size_t i = findParam(id);
    EXPECT_NE(i, kUnknownParam) << id;
    return i;
}

std::vector<std::string> keysOf(const MemberList& params) {
    std::vector<std::string> keys;
    for (const JsonMember& m : params) keys.push_back(m.key);
    return keys;
}

TEST(FloatNumber, KeepsTheShortestSpellingOfTheFloat) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0.3f, "0.3"},           {0.1f, "0.1"},       {7.6f, "7.6"},
        {8.0f, "8"},             {-100.0f, "-100"},   {0.0f, "0"},
        {-0.0f, "-0"},           {1e-07f, "1e-07"},   {16777216.0f, "16777216"},
        {0.30000004f, "0.30000004"}, {3.4028235e38f, "3.4028235e+38"}, {1.5e-45f, "1e-45"},
    };
    for (const Case& c : cases) {
        const JsonValue v = jsonNumberFromFloat(c.value);
        ASSERT_TRUE(v.isNumber());
        EXPECT_EQ(v.numberText, c.text);
        EXPECT_EQ(v.number, static_cast<double>(c.value)) << c.text;  // the float's exact value
        EXPECT_EQ(std::strtof(v.numberText.c_str(), nullptr), c.value) << c.text;
    }
    const JsonValue inf = jsonNumberFromFloat(-std::numeric_limits<float>::infinity());
    EXPECT_TRUE(inf.isNumber());
    EXPECT_TRUE(inf.numberText.empty());
    EXPECT_EQ(inf.number, -std::numeric_limits<double>::infinity());
    const JsonValue nan = jsonNumberFromFloat(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(nan.numberText.empty());
    EXPECT_TRUE(std::isnan(nan.number));
}

TEST(ParamValues, DefaultIsNotWrittenChoiceIdWhenThereIsOneElseNumber) {
    MemberList params;
    setParamValue(params, idx("stutter_bypass"), 1.0f);  // its default
    EXPECT_TRUE(params.empty());
    setParamValue(params, idx("stutter_bypass"), 0.0f);
    ASSERT_EQ(params.size(), 1u);
    EXPECT_EQ(params[0].key, "stutter_bypass");
    EXPECT_EQ(params[0].value, JsonValue::makeString("on"));

    setParamValue(params, idx("osc1_unison"), 8.0f);  // stepped: no list, so a number
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(params[1].value, JsonValue::makeNumber(8.0, "8"));

    setParamValue(params, idx("lfo2_shape"), 5.6f);  // rounds to 6
    EXPECT_EQ(params[2].value, JsonValue::makeString("custom"));
    setParamValue(params, idx("lfo3_shape"), 7.6f);  // rounds past the list: the unrounded number
    EXPECT_EQ(params[3].value, JsonValue::makeNumber(static_cast<double>(7.6f), "7.6"));

    setParamValue(params, idx("filt_cutoff"), 250.5f);  // not clamped, not rounded
    setParamValue(params, idx("osc1_tune"), 150.0f);
    EXPECT_EQ(params[4].value, JsonValue::makeNumber(250.5, "250.5"));
    EXPECT_EQ(params[5].value, JsonValue::makeNumber(150.0, "150"));

    // Negative zero equals a default of zero; NaN equals nothing and is written without text.
    setParamValue(params, idx("osc1_pan"), -0.0f);
    EXPECT_EQ(params.size(), 6u);
    setParamValue(params, idx("osc2_pan"), std::numeric_limits<float>::quiet_NaN());
    ASSERT_EQ(params.size(), 7u);
    EXPECT_TRUE(params[6].value.isNumber());
    EXPECT_TRUE(params[6].value.numberText.empty());
    EXPECT_TRUE(std::isnan(params[6].value.number));

    // A value one float step off the default is not the default.
    setParamValue(params, idx("osc1_level"), std::nextafter(0.8f, 1.0f));
    EXPECT_EQ(params.size(), 8u);
}

TEST(ParamValues, ReplacesInPlaceAndNeverRemoves) {
    InstanceDocument instance;
    setEntry(instance.params, "not_a_param", JsonValue::makeBool(true));
    setEntry(instance.params, "lfo1_shape", JsonValue::makeString("chaos"));
    setParamValue(instance, idx("filt_type"), 3.0f);

    // The default leaves an existing entry alone.
    setParamValue(instance, idx("lfo1_shape"), 0.0f);
    EXPECT_EQ(instance.params[1].value, JsonValue::makeString("chaos"));

    // Another value replaces it where it stands.
    setParamValue(instance, idx("lfo1_shape"), 2.0f);
    EXPECT_EQ(keysOf(instance.params), (std::vector<std::string>{"not_a_param", "lfo1_shape", "filt_type"}));
    EXPECT_EQ(instance.params[1].value, JsonValue::makeString("saw-up"));
    EXPECT_EQ(instance.params[2].value, JsonValue::makeString("hp12"));

    setParamValue(instance, idx("macro4"), 0.25f);
    EXPECT_EQ(keysOf(instance.params),
              (std::vector<std::string>{"not_a_param", "lfo1_shape", "filt_type", "macro4"}));
    EXPECT_EQ(instance.params[3].value, JsonValue::makeNumber(0.25, "0.25"));
}

TEST(ParamValues, JsonFormOfValues) {
    EXPECT_FALSE(paramValueToJson(idx("lfo1_shape"), 0.0f).has_value());
    EXPECT_EQ(paramValueToJson(idx("lfo1_shape"), -0.4f), JsonValue::makeString("sine"));
    EXPECT_EQ(paramValueToJson(idx("lfo1_shape"), -0.6f), JsonValue::makeNumber(static_cast<double>(-0.6f), "-0.6"));
    EXPECT_EQ(paramValueToJson(idx("scale_root"), 1.0f), JsonValue::makeString("c-sharp"));
    EXPECT_EQ(paramValueToJson(idx("delay_division"), 12.0f), JsonValue::makeString("2-bars"));
    EXPECT_EQ(paramValueToJson(idx("fx_chain_order"), 719.0f), JsonValue::makeNumber(719.0, "719"));
}

TEST(ParamValues, WrittenParamsKeepTheFloatSpelling) {
    MemberList params;
    setParamValue(params, idx("osc1_drift_rate"), 0.3f);
    setParamValue(params, idx("lfo1_shape"), 6.0f);
    setParamValue(params, idx("osc1_unison"), 16.0f);
    setParamValue(params, idx("amp_attack"), 0.001f);
    EXPECT_EQ(writeCompact(memberListValue(params)),
              R"({"osc1_drift_rate":0.3,"lfo1_shape":"custom","osc1_unison":16,"amp_attack":0.001})");
}

}  // namespace
}  // namespace orbi
