// Writer: compact and indented layout, kept number spellings, and adoptReadNumbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "json/json_parser.hpp"
#include "json/json_writer.hpp"
#include "json_test_support.hpp"

namespace orbi {
namespace {

using test::parseOk;

TEST(JsonWriter, DocumentAndCompactLayout) {
    EXPECT_EQ(writeDocument(JsonValue::makeObject()), "{}\n");
    EXPECT_EQ(writeDocument(parseOk(R"({"a":[1,2],"b":{"c":null}})")),
              "{\n  \"a\": [1,2],\n  \"b\": {\n    \"c\": null\n  }\n}\n");
    // Arrays holding arrays or objects take one line per element; arrays of scalars stay compact.
    EXPECT_EQ(writeDocument(parseOk(R"([[1, 2], [], [3, {"k": [true, "s"]}], {}, "x"])")),
              "[\n  [1,2],\n  [],\n  [\n    3,\n    {\n      \"k\": [true,\"s\"]\n    }\n  ],\n  {},\n  \"x\"\n]\n");
    // The first line stands at the given depth; inner lines are indented from it.
    std::string out = "    \"v\": ";
    writePretty(parseOk(R"({"y":[1,[2]]})"), 2, out);
    EXPECT_EQ(out, "    \"v\": {\n      \"y\": [\n        1,\n        [2]\n      ]\n    }");

    const std::string text = R"({"b":[1,2.50,-0,"s\n",{"":{}}],"a":[],"c":true,"d":false,"e":null,"k\"":"\u0001"})";
    EXPECT_EQ(writeCompact(parseOk(text)), text);
    EXPECT_EQ(writeCompact(parseOk(" [ 1 , { \"a\" : [ ] } ] ")), "[1,{\"a\":[]}]");
    JsonValue odd;
    odd.kind = static_cast<JsonKind>(9);
    EXPECT_EQ(writeDocument(odd), "null\n");
}

TEST(JsonWriter, ReadDocumentsWriteBackUnchanged) {
    const std::string doc =
        "{\n"
        "  \"formatVersion\": 1.0,\n"
        "  \"gain\": 0.10,\n"
        "  \"steps\": [0,0.5,1E+3,-0,007],\n"
        "  \"big\": 12345678901234567890123,\n"
        "  \"tiny\": 1e-320,\n"
        "  \"odd\": -Infinity,\n"
        "  \"deep\": [\n"
        "    {\n"
        "      \"é/\\u0007\": \"caf\xC3\xA9 \\\"q\\\"\"\n"
        "    }\n"
        "  ]\n"
        "}\n";
    const JsonValue v = parseOk(doc);
    EXPECT_EQ(writeDocument(v), doc);
    std::string escaped = doc;  // an escaped byte above 7F is written as the raw byte
    escaped.replace(escaped.find("caf\xC3\xA9"), 5, "caf\\u00e9");
    EXPECT_EQ(writeDocument(parseOk(escaped)), doc);
    EXPECT_EQ(parseOk(writeCompact(v)), v);
}

TEST(JsonWriter, NumbersKeepSpellingWhileUnchanged) {
    JsonValue n = parseOk("0.10");
    EXPECT_EQ(formatNumber(n), "0.10");
    n.number = 0.2;
    EXPECT_EQ(formatNumber(n), "0.2");

    // The value replaced by the nearest float of 0.3: the spelling still stands.
    JsonValue f = parseOk("0.3");
    f.number = static_cast<double>(0.3f);
    EXPECT_EQ(formatNumber(f), "0.3");
    f.number = 0.30000001;
    EXPECT_EQ(formatNumber(f), "0.30000001");
    // A neighbouring float is a different value: the shortest digits of the double are written.
    f.number = static_cast<double>(std::nextafter(0.3f, 1.0f));
    EXPECT_EQ(std::strtod(formatNumber(f).c_str(), nullptr), f.number);
    EXPECT_NE(formatNumber(f), "0.3");
    // A double that is no float needs the exact value.
    f.numberText = "0.1";
    f.number = 0.1 + 1e-18;
    EXPECT_EQ(formatNumber(f), "0.1");  // the same double as 0.1
    f.number = std::nextafter(0.1, 1.0);
    EXPECT_EQ(formatNumber(f), "0.10000000000000002");

    // Largest float: a spelling that rounds to it stays; one that overflows the float does not,
    // and a double beyond the float range is never "a float".
    JsonValue m = JsonValue::makeNumber(static_cast<double>(std::numeric_limits<float>::max()), "3.40282356e38");
    EXPECT_EQ(formatNumber(m), "3.40282356e38");  // just below the halfway point to 2^128
    m.numberText = "3.4028236e38";                // above it: rounds to the float infinity
    EXPECT_EQ(formatNumber(m), "3.4028234663852886e+38");
    EXPECT_EQ(formatNumber(JsonValue::makeNumber(1e300, "2e300")), "1e+300");

    // Spellings that do not read back under the parser's number rule are not used.
    for (const char* text : {"5x", "+5", " 5"}) EXPECT_EQ(formatNumber(JsonValue::makeNumber(5, text)), "5") << text;
    EXPECT_EQ(formatNumber(JsonValue::makeNumber(1e300, "1e999")), "1e+300");
    EXPECT_EQ(formatNumber(JsonValue::makeNumber(100, "1e2")), "1e2");

    // Not finite: null, unless the read spelling still gives the same infinity.
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(formatNumber(JsonValue::makeNumber(inf)), "null");
    EXPECT_EQ(formatNumber(parseOk("-nan")), "null");
    EXPECT_EQ(formatNumber(parseOk("-inf")), "-inf");
    EXPECT_EQ(formatNumber(JsonValue::makeNumber(inf, "-inf")), "null");
    // Zero and negative zero are equal values, so a kept spelling wins either way.
    EXPECT_EQ(formatNumber(JsonValue::makeNumber(-0.0, "0")), "0");
    EXPECT_EQ(formatNumber(JsonValue::makeNumber(0.0, "-0.0")), "-0.0");
}

TEST(JsonWriter, AdoptReadNumbers) {
    const JsonValue read = parseOk(R"({"a":1.0,"b":[0.10,2,3],"c":{"x":0.3,"y":7},"d":[1],"e":5,"f":"1"})");
    JsonValue built;
    setMember(built, "e", JsonValue::makeNumber(6));
    setMember(built, "a", JsonValue::makeNumber(1));
    setMember(built, "b", JsonValue::makeArray({JsonValue::makeNumber(0.1), JsonValue::makeNumber(2.5),
                                               JsonValue::makeNumber(3)}));
    JsonValue c;
    setMember(c, "x", JsonValue::makeNumber(static_cast<double>(0.3f)));
    setMember(c, "y", JsonValue::makeNumber(7));
    setMember(c, "z", JsonValue::makeNumber(8));
    setMember(built, "c", c);
    setMember(built, "d", JsonValue::makeArray({JsonValue::makeNumber(1), JsonValue::makeNumber(1)}));
    setMember(built, "f", JsonValue::makeNumber(1));
    adoptReadNumbers(built, read);
    EXPECT_EQ(writeCompact(built), R"({"e":6,"a":1.0,"b":[0.10,2.5,3],"c":{"x":0.3,"y":7,"z":8},"d":[1,1],"f":1})");
    EXPECT_EQ(findMember(built, "c")->members[0].value.number, 0.3);  // the read value too, not only the spelling

    // Many members: found by key wherever they stand.
    std::string text = "{";
    JsonValue wide;
    for (int i = 0; i < 50; ++i) {
        text += "\"p" + std::to_string(i) + "\":" + std::to_string(i) + ".00" + (i < 49 ? "," : "}");
        setMember(wide, "p" + std::to_string(49 - i), JsonValue::makeNumber(49 - i == 7 ? 70 : 49 - i));
    }
    adoptReadNumbers(wide, parseOk(text));
    EXPECT_EQ(findMember(wide, "p3")->numberText, "3.00");
    EXPECT_EQ(findMember(wide, "p49")->numberText, "49.00");
    EXPECT_EQ(findMember(wide, "p7")->numberText, "");
}

}  // namespace
}  // namespace orbi
