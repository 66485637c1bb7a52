// Fuzzes inflateRaw with zlib as the control: the first two bytes pick the declared size, the rest
// is the stream. Where zlib decodes within the declared size we give the same bytes; elsewhere we
// stop, never past the declared size nor past what zlib decoded. Both fast loops agree, and
// deflateFixed's output inflates back.
#include "../tests/support/bytes.hpp"
#include "archive/deflate.hpp"
#include "archive/inflate.hpp"
#include "support/fuzz_check.hpp"

using orbi::fuzz::fail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint64_t declared = (std::uint64_t{data[0]} | std::uint64_t{data[1]} << 8) * 16;
    const std::vector<std::uint8_t> stream(data + 2, data + size);
    std::vector<std::uint8_t> out, zlibOut;
    std::string error;
    const bool ok = orbi::inflateRaw(stream, declared, out, error);
    if (out.size() > declared || ok != error.empty()) fail("output past the declared size, or a verdict without its phrase");
    std::vector<std::uint8_t> plain;  // the fast loop for processors without BMI2
    std::string plainError;
    namespace id = orbi::inflate_detail;
    if (id::inflateRawWith(id::LoopChoice::plain, stream, declared, plain, plainError) != ok || plain != out || plainError != error)
        fail("the plain fast loop decodes otherwise", error, plainError);

    std::string zlibMessage;
    const bool zlibOk = orbi::test::zlibInflateRaw(stream, zlibOut, declared, &zlibMessage) && zlibOut.size() <= declared;
    // Unlike zlib we take a lone code of any length, not only of length 1, and decode on from there.
    if (zlibMessage == "invalid distances set" || zlibMessage == "invalid literal/lengths set") return 0;
    if (ok != zlibOk) fail(ok ? "decoded what zlib refuses" : "refused what zlib decodes", error, zlibMessage);
    if (out.size() > zlibOut.size() || !std::equal(out.begin(), out.end(), zlibOut.begin()) || (ok && out != zlibOut))
        fail("decoded other bytes than zlib");

    std::vector<std::uint8_t> back;
    if (!orbi::inflateRaw(orbi::deflateFixed(stream), stream.size(), back, error) || back != stream) fail("deflateFixed does not round-trip");
    return 0;
}
