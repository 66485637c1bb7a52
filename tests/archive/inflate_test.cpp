// Inflate: zlib's raw output at every level and strategy decodes back to the input; the declared
// size bounds the output and the memory; and on damaged streams the table-driven inflater gives
// the same bytes and the same phrase as a decoder that reads one bit at a time.
#include <gtest/gtest.h>

#include "archive/inflate.hpp"
#include "support/bytes.hpp"
#include "reference_inflate.hpp"

namespace orbi {
namespace {

using test::Bytes;

TEST(Inflate, EmptyFixedBlockDecodesToNothing) {
    Bytes out{1, 2, 3};
    std::string error;
    EXPECT_TRUE(inflateRaw(test::fromHex("03 00"), 0, out, error));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(error.empty());
}

TEST(Inflate, DecodesZlibOutputAtEveryLevelAndStrategy) {
    struct Setting {
        int level;
        int strategy;
    };
    std::vector<Setting> settings;
    for (int level = 0; level <= 9; ++level) settings.push_back({level, Z_DEFAULT_STRATEGY});
    settings.push_back({1, Z_FIXED});
    settings.push_back({9, Z_FIXED});
    settings.push_back({6, Z_HUFFMAN_ONLY});
    settings.push_back({6, Z_RLE});
    settings.push_back({6, Z_FILTERED});
    for (const auto& [name, input] : test::corpus()) {
        for (const Setting s : settings) {
            const Bytes packed = test::zlibDeflateRaw(input, s.level, s.strategy);
            Bytes out;
            out.reserve(input.size());
            std::string error;
            ASSERT_TRUE(inflateRaw(packed, input.size(), out, error))
                << name << " level " << s.level << " strategy " << s.strategy << ": " << error;
            ASSERT_EQ(out, input) << name << " level " << s.level << " strategy " << s.strategy;
        }
    }
}

TEST(Inflate, DeclaredSizeIsAHardBound) {
    const Bytes input = test::jsonLike(70000, 21);
    for (int level : {0, 1, 6}) {
        const Bytes packed = test::zlibDeflateRaw(input, level);
        Bytes out;
        std::string error;
        EXPECT_FALSE(inflateRaw(packed, input.size() - 1, out, error)) << level;
        EXPECT_EQ(error, "more data than declared") << level;
        EXPECT_LE(out.size(), input.size() - 1);
        EXPECT_TRUE(std::equal(out.begin(), out.end(), input.begin())) << "output holds what came before the fault";

        // Fewer bytes than declared is the caller's business.
        out.clear();
        error.clear();
        EXPECT_TRUE(inflateRaw(packed, input.size() + 1000, out, error)) << level;
        EXPECT_EQ(out, input);
    }
    // A literal past a declared size of zero.
    Bytes out;
    std::string error;
    EXPECT_FALSE(inflateRaw(test::fromHex("4b 04 00"), 0, out, error));
    EXPECT_EQ(error, "more data than declared");
}

TEST(Inflate, StreamThatExpandsWithoutEndStopsAtTheDeclaredSize) {
    // 256 MiB of zeros compresses to about 250 KiB; the entry claims 1 MiB.
    z_stream z{};
    ASSERT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes packed(1 << 20);
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    const Bytes zeros(1 << 20, 0);
    for (int i = 0; i < 256; ++i) {
        z.next_in = const_cast<Bytef*>(zeros.data());
        z.avail_in = static_cast<uInt>(zeros.size());
        ASSERT_EQ(deflate(&z, i == 255 ? Z_FINISH : Z_NO_FLUSH), i == 255 ? Z_STREAM_END : Z_OK);
    }
    packed.resize(z.total_out);
    deflateEnd(&z);

    const std::uint64_t declared = 1 << 20;
    Bytes out;
    std::string error;
    EXPECT_FALSE(inflateRaw(packed, declared, out, error));
    EXPECT_EQ(error, "more data than declared");
    EXPECT_LE(out.size(), declared);
    EXPECT_LE(out.capacity(), declared) << "never allocates beyond the declared size";
}

// Damaged streams: every prefix and many single-byte changes of streams of every block type.
TEST(Inflate, AgreesWithBitAtATimeDecoderOnDamagedStreams) {
    std::vector<Bytes> streams;
    const Bytes text = test::jsonLike(3000, 31);
    streams.push_back(test::zlibDeflateRaw(text, 0));
    streams.push_back(test::zlibDeflateRaw(text, 1, Z_FIXED));
    streams.push_back(test::zlibDeflateRaw(text, 9));
    streams.push_back(test::zlibDeflateRaw(test::randomBytes(600, 32), 6, Z_HUFFMAN_ONLY));
    streams.push_back(test::zlibDeflateRaw(Bytes(5000, 'x'), 6));

    std::mt19937 rng(33);
    std::size_t cases = 0;
    auto check = [&](const Bytes& in, std::uint64_t declared) {
        Bytes out;
        std::string error;
        const bool ok = inflateRaw(in, declared, out, error);
        const test::ReferenceResult want = test::referenceInflate(in, declared);
        ASSERT_EQ(ok, want.error.empty()) << error << " / " << want.error;
        ASSERT_EQ(error, want.error);
        ASSERT_EQ(out, want.output);
        ++cases;
    };
    for (const Bytes& s : streams) {
        for (std::size_t n = 0; n <= s.size(); ++n) check(Bytes(s.begin(), s.begin() + static_cast<long>(n)), 1 << 20);
        for (int i = 0; i < 1500; ++i) {
            Bytes damaged = s;
            const int changes = 1 + static_cast<int>(rng() % 3);
            for (int k = 0; k < changes; ++k) {
                const std::size_t at = rng() % damaged.size();
                if (rng() % 2) damaged[at] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
                else damaged[at] = static_cast<std::uint8_t>(rng());
            }
            if (rng() % 4 == 0) damaged.resize(rng() % damaged.size());
            check(damaged, rng() % 3 == 0 ? rng() % 4000 : 1 << 20);
        }
    }
    // Random noise exercises dynamic headers of every kind.
    for (int i = 0; i < 20000; ++i) {
        Bytes noise = test::randomBytes(1 + rng() % 200, static_cast<std::uint32_t>(i) + 1000);
        noise[0] = static_cast<std::uint8_t>((noise[0] & ~6u) | (rng() % 3 == 0 ? 2u : 4u));  // fixed or dynamic
        check(noise, rng() % 2 ? 100 : 1 << 16);
    }
    EXPECT_GT(cases, 30000u);
}

}  // namespace
}  // namespace orbi
