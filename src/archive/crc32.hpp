// CRC-32 of zip archives (ISO 3309 / ITU-T V.42: reflected polynomial 0xEDB88320, register
// preset to all ones, result complemented). Same value as zlib's crc32() for every input.
#pragma once

#include <cstdint>
#include <span>

namespace orbi {

// CRC-32 of one byte range; 0 for an empty range.
std::uint32_t crc32(std::span<const std::uint8_t> bytes);

// Continues a CRC: crc32Update(crc32(a), b) == crc32(a followed by b); crc32Update(0, b) == crc32(b).
std::uint32_t crc32Update(std::uint32_t crc, std::span<const std::uint8_t> bytes);

}  // namespace orbi
