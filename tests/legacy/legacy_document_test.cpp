// Legacy documents: the case table of data/documents.txt (members, typing, repeated keys, scopes,
// the tape tone upgrade, texts that are no JSON object), and the parser's limits.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/case_file.hpp"
#include "legacy/legacy_json.hpp"
#include "legacy/preset_text.hpp"

namespace orbi::test {
namespace {

// An input may spell any byte as "%HH".
TEST(LegacyDocument, CaseTable) {
    checkCaseFile(ORBI_CASES "/documents.txt", [](const std::string& text) {
        const LegacyPreset preset = readLegacyDocument(percentDecoded(text));
        const LegacyHeading heading = readLegacyHeading(percentDecoded(text));
        EXPECT_TRUE(heading.name == preset.name && heading.scope == preset.scope) << "the heading differs";
        return presetText(preset);
    });
}

LegacyPreset named() {
    LegacyPreset preset;
    preset.name = "N";
    return preset;
}

TEST(LegacyDocument, NestingValuesAndLengthAreBounded) {
    auto nested = [](std::size_t depth) {  // the top object counts as one level
        return R"({"name":"N","version":6,"deep":)" + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
    };
    EXPECT_EQ(readLegacyDocument(nested(kMaxLegacyNesting)), named());
    EXPECT_EQ(readLegacyDocument(nested(kMaxLegacyNesting + 1)), LegacyPreset{});
    EXPECT_EQ(readLegacyHeading(nested(kMaxLegacyNesting)).name, "N");
    EXPECT_EQ(readLegacyHeading(nested(kMaxLegacyNesting + 1)).name, "");
    EXPECT_EQ(readLegacyDocument(std::string(100000, '[')), LegacyPreset{});
    EXPECT_EQ(readLegacyDocument(R"({"name":")" + std::string(100000, '[') + R"(","version":6})").name, std::string(100000, '['));

    // Every value counts, containers and each repeat of a key included; a string counts once.
    auto parses = [](std::string_view text, std::size_t values) {
        legacy::TreeLimits limits;
        limits.values = values;
        const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        const bool tree = legacy::parseStrict(bytes, limits).has_value();
        EXPECT_TRUE(text[0] != '{' || legacy::topStringMembers(bytes, {}, limits).has_value() == tree) << text;
        return tree;
    };
    const std::string text = R"({"a":[0,1,{"b":null}],"c":"long text","d":true})";  // 8 values
    EXPECT_TRUE(parses(text, 8) && parses("7", 1) && parses("[]", 1));
    EXPECT_FALSE(parses(text, 7) || parses("[[]]", 1) || parses("[0]", 1) || parses(R"({"a":1,"a":2})", 2));
    std::string many = R"({"name":"N","version":6,"x":[0)";
    for (int i = 1; i < 1'000'000; ++i) many += ",0";
    EXPECT_EQ(readLegacyDocument(many + "]}"), named());

    std::string name(100u << 20, 'x');
    name.back() = 'Z';
    EXPECT_TRUE(readLegacyDocument("{\"version\":6,\"name\":\"" + name + "\"}").name == name);
}

// Fractions round to the nearest double on every system, from_chars the oracle: doubles just
// below powers of two are where a C library's strtod can go wrong (MinGW-w64's reads
// 5.005207737957752e-147 as 2^-486); long random ones check the rest.
TEST(LegacyDocument, FractionsAreCorrectlyRounded) {
    std::vector<std::string> texts{"5.005207737957752e-147"};
    for (int shift = -1000; shift <= 1000; ++shift) {
        char buffer[64];
        std::string text(buffer, std::to_chars(buffer, buffer + 64, std::nextafter(std::ldexp(1.0, shift), 0.0)).ptr);
        if (text.find_first_of(".eE") != std::string::npos) texts.push_back(text);
    }
    std::mt19937_64 random(20261206);
    for (int i = 0; i < 2000; ++i) {
        texts.push_back((i % 2 == 1 ? "-0." : "0.") + std::to_string(random() % 1000000000000000000ull) + "5e" +
                        std::to_string(static_cast<int>(random() % 600) - 300));
    }
    for (const std::string& text : texts) {
        const std::string document = "{\"x\": " + text + "}";
        auto tree = legacy::parseStrict(std::span(reinterpret_cast<const std::uint8_t*>(document.data()), document.size()));
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        ASSERT_TRUE(tree) << text;
        EXPECT_EQ(legacy::numberToF64(tree->at("x")), expected) << text;
    }
}

}  // namespace
}  // namespace orbi::test
