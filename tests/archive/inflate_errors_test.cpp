// Inflate fault phrases: malformed streams, as hex or built from fields, and the exact phrase each
// must give. Where a code is cut short the answer is "stream ends early"; where all fifteen bits
// of a code are there but match nothing it is the "invalid ... code" phrase.
#include <gtest/gtest.h>

#include <set>

#include "archive/archive_messages.hpp"
#include "archive/inflate.hpp"
#include "support/bytes.hpp"
#include "reference_inflate.hpp"

namespace orbi {
namespace {

using test::Bytes;
namespace text = archive_text;

struct Case {
    const char* what;
    Bytes stream;
    std::uint64_t declared;
    std::string_view phrase;  // empty: decodes
    std::string output = {};
};

std::vector<int> litLengths(std::initializer_list<std::pair<int, int>> set, int count = 257) {
    std::vector<int> l(static_cast<std::size_t>(count), 0);
    for (auto [s, len] : set) l[static_cast<std::size_t>(s)] = len;
    return l;
}

Bytes dynamic(const std::vector<int>& lit, const std::vector<int>& dist, std::initializer_list<std::pair<std::uint32_t, int>> body = {}) {
    test::BitWriter w;
    test::dynamicHeader(w, lit, dist);
    for (auto [v, n] : body) w.put(v, n);
    return w.bytes();
}

std::vector<Case> cases() {
    std::vector<Case> c = {
        {"no input at all", test::fromHex(""), 10, text::kStreamEndsEarly},
        {"block type 3", test::fromHex("07"), 10, text::kInvalidBlockType},
        {"stored: LEN/NLEN missing", test::fromHex("01 05"), 10, text::kStreamEndsEarly},
        {"stored: NLEN not the complement", test::fromHex("01 05 00 fb ff 61 62 63 64 65"), 10, text::kStoredLengthMismatch},
        {"stored: data cut short", test::fromHex("01 05 00 fa ff 61 62"), 10, text::kStreamEndsEarly},
        {"stored: more than declared", test::fromHex("01 05 00 fa ff 61 62 63 64 65"), 4, text::kMoreDataThanDeclared},
        {"stored: exactly declared", test::fromHex("01 05 00 fa ff 61 62 63 64 65"), 5, "", "abcde"},
        {"empty stored block", test::fromHex("01 00 00 ff ff"), 0, ""},
        {"non-final stored then nothing", test::fromHex("00 00 00 ff ff"), 10, text::kStreamEndsEarly},
        {"stored then fixed", test::fromHex("00 02 00 fd ff 61 62 4b 06 00"), 3, "", "abc"},
        {"input after the final block is ignored", test::fromHex("03 00 ff ff ff"), 0, ""},
        {"fixed: two literals", test::fromHex("4b 4c 04 00"), 2, "", "aa"},
        {"fixed: one literal too many", test::fromHex("4b 4c 04 00"), 1, text::kMoreDataThanDeclared},
        {"fixed: literal and a match", test::fromHex("4b 04 02 00"), 4, "", "aaaa"},
        {"fixed: match past the declared size", test::fromHex("4b 04 02 00"), 3, text::kMoreDataThanDeclared},
        {"fixed: distance 2 after one byte", test::fromHex("4b 04 42 00"), 10, text::kDistanceTooFarBack},
        {"fixed: length symbol 286", test::fromHex("1b 03"), 10, text::kInvalidLengthSymbol},
        {"fixed: distance symbol 30, all 15 bits present", test::fromHex("4b 04 3e 00 00"), 10, text::kInvalidDistanceCode},
        {"fixed: distance symbol 30, cut short", test::fromHex("4b 04 3e"), 10, text::kStreamEndsEarly},
        {"fixed: no end-of-block", test::fromHex("4b 04"), 10, text::kStreamEndsEarly},
        {"dynamic: 287 literal/length codes", test::fromHex("f5 00 00"), 10, text::kTooManyLengthOrDistanceCodes},
        {"dynamic: 31 distance codes", test::fromHex("05 1e 00"), 10, text::kTooManyLengthOrDistanceCodes},
        {"dynamic: header cut short", test::fromHex("05"), 10, text::kStreamEndsEarly},
        {"dynamic: empty code-length code", test::fromHex("05 00 00 00"), 10, text::kIncompleteCodeLengthCode},
        {"dynamic: over-subscribed code-length code", test::fromHex("05 00 92 04"), 10, text::kIncompleteCodeLengthCode},
        // Lengths past the end read as zeros, so the completeness check speaks first: here only
        // symbol 16 gets a length, 1 ...
        {"dynamic: code-length lengths cut short, incomplete", test::fromHex("05 00 02"), 10, text::kIncompleteCodeLengthCode},
        // ... and here 16 and 17 both get length 1, a complete code, so the first decode finds the end.
        {"dynamic: code-length lengths cut short, complete", test::fromHex("05 00 92"), 10, text::kStreamEndsEarly},
        {"dynamic: repeat as the first length", test::fromHex("05 00 02 24"), 10, text::kRepeatWithNoPreviousLength},
        {"dynamic: zeros past the total", test::fromHex("05 00 80 e4 ff 1f"), 10, text::kTooManyLengths},
        {"dynamic: lengths cut short", test::fromHex("05 00 80 e4"), 10, text::kStreamEndsEarly},
    };

    const auto single = litLengths({{256, 1}});
    c.push_back({"dynamic: a single code of length 1", dynamic(single, {0}, {{0, 1}}), 0, ""});
    c.push_back({"dynamic: no code matches 15 bits", dynamic(single, {0}, {{1, 1}, {0, 14}}), 0, text::kInvalidLiteralLengthCode});
    c.push_back({"dynamic: no code matches, fewer than 15 bits left", dynamic(single, {0}, {{1, 1}}), 0, text::kStreamEndsEarly});
    c.push_back({"dynamic: no end-of-block code", dynamic(litLengths({{0, 1}, {1, 1}}), {0}), 0, text::kNoEndOfBlockCode});
    c.push_back({"dynamic: over-subscribed literal/length code", dynamic(litLengths({{0, 1}, {1, 1}, {256, 1}}), {0}), 0,
                 text::kInvalidLiteralLengthCodeLengths});
    c.push_back({"dynamic: incomplete literal/length code of two codes", dynamic(litLengths({{0, 2}, {256, 2}}), {0}), 0,
                 text::kInvalidLiteralLengthCodeLengths});
    const auto two = litLengths({{0, 1}, {256, 1}});
    c.push_back({"dynamic: over-subscribed distance code", dynamic(two, {1, 1, 1}), 0, text::kInvalidDistanceCodeLengths});
    c.push_back({"dynamic: incomplete distance code of two codes", dynamic(two, {2, 2}), 0, text::kInvalidDistanceCodeLengths});
    // One code is accepted whatever its length; only codes of more than one symbol must be complete.
    c.push_back({"dynamic: a single distance code of length 3", dynamic(two, {3}, {{1, 1}}), 0, ""});
    // Codes: 257 "0", literal 0 "10", end "11". Literal 0, then length 3 at distance 1 (the one
    // distance code "0"), then the end.
    const auto withLength = litLengths({{0, 2}, {256, 2}, {257, 1}}, 258);
    c.push_back({"dynamic: match through a single distance code", dynamic(withLength, {1}, {{1, 2}, {0, 1}, {0, 1}, {3, 2}}), 4,
                 "", std::string(4, '\0')});
    c.push_back({"dynamic: unused distance code, 15 bits present", dynamic(withLength, {1}, {{1, 2}, {0, 1}, {1, 1}, {0, 14}}), 4,
                 text::kInvalidDistanceCode});
    c.push_back({"dynamic: unused distance code, cut short", dynamic(withLength, {1}, {{1, 2}, {0, 1}, {1, 1}}), 4,
                 text::kStreamEndsEarly});
    return c;
}

TEST(InflateErrors, EachMalformedStreamGivesItsPhrase) {
    for (const Case& c : cases()) {
        Bytes out;
        std::string error;
        const bool ok = inflateRaw(c.stream, c.declared, out, error);
        EXPECT_EQ(ok, c.phrase.empty()) << c.what;
        EXPECT_EQ(error, c.phrase) << c.what;
        if (c.phrase.empty()) {
            EXPECT_EQ(test::textOf(out), c.output) << c.what;
        }
        // The plain decoder agrees on every case, so the table and the rules cannot drift apart.
        const auto ref = test::referenceInflate(c.stream, c.declared);
        EXPECT_EQ(ref.error, c.phrase) << c.what;
    }
}

TEST(InflateErrors, EveryPhraseIsCovered) {
    std::set<std::string_view> seen;
    for (const Case& c : cases()) seen.insert(c.phrase);
    // "invalid code-length code" cannot occur: the code-length code must be complete, and every
    // bit pattern decodes in a complete code.
    for (std::string_view p : {text::kStreamEndsEarly, text::kInvalidBlockType, text::kStoredLengthMismatch,
                               text::kMoreDataThanDeclared, text::kTooManyLengthOrDistanceCodes,
                               text::kIncompleteCodeLengthCode, text::kRepeatWithNoPreviousLength, text::kTooManyLengths,
                               text::kNoEndOfBlockCode, text::kInvalidLiteralLengthCodeLengths,
                               text::kInvalidDistanceCodeLengths, text::kInvalidLiteralLengthCode,
                               text::kInvalidLengthSymbol, text::kInvalidDistanceCode, text::kDistanceTooFarBack})
        EXPECT_TRUE(seen.count(p)) << p;
}

}  // namespace
}  // namespace orbi
