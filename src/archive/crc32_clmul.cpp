// CRC-32 by carry-less multiplication (PCLMULQDQ): four 128-bit lanes are folded forward 64 bytes
// at a time, folded into one lane, then reduced to 32 bits by Barrett reduction (Intel's "Fast CRC
// Computation Using PCLMULQDQ"). Used only when the processor reports the instruction.
#include <cstddef>
#include <cstdint>

#include "archive/cpu_features.hpp"
#include "archive/digest_kernels.hpp"

namespace orbi::digest_detail {

#if ORBI_ARCHIVE_X86

bool cpuHasClmul() {
    const X86Features features = readX86Features();
    return features.pclmul && features.sse41;
}

namespace {

// Folds the 128-bit accumulator forward over the next 16 bytes.
__attribute__((target("pclmul,sse4.1"))) inline __m128i fold16(__m128i acc, __m128i next, __m128i k3k4) {
    const __m128i lo = _mm_clmulepi64_si128(acc, k3k4, 0x00);
    const __m128i hi = _mm_clmulepi64_si128(acc, k3k4, 0x11);
    return _mm_xor_si128(_mm_xor_si128(hi, lo), next);
}

// Requires size >= 64 and a multiple of 16.
__attribute__((target("pclmul,sse4.1"))) std::uint32_t foldBlocks(std::uint32_t reg, const std::uint8_t* p,
                                                                  std::size_t size) {
    const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596LL, 0x0154442bd4LL);
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009eLL, 0x01751997d0LL);
    const __m128i k5k0 = _mm_set_epi64x(0, 0x0163cd6124LL);
    const __m128i poly = _mm_set_epi64x(0x01f7011641LL, 0x01db710641LL);
    const __m128i mask32 = _mm_setr_epi32(~0, 0, ~0, 0);

    auto load = [](const std::uint8_t* q) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q)); };  // SSE2 only

    __m128i x1 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(reg)));
    __m128i x2 = load(p + 16);
    __m128i x3 = load(p + 32);
    __m128i x4 = load(p + 48);
    p += 64;
    size -= 64;

    while (size >= 64) {
        __m128i t1 = _mm_clmulepi64_si128(x1, k1k2, 0x00);
        __m128i t2 = _mm_clmulepi64_si128(x2, k1k2, 0x00);
        __m128i t3 = _mm_clmulepi64_si128(x3, k1k2, 0x00);
        __m128i t4 = _mm_clmulepi64_si128(x4, k1k2, 0x00);
        x1 = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x1, k1k2, 0x11), t1), load(p));
        x2 = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x2, k1k2, 0x11), t2), load(p + 16));
        x3 = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x3, k1k2, 0x11), t3), load(p + 32));
        x4 = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x4, k1k2, 0x11), t4), load(p + 48));
        p += 64;
        size -= 64;
    }

    x1 = fold16(x1, x2, k3k4);
    x1 = fold16(x1, x3, k3k4);
    x1 = fold16(x1, x4, k3k4);
    while (size >= 16) {
        x1 = fold16(x1, load(p), k3k4);
        p += 16;
        size -= 16;
    }

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

#else

bool cpuHasClmul() { return false; }

std::uint32_t crc32Clmul(std::uint32_t reg, const std::uint8_t* data, std::size_t size) {
    return crc32Sliced(reg, data, size);
}

#endif

}  // namespace orbi::digest_detail
