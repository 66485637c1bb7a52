// CRC-32 and SHA-256 against published values and against zlib, OpenSSL and sha256sum, for every
// kernel the processor offers (the plain table-driven and portable kernels always run).
#include <gtest/gtest.h>
#include <openssl/sha.h>
#include <zlib.h>

#include <fstream>

#include "archive/crc32.hpp"
#include "archive/digest_kernels.hpp"
#include "archive/sha256.hpp"
#include "support/bytes.hpp"
#include "support/temp_folder.hpp"

namespace orbi {
namespace {

using test::Bytes;
namespace dd = digest_detail;

std::uint32_t zlibCrc(const Bytes& b) {
    return static_cast<std::uint32_t>(::crc32(0L, b.data(), static_cast<uInt>(b.size())));
}

std::string opensslSha256(const std::uint8_t* p, std::size_t n) {
    unsigned char md[SHA256_DIGEST_LENGTH];
    SHA256(p, n, md);
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (unsigned char c : md) {
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

std::uint32_t crcWith(std::uint32_t (*kernel)(std::uint32_t, const std::uint8_t*, std::size_t), const std::uint8_t* p,
                      std::size_t n) {
    return ~kernel(0xFFFFFFFFu, p, n);
}

TEST(Crc32, PublishedValues) {
    EXPECT_EQ(crc32({}), 0u);
    const Bytes digits = test::bytesOf("123456789");
    EXPECT_EQ(crc32(digits), 0xCBF43926u);
    EXPECT_EQ(crcWith(dd::crc32Bytewise, digits.data(), digits.size()), 0xCBF43926u);
    EXPECT_EQ(crc32(test::bytesOf("The quick brown fox jumps over the lazy dog")), 0x414FA339u);
}

TEST(Crc32, EveryKernelAgreesWithZlib) {
    const Bytes big = test::randomBytes(3 * 1024 * 1024 + 77, 11);
    std::vector<std::pair<const std::uint8_t*, std::size_t>> ranges;
    for (std::size_t n = 0; n <= 300; ++n) ranges.emplace_back(big.data() + (n * 7) % 64, n);  // odd alignments too
    ranges.emplace_back(big.data(), big.size());
    ranges.emplace_back(big.data() + 3, big.size() - 5);
    const Bytes zeros(2 * 1024 * 1024, 0);
    ranges.emplace_back(zeros.data(), zeros.size());

    for (auto [p, n] : ranges) {
        const auto want = static_cast<std::uint32_t>(::crc32(0L, p, static_cast<uInt>(n)));
        ASSERT_EQ(crc32({p, n}), want) << n;
        ASSERT_EQ(crcWith(dd::crc32Bytewise, p, n), want) << n;
        ASSERT_EQ(crcWith(dd::crc32Sliced, p, n), want) << n;
        if (dd::cpuHasClmul()) {
            ASSERT_EQ(crcWith(dd::crc32Clmul, p, n), want) << n;
        }
    }
}

TEST(Crc32, UpdateContinuesACrc) {
    const Bytes data = test::randomBytes(100000, 12);
    const std::span<const std::uint8_t> all(data);
    for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{4097},
                            data.size()}) {
        EXPECT_EQ(crc32Update(crc32(all.first(cut)), all.subspan(cut)), zlibCrc(data)) << cut;
    }
    EXPECT_EQ(crc32Update(0, all), zlibCrc(data));
}

TEST(Sha256, PublishedDigests) {
    EXPECT_EQ(sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256Hex(test::bytesOf("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256Hex(test::bytesOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    // One tail block up to 55 bytes, two from 56; 64 and 65 cross a whole block.
    for (std::size_t n : {55, 56, 63, 64, 65, 119, 120, 128}) {
        const Bytes a(n, 'a');
        EXPECT_EQ(sha256Hex(a), opensslSha256(a.data(), a.size())) << n;
    }
    // Leading zero nibbles are written out: this input's digest starts with "00".
    bool sawLeadingZero = false;
    for (int i = 0; i < 2000 && !sawLeadingZero; ++i) {
        const Bytes b = test::bytesOf(std::to_string(i));
        const std::string h = sha256Hex(b);
        ASSERT_EQ(h.size(), 64u);
        ASSERT_EQ(h, opensslSha256(b.data(), b.size()));
        sawLeadingZero = h.rfind("00", 0) == 0;
    }
    EXPECT_TRUE(sawLeadingZero);
}

TEST(Sha256, EveryKernelAgreesWithOpenSsl) {
    const Bytes big = test::randomBytes(5 * 1024 * 1024 + 33, 13);
    std::vector<std::pair<const std::uint8_t*, std::size_t>> ranges;
    for (std::size_t n = 0; n <= 300; ++n) ranges.emplace_back(big.data() + (n * 5) % 64, n);
    ranges.emplace_back(big.data() + 1, big.size() - 1);
    for (auto [p, n] : ranges) {
        const std::string want = opensslSha256(p, n);
        ASSERT_EQ(sha256Hex({p, n}), want) << n;
        const auto portable = dd::sha256HexWith(dd::sha256BlocksPortable, p, n);
        ASSERT_EQ(std::string(portable.begin(), portable.end()), want) << n;
        if (dd::cpuHasShaNi()) {
            const auto ni = dd::sha256HexWith(dd::sha256BlocksShaNi, p, n);
            ASSERT_EQ(std::string(ni.begin(), ni.end()), want) << n;
        }
    }
}

TEST(Sha256, AgreesWithSha256sum) {
    test::TempFolder dir;
    for (std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{300}, std::size_t{3 * 1024 * 1024 + 5}}) {
        const Bytes data = test::randomBytes(n, static_cast<std::uint32_t>(n) + 1);
        const auto file = dir / "data.bin";
        const auto sum = dir / "sum.txt";
        test::writeFile(file, test::textOf(data));
        const std::string cmd = "sha256sum '" + file.string() + "' > '" + sum.string() + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        EXPECT_EQ(test::readFile(sum).substr(0, 64), sha256Hex(data)) << n;
    }
}

}  // namespace
}  // namespace orbi
