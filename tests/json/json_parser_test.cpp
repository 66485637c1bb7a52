// Parser: structure, literals, numbers, nesting limit and the exact reason of every failure.
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

struct FailureCase {
    std::string text;
    std::string_view reason;
};

TEST(JsonParser, FailureReasonsAreExact) {
    const std::vector<FailureCase> cases = {
        {"", reason::kEmptyDocument},
        {" \t\r\n ", reason::kEmptyDocument},
        {"\f1", reason::kInvalidNumber},  // form feed is not whitespace
        {"1 2", reason::kTrailingContent},
        {"{} x", reason::kTrailingContent},
        {"01x", reason::kTrailingContent},
        {"truex", reason::kTrailingContent},
        {"tru", reason::kInvalidLiteral},
        {"fals", reason::kInvalidLiteral},
        {"nul", reason::kInvalidLiteral},
        {"True", reason::kInvalidNumber},
        {"[nan]", reason::kInvalidLiteral},
        {"ture", reason::kInvalidLiteral},
        {"+1", reason::kInvalidNumber},
        {".5", reason::kInvalidNumber},
        {"-", reason::kInvalidNumber},
        {"--1", reason::kInvalidNumber},
        {"-x", reason::kInvalidNumber},
        {"inf", reason::kInvalidNumber},
        {"1e999", reason::kInvalidNumber},
        {"-1e999", reason::kInvalidNumber},
        {"1e-400", reason::kInvalidNumber},
        {"[1,]", reason::kInvalidNumber},
        {"[", reason::kInvalidNumber},
        {"[1,", reason::kInvalidNumber},
        {"[1 2]", reason::kExpectedCommaOrBracket},
        {"[1", reason::kExpectedCommaOrBracket},
        {"[1}", reason::kExpectedCommaOrBracket},
        {"{", reason::kExpectedKey},
        {"{,}", reason::kExpectedKey},
        {"{\"a\":1,}", reason::kExpectedKey},
        {"{a:1}", reason::kExpectedKey},
        {"{\"a\"}", reason::kExpectedColon},
        {"{\"a\"", reason::kExpectedColon},
        {"{\"a\" 1}", reason::kExpectedColon},
        {"{\"a\":}", reason::kInvalidNumber},
        {"{\"a\":", reason::kInvalidNumber},
        {"{\"a\":1", reason::kExpectedCommaOrBrace},
        {"{\"a\":1]", reason::kExpectedCommaOrBrace},
        {"{\"a\":1 \"b\":2}", reason::kExpectedCommaOrBrace},
        {"\"abc", reason::kUnterminatedString},
        {"\"abc\\", reason::kUnterminatedString},
        {"[\"a]", reason::kUnterminatedString},
        {"{\"a", reason::kUnterminatedString},
        {"\"\\u12", reason::kTruncatedEscape},
        {"\"\\u12g4\"", reason::kBadEscape},
        {"\"\\uD83D\\u0041\"", reason::kUnpairedSurrogate},
        {"\"\\uD83D\\uD83D\"", reason::kUnpairedSurrogate},
        {"\"\\uD83D\\uE000\"", reason::kUnpairedSurrogate},
        {"\"\\uD83D\\u00", reason::kTruncatedEscape},
        {"\"\\uD83D\\uDEzz\"", reason::kBadEscape},
    };
    for (const FailureCase& c : cases) EXPECT_EQ(failureOf(c.text), c.reason) << "text: " << c.text;
}

TEST(JsonParser, DuplicateKeysFailWithTheKeyQuoted) {
    EXPECT_EQ(failureOf(R"({"a":1,"a":2})"), "duplicate key \"a\"");
    EXPECT_EQ(failureOf(R"({"a":1,"b":{"x":1,"x":2}})"), "duplicate key \"x\"");
    // The key is given as read, unescaped.
    EXPECT_EQ(failureOf(R"({"a\"b":1,"a\u0022b":2})"), "duplicate key \"a\"b\"");
    // A missing colon is found before the repeat.
    EXPECT_EQ(failureOf(R"({"a":1,"a" 2})"), reason::kExpectedColon);
    // Keys compare byte for byte with their lengths.
    parseOk(R"({"a":1,"A":2,"a ":3,"":4,"a\u0000":5})");
    // The same key in sibling objects is fine.
    parseOk(R"([{"a":1},{"a":2}])");
}

TEST(JsonParser, DuplicateKeysInLargeObjectsAreFound) {
    // Large objects check keys through an index; the repeat may be anywhere.
    for (int count : {12, 13, 40, 1000}) {
        std::string text = "{";
        for (int i = 0; i < count; ++i) text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
        std::string unique = text;
        unique.back() = '}';
        const JsonValue v = parseOk(unique);
        ASSERT_EQ(v.members.size(), static_cast<std::size_t>(count));
        EXPECT_EQ(v.members[static_cast<std::size_t>(count - 1)].key, "k" + std::to_string(count - 1));
        for (int repeat : {0, count / 2, count - 1}) {
            const std::string dup = text + "\"k" + std::to_string(repeat) + "\":0}";
            EXPECT_EQ(failureOf(dup), "duplicate key \"k" + std::to_string(repeat) + "\"") << count;
        }
    }
}

TEST(JsonParser, NestingLimit) {
    auto nested = [](int depth, char open, char close) {
        return std::string(static_cast<std::size_t>(depth), open) + std::string(static_cast<std::size_t>(depth), close);
    };
    const JsonValue deep = parseOk(nested(256, '[', ']'));
    const JsonValue* v = &deep;
    int depth = 0;
    while (v->isArray()) {
        ++depth;
        if (v->items.empty()) break;
        v = &v->items[0];
    }
    EXPECT_EQ(depth, 256);
    EXPECT_EQ(failureOf(nested(257, '[', ']')), reason::kNestedTooDeep);
    EXPECT_EQ(failureOf(std::string(100000, '[')), reason::kNestedTooDeep);
    EXPECT_EQ(failureOf(nested(100000, '[', ']')), reason::kNestedTooDeep);

    // Objects and arrays count alike.
    std::string mixed;
    for (int i = 0; i < 128; ++i) mixed += "{\"k\":[";
    std::string closing;
    for (int i = 0; i < 128; ++i) closing += "]}";
    parseOk(mixed + closing);
    EXPECT_EQ(failureOf(mixed + "{}" + closing), reason::kNestedTooDeep);
    // Depth is nesting, not the count of containers: many siblings at depth 256 are fine.
    std::string wide = std::string(255, '[') + "[],[],[]" + std::string(255, ']');
    parseOk(wide);
}

TEST(JsonParser, TopLevelScalarsAndLiterals) {
    EXPECT_TRUE(parseOk("null").isNull());
    EXPECT_TRUE(parseOk(" true ").boolean);
    const JsonValue f = parseOk("false");
    EXPECT_TRUE(f.isBool());
    EXPECT_FALSE(f.boolean);
    EXPECT_EQ(parseOk("\"s\"").string, "s");
    EXPECT_EQ(parseOk("\r\n\t 12 \n").number, 12.0);
    const JsonValue arr = parseOk("[true,false,null]");
    ASSERT_EQ(arr.items.size(), 3u);
    EXPECT_TRUE(arr.items[0].boolean);
    EXPECT_FALSE(arr.items[1].boolean);
    EXPECT_TRUE(arr.items[2].isNull());
    // Nothing is required after a literal inside a container either.
    EXPECT_EQ(failureOf("[truefalse]"), reason::kExpectedCommaOrBracket);
    EXPECT_EQ(failureOf("[nullx]"), reason::kExpectedCommaOrBracket);
}

TEST(JsonParser, StructureKeepsOrderAndKinds) {
    const JsonValue v = parseOk(R"( { "z" : [ 1 , { } , [ ] ] , "a" : { "y" : "s" } , "m" : null } )");
    ASSERT_TRUE(v.isObject());
    ASSERT_EQ(v.members.size(), 3u);
    EXPECT_EQ(v.members[0].key, "z");
    EXPECT_EQ(v.members[1].key, "a");
    EXPECT_EQ(v.members[2].key, "m");
    const JsonValue& z = v.members[0].value;
    ASSERT_EQ(z.items.size(), 3u);
    EXPECT_EQ(z.items[0].kind, JsonKind::Number);
    EXPECT_EQ(z.items[1].kind, JsonKind::Object);
    EXPECT_TRUE(z.items[1].members.empty());
    EXPECT_EQ(z.items[2].kind, JsonKind::Array);
    EXPECT_TRUE(z.items[2].items.empty());
    EXPECT_EQ(stringMemberOr(v.members[1].value, "y", "-"), "s");
    EXPECT_TRUE(v.members[2].value.isNull());

    // Fields of other kinds stay empty or zero, also where earlier siblings held them.
    const JsonValue siblings = parseOk(R"([[1.5,true,"t",[0]],["s",{},null,false],{"a":2.5},{"b":"x"},{"c":[1]},{"d":null}])");
    const JsonValue& s = siblings.items[1].items[0];
    EXPECT_EQ(s.string, "s");
    EXPECT_EQ(s.number, 0.0);
    EXPECT_FALSE(s.boolean);
    EXPECT_EQ(s.numberText, "");
    EXPECT_TRUE(siblings.items[1].items[1].items.empty());
    EXPECT_TRUE(siblings.items[1].items[2].string.empty());
    EXPECT_FALSE(siblings.items[1].items[3].boolean);
    const JsonValue& x = siblings.items[3].members[0].value;
    EXPECT_EQ(x.number, 0.0);
    EXPECT_EQ(x.numberText, "");
    EXPECT_EQ(siblings.items[5].members[0].value, JsonValue());
    EXPECT_EQ(siblings.items[5].members[0].value.items.size(), 0u);
    EXPECT_EQ(writeCompact(siblings), R"([[1.5,true,"t",[0]],["s",{},null,false],{"a":2.5},{"b":"x"},{"c":[1]},{"d":null}])");
}

TEST(JsonParser, NumbersKeepTheirSpelling) {
    struct NumberCase {
        std::string text;
        double value;
    };
    const std::vector<NumberCase> cases = {
        {"0", 0.0},        {"1.50", 1.5},    {"007", 7.0},           {"1.", 1.0},
        {"1.e2", 100.0},   {"1E+2", 100.0},  {"2.5e-3", 0.0025},     {"-12.75", -12.75},
        {"1e-320", 1e-320}, {"-.5", -0.5},   {"123456789012345678901234567890", 1.2345678901234568e29},
        {"0.1", 0.1},      {"1.7976931348623157e308", 1.7976931348623157e308},
    };
    for (const NumberCase& c : cases) {
        const JsonValue v = parseOk(c.text);
        ASSERT_TRUE(v.isNumber()) << c.text;
        EXPECT_EQ(v.number, c.value) << c.text;
        EXPECT_EQ(v.numberText, c.text);
    }
    const JsonValue negZero = parseOk("-0");
    EXPECT_EQ(negZero.number, 0.0);
    EXPECT_TRUE(std::signbit(negZero.number));
    EXPECT_EQ(negZero.numberText, "-0");

    // After a leading "-" the words inf, infinity and nan (with a tail) read in any case.
    for (const char* text : {"-inf", "-INF", "-Infinity", "-infinity"}) {
        const JsonValue v = parseOk(text);
        EXPECT_TRUE(std::isinf(v.number) && v.number < 0) << text;
        EXPECT_EQ(v.numberText, text);
    }
    for (const char* text : {"-nan", "-NaN", "-nan(abc_12)", "-nan()"}) {
        const JsonValue v = parseOk(text);
        EXPECT_TRUE(std::isnan(v.number)) << text;
        EXPECT_EQ(v.numberText, text);
    }
    // The longest prefix is taken and the rest must fit the surroundings.
    EXPECT_EQ(failureOf("-infinit"), reason::kTrailingContent);
    EXPECT_EQ(failureOf("-nan(a b)"), reason::kTrailingContent);
    EXPECT_EQ(failureOf("1e"), reason::kTrailingContent);
    EXPECT_EQ(failureOf("1e+"), reason::kTrailingContent);
    EXPECT_EQ(failureOf("0x10"), reason::kTrailingContent);
    EXPECT_EQ(failureOf("1.2.3"), reason::kTrailingContent);
    EXPECT_EQ(failureOf("[1e,2]"), reason::kExpectedCommaOrBracket);
}

TEST(JsonParser, NumbersReadAsStrtodDoes) {
    // strtod is the control: every spelling must give the same double, bit for bit, whether the
    // parser takes its short-decimal path or the general one.
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
            ASSERT_EQ(failureOf(text), json_reason::kInvalidNumber) << text;  // overflow, or underflow to 0
            continue;
        }
        const JsonValue v = parseOk(text);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(v.number), std::bit_cast<std::uint64_t>(expected)) << text;
        ASSERT_EQ(v.numberText, text);
    }
    // Around the fast path's limits: 2^53 and 19 digits.
    for (const char* text : {"9007199254740992", "9007199254740993", "9007199254740993.0", "0.9007199254740993",
                             "1234567890123456789", "12345678901234567890", "1.234567890123456789",
                             "18446744073709551615", "18446744073709551616", "99999999999999999999.5",
                             "0.0000000000000000000001", "1000000000000000000000000.0"}) {
        EXPECT_EQ(parseOk(text).number, std::strtod(text, nullptr)) << text;
    }
}

TEST(JsonParser, DocumentsReportOneUnreadableError) {
    DiagnosticList diagnostics;
    addNote(diagnostics, "earlier", "", "kept");
    EXPECT_FALSE(parseDocument(std::string_view("{\"a\":1,\"a\":2}"), "/instance.json", diagnostics));
    ASSERT_EQ(diagnostics.size(), 2u);
    EXPECT_EQ(diagnostics[1].severity, Severity::Error);
    EXPECT_EQ(diagnostics[1].code, "document-unreadable");
    EXPECT_EQ(diagnostics[1].path, "/instance.json");
    EXPECT_EQ(diagnostics[1].message, "The document is not valid JSON: duplicate key \"a\"");

    const std::string withBom = "\xEF\xBB\xBF{\"a\":[1]}";
    const auto parsed = parseDocument(std::string_view(withBom), "", diagnostics);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->members.at(0).value.items.at(0).number, 1.0);
    EXPECT_EQ(diagnostics.size(), 2u);

    const std::vector<std::uint8_t> bomOnly = {0xEF, 0xBB, 0xBF};
    EXPECT_FALSE(parseDocument(std::span<const std::uint8_t>(bomOnly), "p", diagnostics));
    ASSERT_EQ(diagnostics.size(), 3u);
    EXPECT_EQ(diagnostics[2].message, "The document is not valid JSON: empty document");
    EXPECT_EQ(diagnostics[2].path, "p");

    // Only one mark is skipped, and only a whole one.
    EXPECT_FALSE(parseDocument(std::string_view("\xEF\xBB\xBF\xEF\xBB\xBF" "1"), "", diagnostics));
    EXPECT_FALSE(parseDocument(std::string_view("\xEF\xBB"), "", diagnostics));
    ASSERT_EQ(diagnostics.size(), 5u);
    EXPECT_EQ(diagnostics[3].message, "The document is not valid JSON: invalid number");
    EXPECT_EQ(diagnostics[4].message, "The document is not valid JSON: invalid number");

    const std::vector<std::uint8_t> bytes = {'[', '1', ',', ' ', '2', ']'};
    const auto fromBytes = parseDocument(std::span<const std::uint8_t>(bytes), "x", diagnostics);
    ASSERT_TRUE(fromBytes);
    EXPECT_EQ(fromBytes->items.size(), 2u);
    EXPECT_EQ(diagnostics.size(), 5u);
}

}  // namespace
}  // namespace orbi
