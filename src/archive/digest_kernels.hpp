// Internal: the interchangeable kernels behind crc32() and sha256Hex(). The plain table-driven
// and portable kernels are always there; the carry-less-multiply CRC and the SHA extension
// kernel are chosen at run time when the processor has them. Exposed so tests can check that
// every kernel gives the same results.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orbi::digest_detail {

// CRC kernels work on the raw register (already preset, not yet complemented).
std::uint32_t crc32Bytewise(std::uint32_t reg, const std::uint8_t* data, std::size_t size);
std::uint32_t crc32Sliced(std::uint32_t reg, const std::uint8_t* data, std::size_t size);
bool cpuHasClmul();
// Requires cpuHasClmul(); any size (short tails go to the sliced kernel).
std::uint32_t crc32Clmul(std::uint32_t reg, const std::uint8_t* data, std::size_t size);
// VPCLMULQDQ with AVX2, and a system that saves AVX state.
bool cpuHasWideClmul();
// Requires cpuHasWideClmul(); any size (under 128 bytes it is crc32Clmul).
std::uint32_t crc32ClmulWide(std::uint32_t reg, const std::uint8_t* data, std::size_t size);

using Sha256State = std::array<std::uint32_t, 8>;
// Compresses `blocks` whole 64-byte blocks into the state.
void sha256BlocksPortable(Sha256State& state, const std::uint8_t* data, std::size_t blocks);
bool cpuHasShaNi();
// Requires cpuHasShaNi().
void sha256BlocksShaNi(Sha256State& state, const std::uint8_t* data, std::size_t blocks);

using Sha256Kernel = void (*)(Sha256State&, const std::uint8_t*, std::size_t);
// The full digest (padding included) with a chosen block kernel, as 64 lower-case hex digits.
std::array<char, 64> sha256HexWith(Sha256Kernel kernel, const std::uint8_t* data, std::size_t size);

}  // namespace orbi::digest_detail
