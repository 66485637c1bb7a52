// DEFLATE both ways, with zlib as the control: zlib's output at every level and strategy inflates
// to the input, damaged streams decode as zlib decodes them, malformed streams give their exact
// phrase (data/deflate.txt), and zlib inflates what deflateFixed writes, whose exact bytes are pinned.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "archive/archive_messages.hpp"
#include "archive/crc32.hpp"
#include "archive/deflate.hpp"
#include "archive/inflate.hpp"
#include "support/bytes.hpp"
#include "support/case_file.hpp"

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
            Bytes plain;  // the fast loop for processors without BMI2
            ASSERT_TRUE(inflate_detail::inflateRawWith(inflate_detail::LoopChoice::plain, packed, input.size(), plain, error));
            ASSERT_EQ(plain, input);
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
    // zlib's message beside ours, one pair a line in data/inflate_agree.txt.
    std::set<std::pair<std::string, std::string>> agree = {{"", ""}};
    std::ifstream pairs(ORBI_CASES "/inflate_agree.txt");
    for (std::string line; std::getline(pairs, line);)
        if (const std::size_t at = line.find(" | "); at != std::string::npos) agree.emplace(line.substr(0, at), line.substr(at + 3));
    ASSERT_EQ(agree.size(), 19u);
    auto check = [&](const Bytes& in) {
        Bytes ours, theirs;
        std::string error, zlib;
        const bool ok = inflateRaw(in, 1 << 20, ours, error);
        Bytes plain;  // the fast loop for processors without BMI2 stops alike
        std::string plainError;
        ASSERT_EQ(inflate_detail::inflateRawWith(inflate_detail::LoopChoice::plain, in, 1 << 20, plain, plainError), ok);
        ASSERT_TRUE(plain == ours && plainError == error);
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

// Malformed streams give their exact phrase; deflateFixed's exact bytes for small inputs.
TEST(Inflate, EachMalformedStreamGivesItsPhraseAndSmallDeflatesAreExact) {
    const auto hex = [](const std::string& word) {
        Bytes out;
        for (std::size_t at = 0, end; at < word.size(); at = end + 1) {
            end = std::min(word.find('+', at), word.size());
            const std::size_t star = std::min(word.find('*', at), end);
            const Bytes unit = test::fromHex(word.substr(at, star - at));
            for (int n = star == end ? 1 : std::stoi(word.substr(star + 1, end - star - 1)); n > 0; --n) out.insert(out.end(), unit.begin(), unit.end());
        }
        return out;
    };
    test::checkCallFile(ORBI_CASES "/deflate.txt", [&](const std::vector<std::string>& w) {
        if (w[0] == "deflate") return test::toHex(deflateFixed(hex(w.at(1))));
        Bytes out;
        std::string error;
        const bool ok = inflateRaw(hex(w.at(1)), std::stoull(w.at(2)), out, error);
        return ok == error.empty() ? (ok ? "ok" + std::string(out.empty() ? "" : " ") + test::toHex(out) : error) : "verdict and phrase disagree: " + error;
    });
}

TEST(Deflate, ExactBytesAndZlibDecodesThem) {
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
