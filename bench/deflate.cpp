// deflateFixed against zlib at the closest setting: level 1 with fixed codes (Z_FIXED) and
// deflateTune(258, 258, 258, 64), i.e. greedy matching over chains of at most 64 candidates.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include "archive/deflate.hpp"
#include "archive_corpus.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes& input(int which) {
    static const Bytes json = orbi::bench::instanceJson(1 << 20);
    static const Bytes audio = orbi::bench::floatAudio(1 << 20);
    return which == 0 ? json : audio;
}

const char* kNames[] = {"json", "audio"};

void BM_DeflateOurs(benchmark::State& state) {
    const Bytes& in = input(static_cast<int>(state.range(0)));
    std::size_t size = 0;
    for (auto _ : state) {
        const Bytes out = orbi::deflateFixed(in);
        size = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
    state.counters["ratio"] = static_cast<double>(size) / static_cast<double>(in.size());
    state.SetLabel(kNames[state.range(0)]);
}

void BM_DeflateZlibFixed(benchmark::State& state) {
    const Bytes& in = input(static_cast<int>(state.range(0)));
    std::size_t size = 0;
    for (auto _ : state) {
        z_stream z{};
        deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_FIXED);
        deflateTune(&z, 258, 258, 258, 64);
        Bytes out(deflateBound(&z, static_cast<uLong>(in.size())));
        z.next_in = const_cast<Bytef*>(in.data());
        z.avail_in = static_cast<uInt>(in.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        if (deflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("zlib failed");
        size = z.total_out;
        deflateEnd(&z);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
    state.counters["ratio"] = static_cast<double>(size) / static_cast<double>(in.size());
    state.SetLabel(kNames[state.range(0)]);
}

BENCHMARK(BM_DeflateOurs)->DenseRange(0, 1);
BENCHMARK(BM_DeflateZlibFixed)->DenseRange(0, 1);

}  // namespace

BENCHMARK_MAIN();
