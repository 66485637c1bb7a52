// Fuzzes inflateRaw: the first two bytes pick the declared size, the rest is the stream. The
// result must equal a plain one-bit-at-a-time decoder's, bytes and phrase; the output never
// exceeds the declared size; and deflateFixed of the input must inflate back to it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "../tests/archive/reference_inflate.hpp"
#include "archive/deflate.hpp"
#include "archive/inflate.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint64_t declared = (std::uint64_t{data[0]} | std::uint64_t{data[1]} << 8) * 16;
    const std::vector<std::uint8_t> stream(data + 2, data + size);

    std::vector<std::uint8_t> out;
    std::string error;
    const bool ok = orbi::inflateRaw(stream, declared, out, error);
    if (out.size() > declared) std::abort();
    if (ok != error.empty()) std::abort();
    const auto want = orbi::test::referenceInflate(stream, declared);
    if (want.error != error || want.output != out) std::abort();

    const std::vector<std::uint8_t> packed = orbi::deflateFixed(stream);
    std::vector<std::uint8_t> back;
    if (!orbi::inflateRaw(packed, stream.size(), back, error) || back != stream) std::abort();
    return 0;
}
