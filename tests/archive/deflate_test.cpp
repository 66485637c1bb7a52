// Deflate: exact bytes against a plain transcription of the matching rules (64-bit head and
// chain tables, base-table searches, a 32-bit bit accumulator); the token structure of known
// inputs; and every output decoded back by zlib and by our inflater.
#include <gtest/gtest.h>

#include "archive/deflate.hpp"
#include "archive/inflate.hpp"
#include "support/bytes.hpp"

namespace orbi {
namespace {

using test::Bytes;

const int kLengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const int kLengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const int kDistBase[] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                         193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const int kDistExtra[] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// The compressor as its rules are written, slowly and plainly.
Bytes referenceDeflate(const Bytes& in) {
    Bytes out;
    std::uint32_t acc = 0;
    int count = 0;
    auto put = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) {  // one bit at a time keeps the 32-bit accumulator from overflowing
            acc |= ((v >> i) & 1u) << count;
            if (++count == 8) {
                out.push_back(static_cast<std::uint8_t>(acc));
                acc = 0;
                count = 0;
            }
        }
    };
    auto reverse = [](std::uint32_t code, int len) {
        std::uint32_t r = 0;
        for (int i = 0; i < len; ++i) r = (r << 1) | ((code >> i) & 1u);
        return r;
    };
    int litLen[288];
    for (int s = 0; s < 288; ++s) litLen[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    std::uint32_t litCode[288];
    {
        int blCount[16] = {};
        for (int l : litLen) blCount[l]++;
        std::uint32_t next[16] = {};
        std::uint32_t code = 0;
        blCount[0] = 0;
        for (int bits = 1; bits < 16; ++bits) {
            code = (code + static_cast<std::uint32_t>(blCount[bits - 1])) << 1;
            next[bits] = code;
        }
        for (int s = 0; s < 288; ++s) litCode[s] = reverse(next[litLen[s]]++, litLen[s]);
    }
    auto symbol = [&](int s) { put(litCode[s], litLen[s]); };

    put(1, 1);
    put(1, 2);
    const std::int64_t n = static_cast<std::int64_t>(in.size());
    std::vector<std::int64_t> head(32768, -1), chain(in.size(), -1);
    auto hash = [&](std::int64_t q) {
        return static_cast<std::size_t>((((in[q] << 5) ^ in[q + 1]) << 5 ^ in[q + 2]) & 0x7FFF);
    };
    auto insert = [&](std::int64_t q) {
        const std::size_t h = hash(q);
        chain[static_cast<std::size_t>(q)] = head[h];
        head[h] = q;
    };
    std::int64_t p = 0;
    while (p < n) {
        std::int64_t best = 0, bestDist = 0;
        if (p + 2 < n) {
            const std::int64_t longest = std::min<std::int64_t>(n - p, 258);
            std::int64_t cand = head[hash(p)];
            for (int examined = 0; cand >= 0 && examined < 64; ++examined) {
                if (p - cand > 32768) break;
                std::int64_t len = 0;
                while (len < longest && in[cand + len] == in[p + len]) ++len;
                if (len > best) {
                    best = len;
                    bestDist = p - cand;
                    if (len == longest) break;
                }
                cand = chain[static_cast<std::size_t>(cand)];
            }
        }
        if (best >= 3) {
            int ls = 0;
            while (ls + 1 < 29 && kLengthBase[ls + 1] <= best) ++ls;
            symbol(257 + ls);
            put(static_cast<std::uint32_t>(best - kLengthBase[ls]), kLengthExtra[ls]);
            int ds = 0;
            while (ds + 1 < 30 && kDistBase[ds + 1] <= bestDist) ++ds;
            put(reverse(static_cast<std::uint32_t>(ds), 5), 5);
            put(static_cast<std::uint32_t>(bestDist - kDistBase[ds]), kDistExtra[ds]);
            for (std::int64_t k = 0; k < best; ++k)
                if (p + k + 2 < n) insert(p + k);
            p += best;
        } else {
            symbol(in[static_cast<std::size_t>(p)]);
            if (p + 2 < n) insert(p);
            ++p;
        }
    }
    symbol(256);
    if (count > 0) out.push_back(static_cast<std::uint8_t>(acc));
    return out;
}

// The token sequence of a single fixed-code block: a literal is {byte, 0}, a match {length, distance}.
struct Token {
    int value;
    int distance;
    bool operator==(const Token&) const = default;
};

std::vector<Token> tokens(const Bytes& stream) {
    std::size_t bit = 0;
    auto get = [&](int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i, ++bit) v |= ((stream.at(bit / 8) >> (bit % 8)) & 1u) << i;
        return v;
    };
    auto code = [&](int n, std::uint32_t start) {  // n more code bits, most significant first
        for (int i = 0; i < n; ++i, ++bit) start = (start << 1) | ((stream.at(bit / 8) >> (bit % 8)) & 1u);
        return start;
    };
    EXPECT_EQ(get(3), 3u) << "one final fixed block";
    std::vector<Token> out;
    for (;;) {
        std::uint32_t c = code(7, 0);
        int sym;
        if (c <= 0x17) {
            sym = 256 + static_cast<int>(c);
        } else {
            c = code(1, c);
            if (c >= 0x30 && c <= 0xBF) sym = static_cast<int>(c - 0x30);
            else if (c >= 0xC0 && c <= 0xC7) sym = 280 + static_cast<int>(c - 0xC0);
            else sym = 144 + static_cast<int>(code(1, c) - 0x190);
        }
        if (sym == 256) return out;
        if (sym < 256) {
            out.push_back({sym, 0});
            continue;
        }
        const int ls = sym - 257;
        const int length = kLengthBase[ls] + static_cast<int>(get(kLengthExtra[ls]));
        const int ds = static_cast<int>(code(5, 0));
        const int distance = kDistBase[ds] + static_cast<int>(get(kDistExtra[ds]));
        out.push_back({length, distance});
    }
}

TEST(Deflate, KnownOutputs) {
    EXPECT_EQ(deflateFixed({}), test::fromHex("03 00"));
    // Under three bytes: literals only.
    EXPECT_EQ(tokens(deflateFixed(Bytes{0x41})), (std::vector<Token>{{0x41, 0}}));
    EXPECT_EQ(tokens(deflateFixed(Bytes{0, 255})), (std::vector<Token>{{0, 0}, {255, 0}}));
    EXPECT_EQ(tokens(deflateFixed(Bytes{7, 7, 7})), (std::vector<Token>{{7, 0}, {7, 0}, {7, 0}}));
    EXPECT_EQ(tokens(deflateFixed(Bytes{7, 7, 7, 7})), (std::vector<Token>{{7, 0}, {3, 1}}));
    EXPECT_EQ(tokens(deflateFixed(Bytes{7, 7, 7, 7, 7})), (std::vector<Token>{{7, 0}, {4, 1}}));
    // A run of 1,000: one literal, then 258, 258, 258 and 225 at distance 1.
    EXPECT_EQ(tokens(deflateFixed(Bytes(1000, 'z'))),
              (std::vector<Token>{{'z', 0}, {258, 1}, {258, 1}, {258, 1}, {225, 1}}));
    // Of equally long candidates the nearest wins.
    EXPECT_EQ(tokens(deflateFixed(test::bytesOf("abcXabcYabc"))),
              (std::vector<Token>{{'a', 0}, {'b', 0}, {'c', 0}, {'X', 0}, {3, 4}, {'Y', 0}, {3, 4}}));
}

TEST(Deflate, MatchesStayInsideTheWindowAndLengthLimit) {
    // A block repeated at 32,768 bytes is still reachable; at 32,769 it is not.
    for (std::size_t gap : {std::size_t{32768}, std::size_t{32769}}) {
        Bytes in = test::randomBytes(gap, 51);
        in.insert(in.end(), in.begin(), in.begin() + 300);
        std::size_t copied = 0;
        int longest = 0;
        for (const Token& t : tokens(deflateFixed(in))) {
            if (t.distance == 0) continue;
            EXPECT_LE(t.distance, 32768);
            longest = std::max(longest, t.value);
            if (static_cast<std::size_t>(t.distance) == 32768) copied += static_cast<std::size_t>(t.value);
        }
        EXPECT_LE(longest, 258);
        EXPECT_EQ(copied, gap == 32768 ? 300u : 0u) << gap;
    }
}

TEST(Deflate, SameBytesAsThePlainRules) {
    for (const auto& [name, input] : test::corpus()) {
        if (input.size() > 300000) continue;  // the plain version is slow
        const Bytes got = deflateFixed(input);
        ASSERT_EQ(got, referenceDeflate(input)) << name;
        ASSERT_EQ(deflateFixed(input), got) << name << ": output depends on nothing but the input";
    }
    // Hash collisions and chains longer than 64 candidates.
    Bytes skewed;
    std::mt19937 rng(52);
    for (int i = 0; i < 60000; ++i) skewed.push_back(static_cast<std::uint8_t>("ab"[rng() % 2] + (rng() % 7 == 0 ? 32 : 0)));
    EXPECT_EQ(deflateFixed(skewed), referenceDeflate(skewed));
}

TEST(Deflate, ZlibAndOurInflaterDecodeEveryOutput) {
    for (const auto& [name, input] : test::corpus()) {
        const Bytes packed = deflateFixed(input);
        Bytes back;
        ASSERT_TRUE(test::zlibInflateRaw(packed, back, input.size())) << name;
        ASSERT_EQ(back, input) << name;
        std::string error;
        ASSERT_TRUE(inflateRaw(packed, input.size(), back, error)) << name << ": " << error;
        ASSERT_EQ(back, input) << name;
    }
}

}  // namespace
}  // namespace orbi
