// SHA-256 (FIPS 180-4) of one byte range, delivered as 64 lower-case hexadecimal digits; assets
// are named by it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace orbi {

std::string sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace orbi
