// CRC-32 by carry-less multiplication (Intel's "Fast CRC Computation Using PCLMULQDQ"): 128-bit
// lanes of the message are folded forward by multiplying each by x^D mod P (D the distance), then
// the last lane is reduced to 32 bits by Barrett reduction. Two kernels, each used only when the
// processor reports its instructions:
// - PCLMULQDQ: four 128-bit lanes folded 64 bytes at a time (8 multiplies per 64 bytes, which is
//   what one multiplier a cycle allows);
// - VPCLMULQDQ with AVX2: the same multiply on both halves of a 256-bit register, four registers
//   folded 128 bytes at a time, so twice the bytes per multiply. The registers are then folded
//   into one 128-bit lane and finished as above. It keeps its eight vectors in registers (no
//   256-bit spills, which MinGW's stack could not align).
// Fold constants, for distance D bits: x^(D+32) mod P for the low and x^(D-32) mod P for the high
// 64 bits of a lane, bit-reflected and shifted left by one.
#include <cstddef>
#include <cstdint>

#include "archive/cpu_features.hpp"
#include "archive/digest_kernels.hpp"

namespace orbi::digest_detail {

#if ORBI_ARCHIVE_X86

bool cpuHasClmul() {
    const cpu::X86Features features = cpu::readX86Features();
    return features.pclmul && features.sse41;
}

bool cpuHasWideClmul() {
    const cpu::X86Features features = cpu::readX86Features();
    return features.pclmul && features.sse41 && features.avxState && features.avx2 && features.vpclmulqdq;
}

namespace {

constexpr long long kFold16Low = 0x01751997d0, kFold16High = 0x00ccaa009e;
constexpr long long kFold32Low = 0x00f1da05aa, kFold32High = 0x015a546366;
constexpr long long kFold64Low = 0x0154442bd4, kFold64High = 0x01c6e41596;
constexpr long long kFold128Low = 0x01e88ef372, kFold128High = 0x014a7fe880;

__attribute__((target("pclmul,sse4.1"))) inline __m128i load16(const std::uint8_t* q) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
}

// Folds the 128-bit accumulator forward onto `next`, `k` holding the distance's two constants.
__attribute__((target("pclmul,sse4.1"))) inline __m128i fold(__m128i acc, __m128i next, __m128i k) {
    const __m128i lo = _mm_clmulepi64_si128(acc, k, 0x00);
    const __m128i hi = _mm_clmulepi64_si128(acc, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(hi, lo), next);
}

// Folds the remaining size bytes (a multiple of 16) into x1 sixteen at a time, then reduces to
// the 32-bit register.
__attribute__((target("pclmul,sse4.1"))) std::uint32_t finish(__m128i x1, const std::uint8_t* p, std::size_t size) {
    const __m128i k3k4 = _mm_set_epi64x(kFold16High, kFold16Low);
    const __m128i k5k0 = _mm_set_epi64x(0, 0x0163cd6124LL);
    const __m128i poly = _mm_set_epi64x(0x01f7011641LL, 0x01db710641LL);
    const __m128i mask32 = _mm_setr_epi32(~0, 0, ~0, 0);
    for (; size >= 16; p += 16, size -= 16) x1 = fold(x1, load16(p), k3k4);

    // 128 -> 64 bits.
    __m128i t = _mm_clmulepi64_si128(x1, k3k4, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), t);
    t = _mm_srli_si128(x1, 4);
    x1 = _mm_and_si128(x1, mask32);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(x1, k5k0, 0x00), t);

    // Barrett reduction to 32 bits.
    t = _mm_and_si128(x1, mask32);
    t = _mm_clmulepi64_si128(t, poly, 0x10);
    t = _mm_and_si128(t, mask32);
    t = _mm_clmulepi64_si128(t, poly, 0x00);
    x1 = _mm_xor_si128(x1, t);
    return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

// Requires size >= 64 and a multiple of 16.
__attribute__((target("pclmul,sse4.1"))) std::uint32_t foldBlocks(std::uint32_t reg, const std::uint8_t* p,
                                                                  std::size_t size) {
    const __m128i k1k2 = _mm_set_epi64x(kFold64High, kFold64Low);
    const __m128i k3k4 = _mm_set_epi64x(kFold16High, kFold16Low);
    __m128i x1 = _mm_xor_si128(load16(p), _mm_cvtsi32_si128(static_cast<int>(reg)));
    __m128i x2 = load16(p + 16);
    __m128i x3 = load16(p + 32);
    __m128i x4 = load16(p + 48);
    for (p += 64, size -= 64; size >= 64; p += 64, size -= 64) {
        x1 = fold(x1, load16(p), k1k2);
        x2 = fold(x2, load16(p + 16), k1k2);
        x3 = fold(x3, load16(p + 32), k1k2);
        x4 = fold(x4, load16(p + 48), k1k2);
    }
    x1 = fold(x1, x2, k3k4);
    x1 = fold(x1, x3, k3k4);
    x1 = fold(x1, x4, k3k4);
    return finish(x1, p, size);
}

__attribute__((target("avx2,vpclmulqdq,pclmul,sse4.1"))) inline __m256i load32(const std::uint8_t* q) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q));
}

__attribute__((target("avx2,vpclmulqdq,pclmul,sse4.1"))) inline __m256i fold(__m256i acc, __m256i next, __m256i k) {
    const __m256i lo = _mm256_clmulepi64_epi128(acc, k, 0x00);
    const __m256i hi = _mm256_clmulepi64_epi128(acc, k, 0x11);
    return _mm256_xor_si256(_mm256_xor_si256(hi, lo), next);
}

// Requires size >= 128 and a multiple of 16.
__attribute__((target("avx2,vpclmulqdq,pclmul,sse4.1"))) std::uint32_t foldBlocksWide(std::uint32_t reg,
                                                                                     const std::uint8_t* p,
                                                                                     std::size_t size) {
    const __m256i k128 = _mm256_set_epi64x(kFold128High, kFold128Low, kFold128High, kFold128Low);
    const __m256i k64 = _mm256_set_epi64x(kFold64High, kFold64Low, kFold64High, kFold64Low);
    const __m256i k32 = _mm256_set_epi64x(kFold32High, kFold32Low, kFold32High, kFold32Low);
    __m256i x1 = _mm256_xor_si256(load32(p), _mm256_set_epi32(0, 0, 0, 0, 0, 0, 0, static_cast<int>(reg)));
    __m256i x2 = load32(p + 32);
    __m256i x3 = load32(p + 64);
    __m256i x4 = load32(p + 96);
    for (p += 128, size -= 128; size >= 128; p += 128, size -= 128) {
        x1 = fold(x1, load32(p), k128);
        x2 = fold(x2, load32(p + 32), k128);
        x3 = fold(x3, load32(p + 64), k128);
        x4 = fold(x4, load32(p + 96), k128);
    }
    // Four registers 32 bytes apart become two 32 bytes apart, then one, then one 128-bit lane.
    x1 = fold(x1, x3, k64);
    x2 = fold(x2, x4, k64);
    x1 = fold(x1, x2, k32);
    const __m128i k3k4 = _mm_set_epi64x(kFold16High, kFold16Low);
    const __m128i lane = fold(_mm256_castsi256_si128(x1), _mm256_extracti128_si256(x1, 1), k3k4);
    return finish(lane, p, size);
}

}  // namespace

std::uint32_t crc32Clmul(std::uint32_t reg, const std::uint8_t* data, std::size_t size) {
    if (size >= 64) {
        const std::size_t whole = size & ~std::size_t{15};
        reg = foldBlocks(reg, data, whole);
        data += whole;
        size -= whole;
    }
    return crc32Sliced(reg, data, size);
}

std::uint32_t crc32ClmulWide(std::uint32_t reg, const std::uint8_t* data, std::size_t size) {
    if (size < 128) return crc32Clmul(reg, data, size);
    const std::size_t whole = size & ~std::size_t{15};
    reg = foldBlocksWide(reg, data, whole);
    return crc32Sliced(reg, data + whole, size - whole);
}

#else

bool cpuHasClmul() { return false; }
bool cpuHasWideClmul() { return false; }

std::uint32_t crc32Clmul(std::uint32_t reg, const std::uint8_t* data, std::size_t size) {
    return crc32Sliced(reg, data, size);
}

std::uint32_t crc32ClmulWide(std::uint32_t reg, const std::uint8_t* data, std::size_t size) {
    return crc32Sliced(reg, data, size);
}

#endif

}  // namespace orbi::digest_detail
