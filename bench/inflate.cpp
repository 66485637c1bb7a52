// inflateRaw against zlib's and libdeflate's raw inflate on the same streams: one large JSON text
// packed by zlib at level 6 (dynamic blocks) and by deflateFixed (one fixed block, our writer's
// shape), many small JSON texts, float audio, and stored blocks. Each decoder writes into a
// buffer it keeps between iterations, as a caller decoding many entries would.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <string>

#include "archive/deflate.hpp"
#include "archive/inflate.hpp"
#include "archive_corpus.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes zlibRaw(const Bytes& in, int level) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&z, static_cast<uLong>(in.size())));
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

struct Stream {
    Bytes plain, packed;
};
using Streams = std::vector<Stream>;

const char* kNames[] = {"json-8.8MB/zlib6", "json-8.8MB/fixed", "json-420x20KB/zlib6", "audio/zlib6", "stored"};

const Streams& streams(int which) {
    static const std::vector<Streams> all = [] {
        const Bytes json = orbi::bench::instanceJson(8800 * 1000);
        std::vector<Streams> s(5);
        s[0] = {{json, zlibRaw(json, 6)}};
        s[1] = {{json, orbi::deflateFixed(json)}};
        for (std::uint32_t i = 0; i < 420; ++i) {
            const Bytes text = orbi::bench::instanceJson(20 * 1000, 100 + i);
            s[2].push_back({text, zlibRaw(text, 6)});
        }
        const Bytes audio = orbi::bench::floatAudio(4 << 20);
        s[3] = {{audio, zlibRaw(audio, 6)}};
        s[4] = {{json, zlibRaw(json, 0)}};
        return s;
    }();
    return all[static_cast<std::size_t>(which)];
}

template <typename Decode>
void measure(benchmark::State& state, Decode decode) {
    const Streams& in = streams(static_cast<int>(state.range(0)));
    std::size_t bytes = 0;
    for (const Stream& s : in) bytes += s.plain.size();
    Bytes out;
    for (auto _ : state)
        for (const Stream& s : in) {
            if (!decode(s, out)) state.SkipWithError("decoding failed");
            benchmark::DoNotOptimize(out.data());
        }
    if (out != in.back().plain) state.SkipWithError("wrong output");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetLabel(kNames[state.range(0)]);
}

void BM_InflateOurs(benchmark::State& state) {
    std::string error;
    measure(state, [&](const Stream& s, Bytes& out) { return orbi::inflateRaw(s.packed, s.plain.size(), out, error); });
}

void BM_InflateZlib(benchmark::State& state) {
    measure(state, [](const Stream& s, Bytes& out) {
        out.resize(s.plain.size());
        z_stream z{};
        inflateInit2(&z, -15);
        z.next_in = const_cast<Bytef*>(s.packed.data());
        z.avail_in = static_cast<uInt>(s.packed.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        const bool ok = inflate(&z, Z_FINISH) == Z_STREAM_END;
        inflateEnd(&z);
        return ok;
    });
}

void BM_InflateLibdeflate(benchmark::State& state) {
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    measure(state, [&](const Stream& s, Bytes& out) {
        out.resize(s.plain.size());
        std::size_t got = 0;
        return libdeflate_deflate_decompress(d, s.packed.data(), s.packed.size(), out.data(), out.size(), &got) == LIBDEFLATE_SUCCESS &&
               got == out.size();
    });
    libdeflate_free_decompressor(d);
}

BENCHMARK(BM_InflateOurs)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateZlib)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateLibdeflate)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
