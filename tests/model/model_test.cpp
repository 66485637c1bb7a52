// The parameter registry and choice lists checked row by row and list by list, and exact values
// of the model's functions as calls in data/model.txt.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <regex>

#include "json/json_writer.hpp"
#include "model/choice_lists.hpp"
#include "model/float_number.hpp"
#include "model/instance_members.hpp"
#include "model/param_values.hpp"
#include "model/parameter_registry.hpp"
#include "model/sections.hpp"
#include "support/case_file.hpp"

namespace orbi::test {
namespace {

TEST(Registry, EveryRow) {
    ASSERT_EQ(paramCount(), 384u);
    for (std::size_t i = 0; i < paramCount(); ++i) {
        const ParamSpec& row = paramAt(i);
        const std::string id = row.id;
        SCOPED_TRACE(id);
        EXPECT_TRUE(std::regex_match(id, std::regex("[a-z0-9_]+")) && findParam(id) == i);  // so ids are unique
        for (const std::string& other : {id + " ", id + '\0', static_cast<char>(id[0] - 32) + id.substr(1)})
            EXPECT_EQ(findParam(other), kUnknownParam);  // only whole ids match
        EXPECT_TRUE(row.kind <= 32 && row.min < row.max && row.min <= row.defaultValue && row.defaultValue <= row.max);
        EXPECT_EQ(row.kind == 2, row.unit[0] != '\0');  // kind 2 is exactly the rows with a unit
        EXPECT_TRUE(clampParamValue(i, row.defaultValue) == row.defaultValue && clampParamValue(i, -INFINITY) == row.min &&
                    clampParamValue(i, INFINITY) == row.max && std::isnan(clampParamValue(i, NAN)));
        EXPECT_EQ(hasChoices(i), row.kind >= 4);
        for (float v : {row.min, row.max, row.defaultValue}) EXPECT_TRUE(row.kind < 3 || v == std::round(v));
        if (row.kind < 4) continue;
        // A choice row spans its list (but three divisions limited to the first ten entries), and every
        // value maps to its own id and back: so every kind's ids are distinct (data/model.txt spells them).
        const bool limited = id == "delay_division" || id == "phaser_division" || id == "flanger_division";
        EXPECT_EQ(row.min, 0.0f);
        EXPECT_EQ(row.max, limited ? 9.0f : static_cast<float>(choiceListFor(row.kind).size() - 1));
        EXPECT_TRUE(!limited || row.kind == 18u);
        for (float v = row.min; v <= row.max; v += 1.0f) {
            const std::optional<std::string_view> choice = choiceIdFor(i, v);
            EXPECT_TRUE(choice && valueForChoiceId(i, *choice) == v) << v;
        }
    }
}

std::string num(float v) { char b[40]; return {b, std::to_chars(b, b + 40, v).ptr}; }

std::string call(const std::vector<std::string>& w) {
    auto f = [&](std::size_t k) { return std::strtof(w.at(k).c_str(), nullptr); };
    const std::string what = w.at(0), arg = w.size() > 1 ? w[1] : "";
    const std::size_t i = !arg.empty() && arg.find_first_not_of("0123456789") == arg.npos ? std::stoul(arg) : findParam(arg);
    std::string out;
    const ParamSpec& r = paramAt(std::min(i, paramCount() - 1));
    if (what == "row") {
        return num(r.min) + ".." + num(r.max) + " default " + num(r.defaultValue) + " kind " + std::to_string(r.kind) + r.unit;
    }
    if (what == "find" || what == "macro") return std::to_string(what == "find" ? i : macroNumberOf(i));
    if (what == "clamp") return num(clampParamValue(i, f(2)));
    if (what == "choice") return std::string(choiceIdFor(i, f(2)).value_or("none"));
    if (what == "value") return valueForChoiceId(i, w.at(2)) ? num(*valueForChoiceId(i, w[2])) : "none";
    if (what == "float") {  // the shortest spelling; the number is the float's exact value, as libc reads it back
        const JsonValue v = jsonNumberFromFloat(f(1));
        EXPECT_TRUE(v.isNumber() && (v.number() == double{f(1)} || (std::isnan(v.number()) && std::isnan(f(1)))) &&
                    (v.numberText().empty() || std::strtof(v.numberText().c_str(), nullptr) == f(1))) << v.numberText();
        return v.numberText().empty() ? "no text, " + num(static_cast<float>(v.number())) : std::string(v.numberText());
    }
    if (what == "set") {  // "set id value id value ...", in turn into one instance's params
        InstanceDocument in;
        for (std::size_t k = 1; k + 1 < w.size(); k += 2) setParamValue(in, findParam(w[k]), f(k + 1));
        const JsonValue* last = in.params.empty() ? nullptr : &in.params.back().value;
        return writeCompact(memberListValue(in.params)) + (last && last->isNumber() && last->numberText().empty() ? " (no text)" : "");
    }
    if (what == "list") {
        for (std::string_view id : choiceListFor(static_cast<ParamKind>(i))) out += " " + std::string(id);
        return std::to_string(choiceListFor(static_cast<ParamKind>(i)).size()) + ":" + out;
    }
    if (what == "kinds") {  // rows per kind, 0 to 32
        std::vector<int> rows(33);
        for (const ParamSpec& p : parameterRegistry()) ++rows.at(p.kind);
        for (int n : rows) out += " " + std::to_string(n);
        return out;
    }
    if (what == "section") return std::string(sectionName(std::stoi(arg)));
    if (what == "scope") return std::to_string(sectionNumber(arg)) + (isKnownScope(arg) ? " known" : " unknown");
    if (what == "routing") return member::routingKey(arg, w.at(2), std::stoul(w.at(3)));
    ADD_FAILURE() << "no call " << what;
    return out;
}

TEST(Model, Calls) { checkCallFile(ORBI_CASES "/model.txt", call); }

}  // namespace
}  // namespace orbi::test
