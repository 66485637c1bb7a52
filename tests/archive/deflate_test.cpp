// DEFLATE both ways, with zlib as the control: zlib's output at every level and strategy inflates
// to the input, damaged streams decode as zlib decodes them, malformed streams give their exact
// phrase, and zlib inflates what deflateFixed writes, whose exact bytes are pinned.
#include <gtest/gtest.h>

#include <set>

#include "archive/archive_messages.hpp"
#include "archive/crc32.hpp"
#include "archive/deflate.hpp"
#include "archive/inflate.hpp"
#include "support/bytes.hpp"

namespace orbi {
namespace {

using test::Bytes;
namespace text = archive_text;

std::vector<Bytes> inputs() {
    Bytes pattern, skewed, far = test::randomBytes(40000, 4);
    for (int i = 0; i < 5000; ++i) pattern.push_back(static_cast<std::uint8_t>("abcab"[i % 5]));
    std::mt19937 rng(52);  // hash collisions and chains longer than 64 candidates
    for (int i = 0; i < 60000; ++i) skewed.push_back(static_cast<std::uint8_t>("ab"[rng() % 2] + (rng() % 7 == 0 ? 32 : 0)));
    far.insert(far.end(), far.begin(), far.begin() + 1000);  // a repeat from 40,000 bytes back
    return {{}, {0x41}, {7, 7, 7}, {7, 7, 7, 7}, Bytes(1000, 'a'), Bytes(100000, 0), pattern, skewed, far,
            test::randomBytes(3000, 2), test::jsonLike(40000, 1), test::jsonLike(1536 * 1024 + 17, 5)};
}

TEST(Inflate, DecodesZlibAtEveryLevelAndStrategy) {
    const std::pair<int, int> settings[] = {{0, Z_DEFAULT_STRATEGY}, {1, Z_DEFAULT_STRATEGY}, {6, Z_DEFAULT_STRATEGY}, {9, Z_DEFAULT_STRATEGY},
                                            {1, Z_FIXED}, {9, Z_FIXED}, {6, Z_HUFFMAN_ONLY}, {6, Z_RLE}, {6, Z_FILTERED}};
    for (const Bytes& input : inputs()) {
        for (const auto& [level, strategy] : settings) {
            SCOPED_TRACE(testing::Message() << input.size() << " bytes, level " << level << " strategy " << strategy);
            const Bytes packed = test::zlibDeflateRaw(input, level, strategy);
            Bytes out;
            std::string error;
            ASSERT_TRUE(inflateRaw(packed, input.size(), out, error)) << error;
            ASSERT_EQ(out, input);
            if (input.empty()) continue;
            // The declared size is a hard bound; fewer bytes than declared are the caller's business.
            EXPECT_FALSE(inflateRaw(packed, input.size() - 1, out, error));
            EXPECT_EQ(error, text::kMoreDataThanDeclared);
            EXPECT_TRUE(out.size() < input.size() && std::equal(out.begin(), out.end(), input.begin()));
            EXPECT_TRUE(inflateRaw(packed, input.size() + 1000, out, error));
        }
    }
}

// Every prefix and thousands of random changes of streams of every block type, and noise read as
// fixed and dynamic blocks: where zlib decodes, we decode the same bytes; where it stops, we stop
// with the matching phrase, having decoded no more than it did.
TEST(Inflate, DamagedStreamsDecodeAsZlibDecodesThem) {
    // zlib's message beside ours. zlib says "invalid bit length repeat" and "invalid literal/length
    // code" for two faults each. Lengths past the end of the input read as zeros, so where input
    // runs out inside a header ours may name the fault those zeros make.
    const std::set<std::pair<std::string, std::string_view>> agree = {
        {"", ""}, {"end", text::kStreamEndsEarly}, {"end", text::kIncompleteCodeLengthCode},
        {"end", text::kInvalidLiteralLengthCodeLengths}, {"end", text::kTooManyLengths},
        {"invalid block type", text::kInvalidBlockType}, {"invalid stored block lengths", text::kStoredLengthMismatch},
        {"too many length or distance symbols", text::kTooManyLengthOrDistanceCodes},
        {"invalid code lengths set", text::kIncompleteCodeLengthCode}, {"invalid bit length repeat", text::kTooManyLengths},
        {"invalid bit length repeat", text::kRepeatWithNoPreviousLength},
        {"invalid code -- missing end-of-block", text::kNoEndOfBlockCode},
        {"invalid literal/lengths set", text::kInvalidLiteralLengthCodeLengths},
        {"invalid distances set", text::kInvalidDistanceCodeLengths},
        {"invalid literal/length code", text::kInvalidLiteralLengthCode}, {"invalid literal/length code", text::kInvalidLengthSymbol},
        {"invalid distance code", text::kInvalidDistanceCode}, {"invalid distance code", text::kStreamEndsEarly},
        {"invalid distance too far back", text::kDistanceTooFarBack}};
    auto check = [&](const Bytes& in) {
        Bytes ours, theirs;
        std::string error, zlib;
        const bool ok = inflateRaw(in, 1 << 20, ours, error);
        test::zlibInflateRaw(in, theirs, 1 << 20, &zlib);
        ASSERT_TRUE(agree.count({zlib, error})) << "zlib: " << zlib << ", ours: " << error;
        ASSERT_EQ(ok, zlib.empty());
        ASSERT_LE(ours.size(), theirs.size());
        ASSERT_TRUE(std::equal(ours.begin(), ours.end(), theirs.begin()));
        ASSERT_TRUE(!ok || ours.size() == theirs.size());
    };
    const Bytes text = test::jsonLike(3000, 31);
    std::mt19937 rng(33);
    for (const Bytes& s : {test::zlibDeflateRaw(text, 0), test::zlibDeflateRaw(text, 1, Z_FIXED), test::zlibDeflateRaw(text, 9),
                           test::zlibDeflateRaw(test::randomBytes(600, 32), 6, Z_HUFFMAN_ONLY),
                           test::zlibDeflateRaw(Bytes(5000, 'x'), 6)}) {
        for (std::size_t n = 0; n <= s.size(); ++n) check(Bytes(s.begin(), s.begin() + static_cast<long>(n)));
        for (int i = 0; i < 1500; ++i) {
            Bytes damaged = s;
            for (int k = 0, changes = 1 + static_cast<int>(rng() % 3); k < changes; ++k) {
                const std::size_t at = rng() % damaged.size();
                damaged[at] = static_cast<std::uint8_t>(rng() % 2 ? damaged[at] ^ (1u << (rng() % 8)) : rng());
            }
            if (rng() % 4 == 0) damaged.resize(rng() % damaged.size());
            check(damaged);
        }
    }
    for (std::uint32_t i = 0; i < 20000; ++i) {
        Bytes noise = test::randomBytes(1 + rng() % 200, i + 1000);
        noise[0] = static_cast<std::uint8_t>((noise[0] & ~6u) | (rng() % 3 == 0 ? 2u : 4u));  // fixed or dynamic
        check(noise);
    }
}

// A final dynamic block whose code lengths are sent plainly (the code-length code gives 0-15 four
// bits each, so length k is sent as the 4-bit code k), then `body` as (value, bits) fields.
Bytes dynamic(std::initializer_list<std::pair<int, int>> lit, int litCount, std::vector<int> dist,
              std::initializer_list<std::pair<std::uint32_t, int>> body = {}) {
    std::vector<int> bits;
    auto put = [&](std::uint32_t v, int n) { for (int i = 0; i < n; ++i) bits.push_back((v >> i) & 1u); };
    auto code = [&](std::uint32_t v, int n) { for (int i = n - 1; i >= 0; --i) bits.push_back((v >> i) & 1u); };
    std::vector<int> lengths(static_cast<std::size_t>(litCount), 0);
    for (auto [s, len] : lit) lengths[static_cast<std::size_t>(s)] = len;
    put(5, 3);
    put(static_cast<std::uint32_t>(litCount - 257), 5);
    put(static_cast<std::uint32_t>(dist.size() - 1), 5);
    put(15, 4);
    for (int s : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15}) put(s >= 16 ? 0 : 4, 3);
    for (int l : lengths) code(static_cast<std::uint32_t>(l), 4);
    for (int l : dist) code(static_cast<std::uint32_t>(l), 4);
    for (auto [v, n] : body) put(v, n);
    Bytes out((bits.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < bits.size(); ++i) out[i / 8] |= static_cast<std::uint8_t>(bits[i] << (i % 8));
    return out;
}

// Where a code is cut short the answer is "stream ends early"; where all fifteen bits of a code
// are there but match nothing, it is the "invalid ... code" phrase.
TEST(Inflate, EachMalformedStreamGivesItsPhrase) {
    struct Case {
        const char* what;
        Bytes stream;
        std::uint64_t declared;
        std::string_view phrase;  // empty: decodes to `output`
        std::string output = {};
    };
    const auto hex = test::fromHex;
    const std::initializer_list<std::pair<int, int>> two = {{0, 1}, {256, 1}}, withLength = {{0, 2}, {256, 2}, {257, 1}};
    const Case cases[] = {
        {"empty fixed block, input after it ignored", hex("03 00 ff ff ff"), 0, ""},
        {"fixed: length symbol 286", hex("1b 03"), 10, text::kInvalidLengthSymbol},
        {"fixed: distance symbol 30, all 15 bits present", hex("4b 04 3e 00 00"), 10, text::kInvalidDistanceCode},
        {"fixed: distance symbol 30, cut short", hex("4b 04 3e"), 10, text::kStreamEndsEarly},
        // Lengths past the end read as zeros: only 16 has a length (incomplete), then 16 and 17 (complete).
        {"dynamic: code-length lengths cut short, incomplete", hex("05 00 02"), 10, text::kIncompleteCodeLengthCode},
        {"dynamic: code-length lengths cut short, complete", hex("05 00 92"), 10, text::kStreamEndsEarly},
        {"dynamic: repeat as the first length", hex("05 00 02 24"), 10, text::kRepeatWithNoPreviousLength},
        {"dynamic: zeros past the total", hex("05 00 80 e4 ff 1f"), 10, text::kTooManyLengths},
        {"dynamic: a single code of length 1", dynamic({{256, 1}}, 257, {0}, {{0, 1}}), 0, ""},
        {"dynamic: no code matches 15 bits", dynamic({{256, 1}}, 257, {0}, {{1, 1}, {0, 14}}), 0, text::kInvalidLiteralLengthCode},
        {"dynamic: no code matches, fewer than 15 bits left", dynamic({{256, 1}}, 257, {0}, {{1, 1}}), 0, text::kStreamEndsEarly},
        {"dynamic: over-subscribed literal/length code", dynamic({{0, 1}, {1, 1}, {256, 1}}, 257, {0}), 0,
         text::kInvalidLiteralLengthCodeLengths},
        {"dynamic: incomplete literal/length code", dynamic({{0, 2}, {256, 2}}, 257, {0}), 0, text::kInvalidLiteralLengthCodeLengths},
        {"dynamic: incomplete distance code", dynamic(two, 257, {2, 2}), 0, text::kInvalidDistanceCodeLengths},
        // One code is accepted whatever its length; only codes of more than one symbol must be complete.
        {"dynamic: a single distance code of length 3", dynamic(two, 257, {3}, {{1, 1}}), 0, ""},
        // Codes: 257 "0", literal 0 "10", end "11"; literal 0, length 3 at distance 1 (code "0"), end.
        {"dynamic: match through a single distance code", dynamic(withLength, 258, {1}, {{1, 2}, {0, 1}, {0, 1}, {3, 2}}), 4, "",
         std::string(4, '\0')},
        {"dynamic: unused distance code, 15 bits present", dynamic(withLength, 258, {1}, {{1, 2}, {0, 1}, {1, 1}, {0, 14}}), 4,
         text::kInvalidDistanceCode},
        {"dynamic: unused distance code, cut short", dynamic(withLength, 258, {1}, {{1, 2}, {0, 1}, {1, 1}}), 4, text::kStreamEndsEarly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes out;
        std::string error;
        EXPECT_EQ(inflateRaw(c.stream, c.declared, out, error), c.phrase.empty());
        EXPECT_EQ(error, c.phrase);
        if (c.phrase.empty()) {
            EXPECT_EQ(test::textOf(out), c.output);
        }
    }
}

TEST(Deflate, ExactBytesAndZlibDecodesThem) {
    // Tokens: literals under three bytes; 4x7 is 7 then (3, 1); a run of 1,000 is one literal and
    // matches of 258, 258, 258, 225; of equally long candidates the nearest wins.
    const std::pair<Bytes, const char*> small[] = {
        {{}, "03 00"}, {{0x41}, "73 04 00"}, {{7, 7, 7}, "63 67 67 07 00"}, {{7, 7, 7, 7}, "63 07 02 00"},
        {{7, 7, 7, 7, 7}, "63 07 01 00"}, {Bytes(1000, 'z'), "ab 1a 05 a3 60 14 0c 7b 00 00"},
        {test::bytesOf("abcXabcYabc"), "4b 4c 4a 8e 00 e2 48 20 06 00"}};
    for (const auto& [input, hex] : small) EXPECT_EQ(deflateFixed(input), test::fromHex(hex)) << hex;
    // Larger inputs by size and CRC-32 of the output: a repeat 32,768 bytes back is reached and one
    // 32,769 back is not; JSON text; hash chains past 64 candidates.
    std::vector<std::pair<Bytes, std::pair<std::size_t, std::uint32_t>>> large;
    for (std::size_t gap : {32768u, 32769u}) {
        Bytes in = test::randomBytes(gap, 51);
        in.insert(in.end(), in.begin(), in.begin() + 300);
        large.push_back({in, gap == 32768 ? std::pair{34550u, 0x0750e949u} : std::pair{34863u, 0x369cff59u}});
    }
    large.push_back({test::jsonLike(40000, 1), {10930, 0x28c23355u}});
    large.push_back({inputs()[7], {22365, 0x744ce74cu}});
    for (const auto& [input, want] : large) {
        const Bytes got = deflateFixed(input);
        EXPECT_EQ(std::pair(got.size(), crc32(got)), want) << input.size();
    }
    for (const Bytes& input : inputs()) {
        const Bytes packed = deflateFixed(input);
        Bytes back;
        ASSERT_TRUE(test::zlibInflateRaw(packed, back, input.size())) << input.size();
        ASSERT_EQ(back, input);
        ASSERT_EQ(deflateFixed(input), packed) << "output depends on nothing but the input";
    }
}

}  // namespace
}  // namespace orbi
