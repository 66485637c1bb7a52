// CRC-32: a constant 256-entry table (one lookup per byte) and an eight-table "slicing" variant
// that folds eight bytes per step; the carry-less-multiply kernels live in crc32_clmul.cpp.
// All tables are computed at compile time from the polynomial, so none is built at run time.
#include "archive/crc32.hpp"

#include <array>
#include <cstring>

#include "archive/digest_kernels.hpp"

namespace orbi {

namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;

using SliceTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr SliceTables makeTables() {
    SliceTables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ kPolynomial : c >> 1;
        t[0][i] = c;
    }
    // t[k][i]: the register after byte i followed by k zero bytes.
    for (std::size_t k = 1; k < 8; ++k)
        for (std::size_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFFu];
    return t;
}

constexpr SliceTables kTables = makeTables();
constexpr const std::array<std::uint32_t, 256>& kTable = kTables[0];
static_assert(kTable[1] == 0x77073096u, "standard CRC-32 table");
static_assert(kTable[255] == 0x2D02EF8Du, "standard CRC-32 table");

// Below this the set-up of the wide kernels does not pay.
constexpr std::size_t kClmulMinimum = 64;

}  // namespace

namespace digest_detail {

std::uint32_t crc32Bytewise(std::uint32_t reg, const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) reg = (reg >> 8) ^ kTable[(reg ^ data[i]) & 0xFFu];
    return reg;
}

std::uint32_t crc32Sliced(std::uint32_t reg, const std::uint8_t* data, std::size_t size) {
    while (size >= 8) {
        // Little-endian assembly of the two words keeps this independent of the host's byte order.
        std::uint32_t lo = reg ^ (std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 |
                                  std::uint32_t{data[2]} << 16 | std::uint32_t{data[3]} << 24);
        std::uint32_t hi = std::uint32_t{data[4]} | std::uint32_t{data[5]} << 8 |
                           std::uint32_t{data[6]} << 16 | std::uint32_t{data[7]} << 24;
        reg = kTables[7][lo & 0xFFu] ^ kTables[6][(lo >> 8) & 0xFFu] ^ kTables[5][(lo >> 16) & 0xFFu] ^
              kTables[4][lo >> 24] ^ kTables[3][hi & 0xFFu] ^ kTables[2][(hi >> 8) & 0xFFu] ^
              kTables[1][(hi >> 16) & 0xFFu] ^ kTables[0][hi >> 24];
        data += 8;
        size -= 8;
    }
    return crc32Bytewise(reg, data, size);
}

}  // namespace digest_detail

std::uint32_t crc32Update(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
    using Kernel = std::uint32_t (*)(std::uint32_t, const std::uint8_t*, std::size_t);
    // The best the processor offers, chosen once.
    static const Kernel fastest = digest_detail::cpuHasWideClmul() ? digest_detail::crc32ClmulWide
                                  : digest_detail::cpuHasClmul()   ? digest_detail::crc32Clmul
                                                                   : digest_detail::crc32Sliced;
    const Kernel kernel = bytes.size() >= kClmulMinimum ? fastest : digest_detail::crc32Sliced;
    return ~kernel(~crc, bytes.data(), bytes.size());
}

std::uint32_t crc32(std::span<const std::uint8_t> bytes) { return crc32Update(0, bytes); }

}  // namespace orbi
