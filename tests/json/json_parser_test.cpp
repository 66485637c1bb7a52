// Parser and values: structure, literals, numbers (strtod as a control), nesting limit, the
// exact reason of every failure, parseDocument's one error, and member access on values.
#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "json/json_parser.hpp"
#include "json/json_reasons.hpp"
#include "json/json_writer.hpp"
#include "json_test_support.hpp"

namespace orbi {
namespace {

using test::failureOf;
using test::parseOk;
namespace reason = json_reason;

TEST(JsonParser, FailureReasonsAreExact) {
    struct FailureCase {
        std::string text;
        std::string_view reason;
    };
    const std::vector<FailureCase> cases = {
        {"", reason::kEmptyDocument},        {" \t\r\n ", reason::kEmptyDocument}, {"\f1", reason::kInvalidNumber},
        {"1 2", reason::kTrailingContent},   {"01x", reason::kTrailingContent},    {"truex", reason::kTrailingContent},
        {"tru", reason::kInvalidLiteral},    {"[nan]", reason::kInvalidLiteral},   {"True", reason::kInvalidNumber},
        {"+1", reason::kInvalidNumber},      {".5", reason::kInvalidNumber},       {"-", reason::kInvalidNumber},
        {"inf", reason::kInvalidNumber},     {"1e999", reason::kInvalidNumber},    {"1e-400", reason::kInvalidNumber},
        {"[1,]", reason::kInvalidNumber},    {"[1,", reason::kInvalidNumber},      {"{\"a\":}", reason::kInvalidNumber},
        {"[1 2]", reason::kExpectedCommaOrBracket}, {"[1", reason::kExpectedCommaOrBracket},
        {"[truefalse]", reason::kExpectedCommaOrBracket},  // nothing is required after a literal
        {"{", reason::kExpectedKey},         {"{\"a\":1,}", reason::kExpectedKey}, {"{a:1}", reason::kExpectedKey},
        {"{\"a\"}", reason::kExpectedColon}, {"{\"a\"", reason::kExpectedColon},
        {"{\"a\":1", reason::kExpectedCommaOrBrace}, {"{\"a\":1 \"b\":2}", reason::kExpectedCommaOrBrace},
        {"\"abc", reason::kUnterminatedString},      {"\"abc\\", reason::kUnterminatedString},
        {"{\"a", reason::kUnterminatedString},
        {"\"\\u12", reason::kTruncatedEscape},       {"\"\\uD83D\\u00", reason::kTruncatedEscape},
        {"\"\\u12g4\"", reason::kBadEscape},         {"\"\\uD83D\\uDEzz\"", reason::kBadEscape},
        {"\"\\uD83D\\u0041\"", reason::kUnpairedSurrogate}, {"\"\\uD83D\\uE000\"", reason::kUnpairedSurrogate},
    };
    for (const FailureCase& c : cases) EXPECT_EQ(failureOf(c.text), c.reason) << "text: " << c.text;
}

TEST(JsonParser, DuplicateKeysFailWithTheKeyQuoted) {
    EXPECT_EQ(failureOf(R"({"a":1,"b":{"x":1,"x":2}})"), "duplicate key \"x\"");
    EXPECT_EQ(failureOf(R"({"a\"b":1,"a\u0022b":2})"), "duplicate key \"a\"b\"");  // as read, unescaped
    EXPECT_EQ(failureOf(R"({"a":1,"a" 2})"), reason::kExpectedColon);  // the colon is checked first
    parseOk(R"({"a":1,"A":2,"a ":3,"":4,"a\u0000":5})");                 // bytes and lengths compare
    parseOk(R"([{"a":1},{"a":2}])");
    // Large objects check keys through an index; the repeat may be anywhere.
    for (int count : {12, 13, 40, 1000}) {
        std::string text = "{";
        for (int i = 0; i < count; ++i) text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
        std::string unique = text;
        unique.back() = '}';
        ASSERT_EQ(parseOk(unique).members.size(), static_cast<std::size_t>(count));
        for (int repeat : {0, count / 2, count - 1}) {
            const std::string dup = text + "\"k" + std::to_string(repeat) + "\":0}";
            EXPECT_EQ(failureOf(dup), "duplicate key \"k" + std::to_string(repeat) + "\"") << count;
        }
    }
}

TEST(JsonParser, NestingLimit) {
    auto nested = [](std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    const JsonValue deep = parseOk(nested(256));
    int depth = 1;
    for (const JsonValue* v = &deep; !v->items.empty(); v = &v->items[0]) ++depth;
    EXPECT_EQ(depth, 256);
    EXPECT_EQ(failureOf(nested(257)), reason::kNestedTooDeep);
    EXPECT_EQ(failureOf(std::string(100000, '[')), reason::kNestedTooDeep);
    // Objects and arrays count alike; siblings at the deepest level do not add depth.
    std::string mixed, closing;
    for (int i = 0; i < 128; ++i) {
        mixed += "{\"k\":[";
        closing += "]}";
    }
    parseOk(mixed + closing);
    EXPECT_EQ(failureOf(mixed + "{}" + closing), reason::kNestedTooDeep);
    parseOk(std::string(255, '[') + "[],[],[]" + std::string(255, ']'));
}

TEST(JsonParser, StructureScalarsAndEmptyFieldsOfOtherKinds) {
    // Any value may stand at the top level.
    EXPECT_TRUE(parseOk("null").isNull());
    EXPECT_TRUE(parseOk(" true ").boolean);
    EXPECT_EQ(parseOk("\"s\"").string, "s");
    EXPECT_EQ(parseOk("\r\n\t 12 \n").number, 12.0);
    EXPECT_TRUE(parseOk("false").isBool());
    // Order, kinds and nesting survive; compact writing gives the text back.
    const std::string text = R"({"z":[1,{},[]],"a":[[1.5,true,"t",[0]],["s",{},null,false],{"b":"x"},{"d":null}],"m":null})";
    const JsonValue v = parseOk(R"( { "z" : [ 1 , { } , [ ] ] , "a" : [[1.5,true,"t",[0]],["s",{},null,false],{"b":"x"},{"d":null}],"m":null } )");
    EXPECT_EQ(writeCompact(v), text);
    // Fields of other kinds stay empty or zero, also where earlier siblings held them.
    const JsonValue& siblings = v.members[1].value;
    const JsonValue& s = siblings.items[1].items[0];
    EXPECT_TRUE(s.number == 0.0 && !s.boolean && s.numberText.empty() && s.items.empty());
    EXPECT_TRUE(siblings.items[1].items[2].string.empty());
    EXPECT_FALSE(siblings.items[1].items[3].boolean);
    EXPECT_EQ(siblings.items[2].members[0].value.number, 0.0);
    EXPECT_EQ(siblings.items[3].members[0].value, JsonValue());
}

TEST(JsonParser, NumbersKeepTheirSpellingAndReadAsStrtodDoes) {
    for (const char* text : {"1.50", "007", "1.", "1.e2", "1E+2", "-.5", "1e-320", "1.7976931348623157e308",
                             "123456789012345678901234567890"}) {
        const JsonValue v = parseOk(text);
        EXPECT_EQ(v.number, std::strtod(text, nullptr)) << text;
        EXPECT_EQ(v.numberText, text);
    }
    const JsonValue negZero = parseOk("-0");
    EXPECT_TRUE(negZero.number == 0.0 && std::signbit(negZero.number));
    EXPECT_EQ(negZero.numberText, "-0");
    // After a leading "-" the words inf, infinity and nan (with a tail) read in any case.
    for (const char* text : {"-inf", "-INF", "-Infinity"}) {
        const JsonValue v = parseOk(text);
        EXPECT_TRUE(std::isinf(v.number) && v.number < 0) << text;
        EXPECT_EQ(v.numberText, text);
    }
    for (const char* text : {"-NaN", "-nan(abc_12)", "-nan()"}) {
        const JsonValue v = parseOk(text);
        EXPECT_TRUE(std::isnan(v.number)) << text;
        EXPECT_EQ(v.numberText, text);
    }
    // The longest prefix is taken and the rest must fit the surroundings.
    for (const char* text : {"-infinit", "-nan(a b)", "1e", "1e+", "0x10", "1.2.3"}) {
        EXPECT_EQ(failureOf(text), reason::kTrailingContent) << text;
    }
    EXPECT_EQ(failureOf("[1e,2]"), reason::kExpectedCommaOrBracket);

    // strtod is the control: every spelling gives the same double, bit for bit, whether the parser
    // takes its short-decimal path or the general one.
    std::mt19937_64 rng(4242);
    auto digits = [&](std::size_t count) {
        std::string d;
        for (std::size_t i = 0; i < count; ++i) d += static_cast<char>('0' + rng() % 10);
        return d;
    };
    for (int i = 0; i < 30000; ++i) {
        std::string text = (rng() % 3 == 0 ? "-" : "") + digits(1 + rng() % 20);
        if (rng() % 4 != 0) text += "." + digits(rng() % 24);
        if (rng() % 5 == 0) text += (rng() % 2 ? "e" : "E") + std::string(rng() % 2 ? "-" : "") + std::to_string(rng() % 340);
        errno = 0;
        const double expected = std::strtod(text.c_str(), nullptr);
        if (std::isinf(expected) || (expected == 0.0 && errno == ERANGE)) {
            ASSERT_EQ(failureOf(text), reason::kInvalidNumber) << text;  // overflow, or underflow to 0
            continue;
        }
        const JsonValue v = parseOk(text);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(v.number), std::bit_cast<std::uint64_t>(expected)) << text;
        ASSERT_EQ(v.numberText, text);
    }
    // Around the fast path's limits: 2^53 and 19 digits.
    for (const char* text : {"9007199254740993", "0.9007199254740993", "1234567890123456789", "12345678901234567890",
                             "18446744073709551616", "99999999999999999999.5", "0.0000000000000000000001"}) {
        EXPECT_EQ(parseOk(text).number, std::strtod(text, nullptr)) << text;
    }
}

TEST(JsonParser, DocumentsReportOneUnreadableErrorAfterAWholeByteOrderMark) {
    DiagnosticList diagnostics;
    addNote(diagnostics, "earlier", "", "kept");
    EXPECT_FALSE(parseDocument(std::string_view("{\"a\":1,\"a\":2}"), "/instance.json", diagnostics));
    ASSERT_EQ(diagnostics.size(), 2u);
    EXPECT_EQ(diagnostics[1].severity, Severity::Error);
    EXPECT_EQ(diagnostics[1].code, "document-unreadable");
    EXPECT_EQ(diagnostics[1].path, "/instance.json");
    EXPECT_EQ(diagnostics[1].message, "The document is not valid JSON: duplicate key \"a\"");

    const auto parsed = parseDocument(std::string_view("\xEF\xBB\xBF{\"a\":[1]}"), "", diagnostics);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->members.at(0).value.items.at(0).number, 1.0);
    const std::vector<std::uint8_t> bomOnly = {0xEF, 0xBB, 0xBF};
    EXPECT_FALSE(parseDocument(std::span<const std::uint8_t>(bomOnly), "p", diagnostics));
    // Only one mark is skipped, and only a whole one.
    EXPECT_FALSE(parseDocument(std::string_view("\xEF\xBB\xBF\xEF\xBB\xBF" "1"), "", diagnostics));
    EXPECT_FALSE(parseDocument(std::string_view("\xEF\xBB"), "", diagnostics));
    ASSERT_EQ(diagnostics.size(), 5u);
    EXPECT_EQ(diagnostics[2].message, "The document is not valid JSON: empty document");
    EXPECT_EQ(diagnostics[2].path, "p");
    EXPECT_EQ(diagnostics[3].message, "The document is not valid JSON: invalid number");
    EXPECT_EQ(diagnostics[4].message, "The document is not valid JSON: invalid number");
}

TEST(JsonValue, MembersKeepOrderAndReplaceInPlace) {
    JsonValue v;
    EXPECT_TRUE(v.isNull());
    EXPECT_EQ(findMember(v, "a"), nullptr);
    setMember(v, "b", JsonValue::makeNumber(1));
    setMember(v, "a", JsonValue::makeString("x"));
    setMember(v, "b", JsonValue::makeBool(true));
    EXPECT_EQ(writeCompact(v), R"({"b":true,"a":"x"})");
    EXPECT_EQ(stringMemberOr(v, "a", "f"), "x");
    EXPECT_EQ(stringMemberOr(v, "b", "f"), "f");  // present, but not a string
    EXPECT_EQ(stringMemberOr(v, "c", "f"), "f");
    EXPECT_EQ(findMember(v, std::string_view("a\0", 2)), nullptr);

    JsonValue copy = v;  // deep
    findMember(copy, "a")->string = "changed";
    EXPECT_EQ(stringMemberOr(v, "a", ""), "x");
    EXPECT_TRUE(removeMember(v, "b"));
    EXPECT_FALSE(removeMember(v, "b"));
    EXPECT_EQ(writeCompact(v), R"({"a":"x"})");

    JsonValue s = JsonValue::makeString("text");  // setting a member on a scalar makes an object
    setMember(s, "k", JsonValue());
    EXPECT_EQ(writeCompact(s), R"({"k":null})");
    EXPECT_EQ(findMember(JsonValue::makeArray(), "k"), nullptr);
}

}  // namespace
}  // namespace orbi
