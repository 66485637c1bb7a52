// SHA-256: whole 64-byte blocks are compressed straight from the caller's buffer; the last 0-63
// bytes go into a zeroed 128-byte tail with the 0x80 marker and the 64-bit big-endian bit length,
// giving one or two tail blocks. The block kernel is the portable one below or, when the
// processor has the SHA extensions, the one in sha256_shani.cpp; both give the same state.
#include "archive/sha256.hpp"

#include <cstring>

#include "archive/digest_kernels.hpp"

namespace orbi {

namespace digest_detail {

namespace {

constexpr std::array<std::uint32_t, 64> kRoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr Sha256State kInitialState = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

constexpr std::uint32_t rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

std::uint32_t loadBigEndian(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]};
}

}  // namespace

void sha256BlocksPortable(Sha256State& state, const std::uint8_t* data, std::size_t blocks) {
    std::uint32_t w[64];
    for (; blocks > 0; --blocks, data += 64) {
        for (int t = 0; t < 16; ++t) w[t] = loadBigEndian(data + 4 * t);
        for (int t = 16; t < 64; ++t) {
            const std::uint32_t s0 = rotr(w[t - 15], 7) ^ rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
            const std::uint32_t s1 = rotr(w[t - 2], 17) ^ rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
            w[t] = w[t - 16] + s0 + w[t - 7] + s1;
        }
        std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        for (int t = 0; t < 64; ++t) {
            const std::uint32_t s1 = rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25);
            const std::uint32_t ch = (e & f) ^ (~e & g);
            const std::uint32_t t1 = h + s1 + ch + kRoundConstants[t] + w[t];
            const std::uint32_t s0 = rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22);
            const std::uint32_t maj = (a & b) ^ (a & c) ^ (b & c);
            const std::uint32_t t2 = s0 + maj;
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
    }
}

std::array<char, 64> sha256HexWith(Sha256Kernel kernel, const std::uint8_t* data, std::size_t size) {
    Sha256State state = kInitialState;
    const std::size_t whole = size / 64;
    if (whole > 0) kernel(state, data, whole);

    const std::size_t rest = size % 64;
    std::uint8_t tail[128] = {};
    if (rest > 0) std::memcpy(tail, data + whole * 64, rest);
    tail[rest] = 0x80;
    const std::size_t tailBlocks = rest + 9 <= 64 ? 1 : 2;
    const std::uint64_t bits = static_cast<std::uint64_t>(size) * 8;
    for (int i = 0; i < 8; ++i) tail[tailBlocks * 64 - 1 - i] = static_cast<std::uint8_t>(bits >> (8 * i));
    kernel(state, tail, tailBlocks);

    static constexpr char kDigits[] = "0123456789abcdef";
    std::array<char, 64> hex{};
    for (std::size_t i = 0; i < 8; ++i)
        for (std::size_t n = 0; n < 8; ++n) hex[i * 8 + n] = kDigits[(state[i] >> (28 - 4 * n)) & 0xFu];
    return hex;
}

}  // namespace digest_detail

std::string sha256Hex(std::span<const std::uint8_t> bytes) {
    static const digest_detail::Sha256Kernel kernel =
        digest_detail::cpuHasShaNi() ? digest_detail::sha256BlocksShaNi : digest_detail::sha256BlocksPortable;
    const auto hex = digest_detail::sha256HexWith(kernel, bytes.data(), bytes.size());
    return std::string(hex.data(), hex.size());
}

}  // namespace orbi
