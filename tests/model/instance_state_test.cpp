// What the model puts into an instance: parameter values in params (numbers made from floats or
// choice ids), section names of the scope, and routing keys.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "documents/instance_document.hpp"
#include "documents/member_list.hpp"
#include "json/json_writer.hpp"
#include "model/float_number.hpp"
#include "model/instance_members.hpp"
#include "model/param_values.hpp"
#include "model/parameter_registry.hpp"
#include "model/sections.hpp"

namespace orbi {
namespace {

std::size_t idx(const char* id) {
    const std::size_t i = findParam(id);
    EXPECT_NE(i, kUnknownParam) << id;
    return i;
}

TEST(FloatNumber, KeepsTheShortestSpellingOfTheFloat) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0.3f, "0.3"},    {7.6f, "7.6"},         {8.0f, "8"},          {-100.0f, "-100"},
        {-0.0f, "-0"},    {1e-07f, "1e-07"},     {16777216.0f, "16777216"}, {0.30000004f, "0.30000004"},
        {3.4028235e38f, "3.4028235e+38"},        {1.5e-45f, "1e-45"},
    };
    for (const Case& c : cases) {
        const JsonValue v = jsonNumberFromFloat(c.value);
        ASSERT_TRUE(v.isNumber());
        EXPECT_EQ(v.numberText, c.text);
        EXPECT_EQ(v.number, static_cast<double>(c.value)) << c.text;        // the float's exact value
        EXPECT_EQ(std::strtof(v.numberText.c_str(), nullptr), c.value) << c.text;  // libc as a control
    }
    const JsonValue inf = jsonNumberFromFloat(-std::numeric_limits<float>::infinity());
    EXPECT_TRUE(inf.isNumber() && inf.numberText.empty());
    EXPECT_EQ(inf.number, -std::numeric_limits<double>::infinity());
    const JsonValue nan = jsonNumberFromFloat(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(nan.numberText.empty() && std::isnan(nan.number));
}

TEST(ParamValues, DefaultIsNotWrittenChoiceIdWhenThereIsOneElseTheFloatsNumber) {
    MemberList params;
    setParamValue(params, idx("stutter_bypass"), 1.0f);  // its default
    setParamValue(params, idx("osc1_pan"), -0.0f);       // negative zero equals a default of 0
    EXPECT_TRUE(params.empty());
    setParamValue(params, idx("stutter_bypass"), 0.0f);
    setParamValue(params, idx("osc1_unison"), 8.0f);   // stepped: no list, so a number
    setParamValue(params, idx("lfo2_shape"), 5.6f);    // rounds to 6
    setParamValue(params, idx("lfo3_shape"), 7.6f);    // rounds past the list: the unrounded number
    setParamValue(params, idx("osc1_tune"), 150.0f);   // not clamped
    setParamValue(params, idx("osc1_drift_rate"), 0.3f);
    setParamValue(params, idx("delay_division"), 12.0f);  // a choice id beyond the registry max
    setParamValue(params, idx("osc1_level"), std::nextafter(0.8f, 1.0f));  // one step off the default
    EXPECT_EQ(writeCompact(memberListValue(params)),
              R"({"stutter_bypass":"on","osc1_unison":8,"lfo2_shape":"custom","lfo3_shape":7.6,"osc1_tune":150,)"
              R"("osc1_drift_rate":0.3,"delay_division":"2-bars","osc1_level":0.8000001})");
    EXPECT_EQ(params[3].value.number, static_cast<double>(7.6f));

    // NaN equals nothing, so it is stored, as a number without text.
    setParamValue(params, idx("osc2_pan"), std::numeric_limits<float>::quiet_NaN());
    ASSERT_EQ(params.size(), 9u);
    EXPECT_TRUE(params[8].value.isNumber() && params[8].value.numberText.empty());
    EXPECT_EQ(paramValueToJson(idx("lfo1_shape"), -0.4f), JsonValue::makeString("sine"));
    EXPECT_EQ(paramValueToJson(idx("lfo1_shape"), -0.6f), JsonValue::makeNumber(static_cast<double>(-0.6f), "-0.6"));
}

TEST(ParamValues, ReplacesInPlaceAndNeverRemoves) {
    InstanceDocument instance;
    setEntry(instance.params, "not_a_param", JsonValue::makeBool(true));
    setEntry(instance.params, "lfo1_shape", JsonValue::makeString("chaos"));
    setParamValue(instance, idx("filt_type"), 3.0f);
    setParamValue(instance, idx("lfo1_shape"), 0.0f);  // the default leaves "chaos" alone
    EXPECT_EQ(writeCompact(memberListValue(instance.params)),
              R"({"not_a_param":true,"lfo1_shape":"chaos","filt_type":"hp12"})");
    setParamValue(instance, idx("lfo1_shape"), 2.0f);  // another value replaces it where it stands
    setParamValue(instance, idx("macro4"), 0.25f);
    EXPECT_EQ(writeCompact(memberListValue(instance.params)),
              R"({"not_a_param":true,"lfo1_shape":"saw-up","filt_type":"hp12","macro4":0.25})");
}

TEST(InstanceState, SectionNamesAndRoutingKeys) {
    for (int n = 1; n <= 17; ++n) {
        EXPECT_EQ(sectionNumber(sectionName(n)), n);
        EXPECT_TRUE(isKnownScope(sectionName(n)));
        EXPECT_NE(sectionName(n), "complete");
    }
    EXPECT_EQ(sectionName(1), "oscillators");
    EXPECT_EQ(sectionName(11), "effect_volume_shaper");
    EXPECT_EQ(sectionName(17), "effect_stutter");
    for (int n : {0, 18, -1}) EXPECT_EQ(sectionName(n), "complete") << n;
    for (const char* name : {"complete", "Filter", "filter ", ""}) EXPECT_EQ(sectionNumber(name), 0) << name;
    EXPECT_TRUE(isKnownScope("complete"));
    for (const char* name : {"Filter", "", "Complete"}) EXPECT_FALSE(isKnownScope(name)) << name;

    // Two routings from lfo1 to filt_cutoff and one to filt_reso, counted the way the conversion does.
    std::map<std::string, std::size_t> counts;
    std::vector<std::string> keys;
    for (const char* target : {"filt_cutoff", "filt_cutoff", "filt_reso"}) {
        keys.push_back(member::routingKey("lfo1", target, ++counts[std::string("lfo1>") + target]));
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"lfo1>filt_cutoff", "lfo1>filt_cutoff#2", "lfo1>filt_reso"}));
    EXPECT_EQ(member::routingKey("macro1", "osc1_level", 12), "macro1>osc1_level#12");
}

}  // namespace
}  // namespace orbi
