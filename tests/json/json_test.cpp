// JSON: every text's verdict as one table (its compact writing, or "! " and the exact reason);
// strtod and Python's float repr as controls for numbers read and written; the writer's layouts
// and kept spellings; and parse -> write -> parse as a property.
#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>

#include "json/json_parser.hpp"
#include "json/json_reasons.hpp"
#include "json/json_writer.hpp"
#include "support/case_file.hpp"
#include "support/host.hpp"

namespace orbi {
namespace {

namespace reason = json_reason;

std::string verdict(std::string_view text, JsonValue* out = nullptr) {
    JsonValue v;
    std::string why;
    if (!parseJson(text, v, why)) return "! " + why;
    if (out) *out = v;
    return writeCompact(v);
}
TEST(JsonParser, EveryTextGivesItsWritingOrItsExactReason) {
    test::checkCaseFile(ORBI_CASES "/texts.txt", [](const std::string& input) {
        std::istringstream lines(input);
        std::string out, line;
        while (std::getline(lines, line)) out += line + "  =>  " + test::percentEncoded(verdict(test::percentDecoded(line))) + "\n";
        return out;
    });
    // The text ends where its view ends, whatever follows in memory.
    EXPECT_EQ(verdict(std::string_view("[1] ", 3)), "[1]");
    // Values read into reused places keep nothing of the kinds held there before.
    JsonValue v;
    verdict(R"([[1.5,true,"t",[0]],["s",{},null,false]])", &v);
    const auto& s = v.items()[1].items();
    EXPECT_TRUE(s[0].number() == 0.0 && !s[0].boolean() && s[0].numberText().empty() && s[0].items().empty() && s[2].string().empty() && !s[3].boolean());
    verdict(R"([{"a":1,"b":[2,3,4],"c":{}},5])", &v);  // every vector at its exact size
    EXPECT_TRUE(v.items().capacity() == 2 && v.items()[0].members().capacity() == 3 && v.items()[0].members()[1].value.items().capacity() == 3);
}

TEST(JsonParser, DuplicateKeysAnywhereNestingAndDocuments) {
    for (int count : {12, 13, 40, 1000}) {  // large objects check keys through an index
        std::string text = "{";
        for (int i = 0; i < count; ++i) text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
        EXPECT_EQ(verdict(text.substr(0, text.size() - 1) + "}").size(), text.size());
        for (int repeat : {0, count / 2, count - 1})
            EXPECT_EQ(verdict(text + "\"k" + std::to_string(repeat) + "\":0}"), "! duplicate key \"k" + std::to_string(repeat) + "\"");
    }
    // At most 256 nested containers, objects and arrays alike; siblings at the deepest level add nothing.
    EXPECT_EQ(verdict(std::string(256, '[') + std::string(256, ']')), std::string(256, '[') + std::string(256, ']'));
    EXPECT_EQ(verdict(std::string(257, '[') + std::string(257, ']')), "! document nested too deep");
    EXPECT_EQ(verdict(std::string(100000, '[')), "! document nested too deep");
    std::string mixed, closing;
    for (int i = 0; i < 128; ++i) mixed += "{\"k\":[", closing += "]}";
    EXPECT_EQ(verdict(mixed + closing), mixed + closing);
    EXPECT_EQ(verdict(mixed + "{}" + closing), "! document nested too deep");
    EXPECT_EQ(verdict(std::string(255, '[') + "[],{}" + std::string(255, ']')).size(), 515u);

    // Documents: one "document-unreadable" error after a whole byte order mark, at most one skipped.
    DiagnosticList d;
    EXPECT_FALSE(parseDocument(std::string_view("{\"a\":1,\"a\":2}"), "/instance.json", d));
    const auto doc = parseDocument(std::string_view("\xEF\xBB\xBF{\"a\":[1]}"), "", d);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->members().at(0).value.items().at(0).number(), 1.0);
    const std::vector<std::uint8_t> bomOnly = {0xEF, 0xBB, 0xBF};
    EXPECT_FALSE(parseDocument(std::span<const std::uint8_t>(bomOnly), "p", d));
    EXPECT_FALSE(parseDocument(std::string_view("\xEF\xBB\xBF\xEF\xBB\xBF" "1"), "", d));
    EXPECT_FALSE(parseDocument(std::string_view("\xEF\xBB"), "", d));
    const auto unreadable = [](std::string path, std::string why) {
        return Diagnostic{Severity::Error, "document-unreadable", std::move(path), "The document is not valid JSON: " + why};
    };
    EXPECT_EQ(d, (DiagnosticList{unreadable("/instance.json", "duplicate key \"a\""), unreadable("p", "empty document"),
                                 unreadable("", "invalid number"), unreadable("", "invalid number")}));
}

// strtod is the control: every spelling reads as the same double, bit for bit, on the short
// decimal path and the general one; out of range is an invalid number.
TEST(JsonParser, NumbersReadAsStrtodReads) {
    std::mt19937_64 rng(4242);
    auto digits = [&](std::size_t count) {
        std::string d;
        for (std::size_t i = 0; i < count; ++i) d += static_cast<char>('0' + rng() % 10);
        return d;
    };
    std::vector<std::string> texts = {"9007199254740993", "0.9007199254740993", "1234567890123456789", "12345678901234567890",
                                      "18446744073709551616", "99999999999999999999.5", "0.0000000000000000000001", "1.7976931348623157e308", "-0", "-0.0"};
    for (const char* edge : {"1e27", "1e28", "1234567890123456789e-27", "1234567890123456789e-28", "9999999999999999999e27", "0e-99999", "5E+0005"})
        texts.push_back(edge);  // the bounds of the exact conversions
    for (int i = 0; i < 4000; ++i) {  // exactly halfway between two doubles: odd * 2^-f, odd in [2^53, 2^54), spelled as odd * 5^f / 10^f
        const int f = i % 4;
        std::string text = std::to_string(((std::uint64_t{1} << 53) | (rng() >> 11) | 1) * (f == 0 ? 1 : f == 1 ? 5 : f == 2 ? 25 : 125));
        texts.push_back(f == 0 ? text : text.insert(text.size() - static_cast<std::size_t>(f), "."));
    }
    for (int i = 0; i < 30000; ++i) {
        std::string text = (rng() % 3 == 0 ? "-" : "") + digits(1 + rng() % 20);
        if (rng() % 4 != 0) text += "." + digits(rng() % 24);
        if (rng() % 5 == 0) text += (rng() % 2 ? "e" : "E") + std::string(rng() % 2 ? "-" : "") + std::to_string(rng() % 340);
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        errno = 0;
        const double expected = std::strtod(text.c_str(), nullptr);
        JsonValue v;
        const std::string got = verdict(text, &v);
        if (std::isinf(expected) || (expected == 0.0 && errno == ERANGE)) {
            ASSERT_EQ(got, "! invalid number") << text;
            continue;
        }
        ASSERT_EQ(got, text);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(v.number()), std::bit_cast<std::uint64_t>(expected)) << text;
    }
    // Spellings of up to 21 bytes are kept in the value, longer ones apart; either way a copy keeps them, ending in a zero byte.
    for (const char* text : {"-0.12345678901234567", "-0.012345678901234567", "-0.0012345678901234567"}) {
        JsonValue v;
        ASSERT_EQ(verdict(text, &v), text);
        const JsonValue copy = v;
        EXPECT_TRUE(copy.numberText() == std::string_view(text) && std::strlen(copy.numberText().c_str()) == copy.numberText().size()) << text;
    }
}

TEST(JsonStrings, ScannerFindsQuoteAndBackslashAtEveryOffsetAndEveryByteRoundTrips) {
    for (std::size_t length = 0; length < 40; ++length) {  // the scanner reads eight bytes at a time
        const std::string body(length, 'a');
        EXPECT_EQ(verdict("\"" + body), "! unterminated string");
        for (std::size_t at = 0; at <= length; ++at) {
            const std::string before = body.substr(0, at), after = body.substr(at);
            EXPECT_EQ(verdict("\"" + before + "\\\"" + after + "\""), "\"" + before + "\\\"" + after + "\"");
            if (at < length) {
                EXPECT_EQ(verdict("\"" + before + "\"" + after + "\""), "! unexpected content after the document");
            }
        }
    }
    EXPECT_EQ(quoteString(std::string("/\"\\\t\n\r\x00\x01\x08\x0C\x1F\x7F\x80\xFF", 14)), R"("/\"\\\t\n\r\u0000\u0001\u0008\u000c\u001f)" "\x7F\x80\xFF\"");
    std::mt19937 rng(20240611);
    for (int round = 0; round < 2256; ++round) {
        std::string bytes(round < 256 ? 1 : rng() % 70, static_cast<char>(round));
        if (round >= 256)
            for (char& c : bytes) c = static_cast<char>(rng() % 4 == 0 ? "\"\\\n\x01\x7F/u"[rng() % 7] : rng() % 256);
        const std::string quoted = quoteString(bytes);
        JsonValue v, k;
        ASSERT_EQ(verdict(quoted, &v), quoted);
        ASSERT_EQ(v.string(), bytes);
        ASSERT_EQ(verdict("{" + quoted + ":1}", &k), "{" + quoted + ":1}");
        ASSERT_EQ(k.members().at(0).key, bytes);
    }
}

// Python's float repr (the shortest digits that read back, the nearest when two are as short) is
// the control for the digits; the text is plain or scientific, whichever is shorter, plain on a tie.
TEST(JsonNumberFormat, ShortestDigitsAsPythonFindsThem) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    std::mt19937_64 rng(0x5eed);
    std::vector<double> values = {std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min()};
    for (int i = 0; i < 40000; ++i) values.push_back(std::bit_cast<double>(rng()));  // any bit pattern
    for (int i = 0; i < 20000; ++i)  // few significant digits at any scale: the plain/scientific choice matters here
        values.push_back(std::strtod((std::to_string(rng() % 100000) + "e" + std::to_string(static_cast<int>(rng() % 60) - 30)).c_str(), nullptr));
    for (int shift = -1074; shift < 1024; ++shift) values.push_back(std::ldexp(shift % 2 ? -1.0 : 1.0, shift));  // uneven intervals
    for (std::uint64_t k = (1ULL << 53) - 50; k < (1ULL << 53) + 50; ++k) values.push_back(static_cast<double>(k));
    for (int i = 0; i < 2000; ++i) values.push_back(std::bit_cast<double>(rng() >> 12)), values.push_back(static_cast<double>(rng()));
    std::erase_if(values, [](double v) { return !std::isfinite(v) || v == 0; });
    test::TempFolder dir;
    std::string bits;
    for (double v : values) bits += std::to_string(std::bit_cast<std::uint64_t>(v)) + "\n";
    test::writeFile(dir / "bits.txt", bits);
    test::writeFile(dir / "repr.py",
                    "import struct, sys\nfrom decimal import Decimal\nfor line in open(sys.argv[1]):\n"
                    "    t = Decimal(repr(abs(struct.unpack('<d', struct.pack('<Q', int(line)))[0]))).normalize().as_tuple()\n"
                    "    print(''.join(map(str, t.digits)), len(t.digits) - 1 + t.exponent)\n");
    const std::string cmd = "python3 '" + (dir / "repr.py").string() + "' '" + (dir / "bits.txt").string() + "' > '" + (dir / "out.txt").string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::istringstream python(test::readFile(dir / "out.txt"));
    for (double v : values) {
        std::string digits;  // v is d.ddd x 10^exponent
        int exponent = 0;
        ASSERT_TRUE(python >> digits >> exponent);
        const int n = static_cast<int>(digits.size());
        const std::string plain = exponent >= n - 1 ? digits + std::string(static_cast<std::size_t>(exponent - n + 1), '0')
                                  : exponent >= 0   ? digits.insert(static_cast<std::size_t>(exponent + 1), ".")
                                                    : "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
        char e[8];
        std::snprintf(e, sizeof e, "e%+03d", exponent);
        const std::string scientific = digits.substr(0, 1) + (n > 1 ? "." + digits.substr(1, static_cast<std::size_t>(n - 1)) : "") + e;
        const std::string text = formatDouble(v);
        ASSERT_EQ(text, (v < 0 ? "-" : "") + (plain.size() <= scientific.size() ? plain : scientific)) << std::hexfloat << v;
        JsonValue back;
        ASSERT_EQ(verdict(text, &back), text);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(back.number()), std::bit_cast<std::uint64_t>(v)) << text;
    }
}

// data/numbers.txt: a value as strtod reads it, the spelling it came with in quotes; the text written.
TEST(JsonWriter, NumbersKeepTheirSpellingWhileItStandsForTheValueOrItsFloat) {
    test::checkCaseFile(ORBI_CASES "/numbers.txt", [](const std::string& input) {
        std::istringstream lines(input);
        std::string out, line;
        while (std::getline(lines, line)) {
            const double value = std::strtod(line.c_str(), nullptr);
            const std::string spelling = line.substr(line.find('"') + 1, line.rfind('"') - line.find('"') - 1);
            const std::string text = formatNumber(JsonValue::makeNumber(value, spelling));
            out += line + "  =>  " + text + (spelling.empty() && formatDouble(value) != text ? ", formatDouble " + formatDouble(value) : "") + "\n";
        }
        return out;
    });
}

// data/layouts.txt: a text and the document it is written as; a document written by the writer
// reads and writes back unchanged.
TEST(JsonWriter, LayoutsReadDocumentsWriteBackUnchanged) {
    test::checkCaseFile(ORBI_CASES "/layouts.txt", [](const std::string& input) {
        JsonValue v, again;
        verdict(input, &v);
        const std::string text = writeDocument(v);
        EXPECT_EQ(writeDocument((verdict(text, &again), again)), text);
        return text;
    });
    JsonValue v;
    std::string out = "    \"v\": ";  // the first line stands at the given depth
    verdict(R"({"y":[1,[2]]})", &v);
    writePretty(v, 2, out);
    EXPECT_EQ(out, "    \"v\": {\n      \"y\": [\n        1,\n        [2]\n      ]\n    }");
}

TEST(JsonValue, MembersAndAdoptedSpellings) {
    JsonValue v, copy;
    EXPECT_EQ(findMember(v, "a"), nullptr);
    setMember(v, "b", JsonValue::makeNumber(1));
    setMember(v, "a", JsonValue::makeString("x"));
    setMember(v, "b", JsonValue::makeBool(true));  // replaced in place
    copy = v;
    findMember(copy, "a")->editString() = "changed";  // a deep copy
    EXPECT_TRUE(stringMemberOr(v, "a", "f") == "x" && stringMemberOr(v, "b", "f") == "f" && stringMemberOr(v, "c", "f") == "f");
    EXPECT_EQ(findMember(v, std::string_view("a\0", 2)), nullptr);
    EXPECT_TRUE(JsonValue::makeNumber(1, "1.0") == JsonValue::makeNumber(1, "1.0") && !(JsonValue::makeNumber(1, "1") == JsonValue::makeNumber(1, "1.0")) &&
                !(JsonValue::makeNumber(1) == JsonValue::makeNumber(2)) && !(JsonValue() == JsonValue::makeBool(false)) && JsonValue() == JsonValue());
    EXPECT_EQ(writeCompact(v), R"({"b":true,"a":"x"})");
    EXPECT_TRUE(removeMember(v, "b") && !removeMember(v, "b"));
    JsonValue s = JsonValue::makeString("text");  // a member set on a scalar makes an object
    setMember(s, "k", JsonValue());
    EXPECT_EQ(writeCompact(v) + writeCompact(s), R"({"a":"x"}{"k":null})");
    JsonValue whole = JsonValue::makeArray({JsonValue::makeArray({JsonValue::makeString("a part of the whole")})});  // set from a part of itself
    whole.setItems(std::move(whole.editItems()[0].editItems())), whole.setString(whole.items()[0].string());
    EXPECT_EQ(writeCompact(whole), R"("a part of the whole")");

    // Numbers that still agree with the read ones take their value and spelling, found by key.
    JsonValue read, built;
    verdict(R"({"a":1.0,"b":[0.10,2,3],"c":{"x":0.3,"y":7},"d":[1],"e":5,"f":"1"})", &read);
    verdict(R"({"e":6,"a":1,"b":[0.1,2.5,3],"c":{"x":0.30000001192092896,"y":7,"z":8},"d":[1,1],"f":1})", &built);
    adoptReadNumbers(built, read);
    EXPECT_EQ(writeCompact(built), R"({"e":6,"a":1.0,"b":[0.10,2.5,3],"c":{"x":0.3,"y":7,"z":8},"d":[1,1],"f":1})");
    EXPECT_EQ(findMember(built, "c")->members()[0].value.number(), 0.3);
    std::string text = "{", wide = "{";
    for (int i = 0; i < 50; ++i) {
        text += "\"p" + std::to_string(i) + "\":" + std::to_string(i) + ".00" + (i < 49 ? "," : "}");
        wide += "\"p" + std::to_string(49 - i) + "\":" + std::to_string(49 - i == 7 ? 70 : 49 - i) + (i < 49 ? "," : "}");
    }
    verdict(text, &read), verdict(wide, &built);
    adoptReadNumbers(built, read);
    EXPECT_EQ(writeCompact(*findMember(built, "p3")) + writeCompact(*findMember(built, "p49")) + writeCompact(*findMember(built, "p7")), "3.0049.0070");
}
}  // namespace
}  // namespace orbi
