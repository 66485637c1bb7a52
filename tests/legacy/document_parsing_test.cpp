// Strict parsing of legacy documents: what does not parse, or is not an object, gives the fresh
// record; nesting is bounded; very large strings are read whole.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "legacy/document_support.hpp"
#include "legacy/legacy_json.hpp"

namespace orbi::test {
namespace {

TEST(LegacyDocumentParsing, TextsThatAreNoJsonObjectGiveTheFreshRecord) {
    for (std::string text : {
             std::string(""),
             std::string(" "),
             std::string("{"),
             std::string(R"({"name": "N",})"),
             std::string(R"({"name": "N"} {})"),
             std::string(R"({"name": "N"} x)"),
             std::string("{\"name\": \"N\"} // note"),
             std::string("/* note */ {\"name\": \"N\"}"),
             std::string(R"({'name': 'N'})"),
             std::string(R"({name: "N"})"),
             std::string(R"({"name": "N", "x": NaN})"),
             std::string(R"({"name": "N", "x": 01})"),
             std::string(R"({"name": "N", "x": 1.})"),
             std::string(R"({"name": "N", "x": 1e999})"),
             std::string(R"({"name": "N\u00"})"),
             std::string(R"({"name": "\ud800"})"),
             std::string("{\"name\": \"a\tb\"}"),
             std::string("{\"name\": \"\xC3\"}"),       // cut UTF-8 sequence
             std::string("{\"name\": \"\xED\xA0\x80\"}"),  // encoded surrogate
             std::string("\xEF\xBB\xBF\xEF\xBB\xBF{\"name\": \"N\"}"),
             std::string("\xEF\xBB{\"name\": \"N\"}"),
             std::string("{\"name\": \"N\"}\0", 14),
             std::string("{\"name\": \"N\"}\0garbage", 21),
             std::string("{\"name\": \"N\0\"}", 14),
             std::string(R"(["name", "N"])"),
             std::string(R"("N")"),
             std::string("null"),
             std::string("7"),
         }) {
        EXPECT_EQ(readText(text), LegacyPreset{}) << text;
    }
}

TEST(LegacyDocumentParsing, AcceptsByteOrderMarkAndWhitespace) {
    EXPECT_EQ(readText("\xEF\xBB\xBF{\"name\":\"N\",\"version\":6}"), namedPreset());
    EXPECT_EQ(readText(" \t\r\n{\"name\":\"N\",\"version\":6}\n\n"), namedPreset());
    EXPECT_EQ(readText(R"({"name":"\u0041\u00e9\ud83c\udfb9","version":6})").name, "A\xC3\xA9\xF0\x9F\x8E\xB9");
    EXPECT_EQ(readText("{\"name\":\"N\\u0000x\",\"version\":6}").name, std::string("N\0x", 3));
}

// Fractions round to the nearest double on every system: from_chars is the oracle. Shortest
// spellings of doubles just below powers of two are where a C library's strtod can go wrong
// (MinGW-w64's reads 5.005207737957752e-147 as 2^-486), long random ones check the rest.
TEST(LegacyDocumentParsing, FractionsAreCorrectlyRounded) {
    std::vector<std::string> texts{"5.005207737957752e-147"};
    for (int shift = -1000; shift <= 1000; ++shift) {
        const double below = std::nextafter(std::ldexp(1.0, shift), 0.0);
        char buffer[64];
        char* end = std::to_chars(buffer, buffer + sizeof buffer, below).ptr;
        std::string text(buffer, end);
        if (text.find_first_of(".eE") != std::string::npos) texts.push_back(text);
    }
    std::mt19937_64 random(20261206);
    for (int i = 0; i < 2000; ++i) {
        texts.push_back((i % 2 == 1 ? "-0." : "0.") + std::to_string(random() % 1000000000000000000ull) + "5e" +
                        std::to_string(static_cast<int>(random() % 600) - 300));
    }
    for (const std::string& text : texts) {
        const std::string document = "{\"x\": " + text + "}";
        std::optional<legacy::Json> tree = legacy::parseStrict(
            std::span(reinterpret_cast<const std::uint8_t*>(document.data()), document.size()));
        ASSERT_TRUE(tree) << text;
        double expected = 0;
        ASSERT_EQ(std::from_chars(text.data(), text.data() + text.size(), expected).ec, std::errc{}) << text;
        EXPECT_EQ(legacy::numberToF64(tree->at("x")), expected) << text;
    }
}

std::string nested(std::size_t depth) {
    return R"({"name":"N","version":6,"deep":)" + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
}

TEST(LegacyDocumentParsing, NestingIsBounded) {
    // The top object counts as one level.
    EXPECT_EQ(readText(nested(kMaxLegacyNesting)), namedPreset());
    EXPECT_EQ(readText(nested(kMaxLegacyNesting + 1)), LegacyPreset{});
    EXPECT_EQ(readText(nested(100000)), LegacyPreset{});
    // Unclosed nesting, and brackets inside strings, which do not nest.
    EXPECT_EQ(readText(std::string(100000, '[')), LegacyPreset{});
    EXPECT_EQ(readText(R"({"name":")" + std::string(100000, '[') + R"(","version":6})").name, std::string(100000, '['));
}

TEST(LegacyDocumentParsing, TheNumberOfValuesIsBounded) {
    // Every value counts, containers included; a string counts once however long.
    auto parses = [](std::string_view text, std::size_t values) {
        legacy::TreeLimits limits;
        limits.values = values;
        return legacy::parseStrict(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), limits)
            .has_value();
    };
    const std::string text = R"({"a":[0,1,{"b":null}],"c":"long text","d":true})";  // 8 values
    EXPECT_TRUE(parses(text, 8));
    EXPECT_FALSE(parses(text, 7));
    EXPECT_TRUE(parses("7", 1));
    EXPECT_TRUE(parses("[]", 1));
    EXPECT_FALSE(parses("[[]]", 1));
    EXPECT_FALSE(parses("[0]", 1));
    // A repeated key counts each time it is given.
    EXPECT_FALSE(parses(R"({"a":1,"a":2})", 2));
    // The document reader uses the full limit: a million tiny values is not too many.
    std::string many = R"({"name":"N","version":6,"x":[0)";
    for (int i = 1; i < 1'000'000; ++i) many += ",0";
    EXPECT_EQ(readText(many + "]}"), namedPreset());
}

TEST(LegacyDocumentParsing, VeryLargeStringsAreReadWhole) {
    std::string name(100u << 20, 'x');
    name[0] = 'A';
    name.back() = 'Z';
    std::string text = "{\"version\":6,\"name\":\"" + name + "\"}";
    LegacyPreset preset = readText(text);
    EXPECT_EQ(preset.name.size(), name.size());
    EXPECT_TRUE(preset.name == name);
}

}  // namespace
}  // namespace orbi::test
