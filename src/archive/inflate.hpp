// Decoder for raw DEFLATE streams (RFC 1951, no zlib or gzip wrapper): stored, fixed and dynamic
// Huffman blocks, never producing more than a declared number of bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orbi {

// Decodes one whole stream. On success answers true with the decoded bytes in `output`. On failure
// answers false, sets `error` to one of the phrases in archive/archive_messages.hpp, and leaves in
// `output` what was decoded before the fault. `declaredSize` is a hard upper bound on the output;
// whether the output has exactly that size is for the caller to check. Input after the final block
// is ignored. The output vector is cleared first; reserving capacity beforehand avoids regrowth.
bool inflateRaw(std::span<const std::uint8_t> input, std::uint64_t declaredSize, std::vector<std::uint8_t>& output,
                std::string& error);

namespace inflate_detail {
// inflateRaw with its fast loop named: the one this processor's features choose (what inflateRaw
// runs), or the plain one, which runs where BMI2 is missing and so is tested against the other.
enum class LoopChoice { chosen, plain };
bool inflateRawWith(LoopChoice choice, std::span<const std::uint8_t> input, std::uint64_t declaredSize,
                    std::vector<std::uint8_t>& output, std::string& error);
}  // namespace inflate_detail

}  // namespace orbi
