// The compressor the zip writer uses: one whole byte range becomes one final DEFLATE block coded
// with the fixed Huffman codes (RFC 1951, raw, no wrapper). No levels, no streaming: the same
// input always gives the same bytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace orbi {

// Never fails. Matches are found greedily through hash chains (64 candidates at most, 32 KiB
// back at most, 258 bytes long at most). Temporary memory: the output (at most 9 bits per input
// byte) and about 650 KiB of sorted hash chains for two 32 KiB blocks.
std::vector<std::uint8_t> deflateFixed(std::span<const std::uint8_t> input);

}  // namespace orbi
