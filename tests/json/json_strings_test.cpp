// Strings both ways: escapes and surrogates when reading, quoteString when writing, and that
// every byte survives a write and a read.
#include <gtest/gtest.h>

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

std::string readString(std::string_view quoted) {
    const JsonValue v = parseOk(quoted);
    EXPECT_TRUE(v.isString()) << quoted;
    return v.string;
}

TEST(JsonStrings, EscapesRead) {
    struct Case {
        std::string text;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {R"("\"\\\/")", "\"\\/"},
        {R"("\b\f\n\r\t")", "\x08\x0C\x0A\x0D\x09"},
        {R"("\q\ ")", "q "},  // any other byte stands for itself
        {R"("\u0041\u00e9\u00E9\u20AC")", "A\xC3\xA9\xC3\xA9\xE2\x82\xAC"},
        {R"("\u0000")", std::string(1, '\0')},
        {R"("\u007f\u0080\u07FF\u0800\uFFFF")", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
        {R"("\uD83D\uDE00")", "\xF0\x9F\x98\x80"},
        {R"("\uDBFF\uDFFF\uD800\uDC00")", "\xF4\x8F\xBF\xBF\xF0\x90\x80\x80"},
        {R"("\uD83D")", "\xED\xA0\xBD"},  // a lone high unit is kept as itself, and so is a low one
        {R"("\uD83Dx\uD83D\n\uDE00\uD83D\uDE00")", "\xED\xA0\xBDx\xED\xA0\xBD\n\xED\xB8\x80\xF0\x9F\x98\x80"},
        {"\"raw\x01\x1F\t\n\x7F\x80\xFF\xC3(\"", "raw\x01\x1F\t\n\x7F\x80\xFF\xC3("},  // copied unchecked
    };
    for (const Case& c : cases) EXPECT_EQ(readString(c.text), c.bytes) << c.text;
    EXPECT_EQ(failureOf(R"("\u12" )"), json_reason::kBadEscape);  // four bytes remain, the quote is not hex
    EXPECT_EQ(failureOf("\"\\u123"), json_reason::kTruncatedEscape);
    EXPECT_EQ(failureOf("\"\\u1234"), json_reason::kUnterminatedString);
}

TEST(JsonStrings, QuoteOrBackslashFoundAtEveryPosition) {
    // The string scanner reads eight bytes at a time; put the special bytes at every offset.
    for (std::size_t length = 0; length < 40; ++length) {
        const std::string body(length, 'a');
        EXPECT_EQ(readString("\"" + body + "\""), body);
        EXPECT_EQ(failureOf("\"" + body), json_reason::kUnterminatedString);
        for (std::size_t at = 0; at <= length; ++at) {
            std::string escaped = body;
            escaped.insert(at, "\\\"");
            std::string expected = body;
            expected.insert(at, "\"");
            EXPECT_EQ(readString("\"" + escaped + "\""), expected) << length << " " << at;
            // A quote ends the string early: what follows is trailing content.
            std::string early = body;
            early.insert(at, "\"");
            if (at < length) {
                EXPECT_EQ(failureOf("\"" + early + "\""), json_reason::kTrailingContent);
            }
        }
    }
    // Bytes that only look like a quote or backslash in some bits.
    const std::string lookalikes = "\xA2\xDC\x22\x5C\x02\x7C\x23\x5D";
    EXPECT_EQ(readString("\"\xA2\xDC\xA2\xDC\x21\x5B\x62\x1C\xA2\"" ), "\xA2\xDC\xA2\xDC\x21\x5B\x62\x1C\xA2");
    EXPECT_EQ(failureOf("\"" + lookalikes + "\""), json_reason::kTrailingContent);
}

TEST(JsonStrings, QuoteStringEscapesExactlyQuoteBackslashAndControlBytes) {
    EXPECT_EQ(quoteString("a/b\"\\\t\n\r"), R"("a/b\"\\\t\n\r")");
    EXPECT_EQ(quoteString(std::string("\x00\x01\x08\x0C\x1F", 5)), R"("\u0000\u0001\u0008\u000c\u001f")");
    EXPECT_EQ(quoteString("\x7F\x80\xFF\xE2\x82\xAC"), "\"\x7F\x80\xFF\xE2\x82\xAC\"");
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string quoted = quoteString(one);
        EXPECT_EQ(quoted.size() > 3, b < 0x20 || b == '"' || b == '\\') << b;
        EXPECT_EQ(readString(quoted), one) << b;
    }
}

TEST(JsonStrings, RandomBytesSurviveWriteAndRead) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(rng() % 70, '\0');
        for (char& c : bytes) c = static_cast<char>(rng() % 4 == 0 ? "\"\\\n\x01\x7F/u"[rng() % 7] : rng() % 256);
        const std::string quoted = quoteString(bytes);
        ASSERT_EQ(readString(quoted), bytes);
        // As an object key too.
        const JsonValue v = parseOk("{" + quoted + ":1}");
        ASSERT_EQ(v.members.at(0).key, bytes);
    }
}

}  // namespace
}  // namespace orbi
