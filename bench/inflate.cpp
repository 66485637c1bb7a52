// inflateRaw against zlib's raw inflate on the same streams: instance-like JSON and float audio,
// compressed by zlib (dynamic blocks) and by deflateFixed (one fixed block).
#include <benchmark/benchmark.h>
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

struct Input {
    Bytes plain;
    Bytes packed;
};

const Input& input(int which) {
    static const Input inputs[] = {
        {orbi::bench::instanceJson(1 << 20), {}},
        {orbi::bench::floatAudio(1 << 20), {}},
        {orbi::bench::instanceJson(1 << 20), {}},
        {orbi::bench::floatAudio(1 << 20), {}},
    };
    static const bool packed = [] {
        auto& in = const_cast<Input(&)[4]>(inputs);
        in[0].packed = zlibRaw(in[0].plain, 6);
        in[1].packed = zlibRaw(in[1].plain, 6);
        in[2].packed = orbi::deflateFixed(in[2].plain);
        in[3].packed = orbi::deflateFixed(in[3].plain);
        return true;
    }();
    (void)packed;
    return inputs[which];
}

const char* kNames[] = {"json/zlib6", "audio/zlib6", "json/fixed", "audio/fixed"};

void BM_InflateOurs(benchmark::State& state) {
    const Input& in = input(static_cast<int>(state.range(0)));
    Bytes out;
    std::string error;
    for (auto _ : state) {
        out.clear();
        out.reserve(in.plain.size());
        if (!orbi::inflateRaw(in.packed, in.plain.size(), out, error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(out.data());
    }
    if (out != in.plain) state.SkipWithError("wrong output");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.plain.size()));
    state.SetLabel(kNames[state.range(0)]);
}

void BM_InflateZlib(benchmark::State& state) {
    const Input& in = input(static_cast<int>(state.range(0)));
    Bytes out(in.plain.size());
    for (auto _ : state) {
        z_stream z{};
        inflateInit2(&z, -15);
        z.next_in = const_cast<Bytef*>(in.packed.data());
        z.avail_in = static_cast<uInt>(in.packed.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        if (inflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("zlib failed");
        inflateEnd(&z);
        benchmark::DoNotOptimize(out.data());
    }
    if (out != in.plain) state.SkipWithError("wrong output");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.plain.size()));
    state.SetLabel(kNames[state.range(0)]);
}

BENCHMARK(BM_InflateOurs)->DenseRange(0, 3);
BENCHMARK(BM_InflateZlib)->DenseRange(0, 3);

}  // namespace

BENCHMARK_MAIN();
