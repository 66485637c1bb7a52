// CRC-32 and SHA-256 with zlib and OpenSSL as controls, for every kernel the processor offers
// (the plain table-driven and portable kernels always run), over lengths around block sizes.
#include <gtest/gtest.h>
#include <openssl/sha.h>

#include "archive/crc32.hpp"
#include "archive/digest_kernels.hpp"
#include "archive/sha256.hpp"
#include "support/bytes.hpp"

namespace orbi {
namespace {

namespace dd = digest_detail;

TEST(Digests, EveryKernelAgreesWithZlibAndOpenSsl) {
    EXPECT_EQ(crc32(test::bytesOf("123456789")), 0xCBF43926u);
    EXPECT_EQ(sha256Hex(test::bytesOf("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const test::Bytes big = test::randomBytes(3 * 1024 * 1024 + 77, 11), zeros(2 * 1024 * 1024, 0);
    std::vector<std::span<const std::uint8_t>> ranges = {{big.data() + 3, big.size() - 5}, zeros};
    for (std::size_t n = 0; n <= 300; ++n) ranges.emplace_back(big.data() + (n * 7) % 64, n);  // odd alignments too
    for (const auto r : ranges) {
        SCOPED_TRACE(r.size());
        const auto crc = static_cast<std::uint32_t>(::crc32(0L, r.data(), static_cast<uInt>(r.size())));
        ASSERT_EQ(crc32(r), crc);
        ASSERT_EQ(crc32Update(crc32(r.first(r.size() / 3)), r.subspan(r.size() / 3)), crc);
        ASSERT_EQ(crc32Update(0, r), crc);
        for (auto kernel : {dd::crc32Bytewise, dd::crc32Sliced, dd::cpuHasClmul() ? dd::crc32Clmul : dd::crc32Sliced,
                            dd::cpuHasWideClmul() ? dd::crc32ClmulWide : dd::crc32Sliced})
            ASSERT_EQ(~kernel(0xFFFFFFFFu, r.data(), r.size()), crc);

        unsigned char md[SHA256_DIGEST_LENGTH];
        SHA256(r.data(), r.size(), md);
        const std::string sha = test::toHex(md);
        ASSERT_EQ(sha256Hex(r), sha);
        for (auto kernel : {dd::sha256BlocksPortable, dd::cpuHasShaNi() ? dd::sha256BlocksShaNi : dd::sha256BlocksPortable}) {
            const auto hex = dd::sha256HexWith(kernel, r.data(), r.size());
            ASSERT_EQ(std::string(hex.begin(), hex.end()), sha);
        }
    }
}

}  // namespace
}  // namespace orbi
