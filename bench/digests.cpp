// crc32 against zlib's and libdeflate's crc32 and sha256Hex against OpenSSL's SHA256, on 4 KiB
// and 1 MiB; the plain kernels are measured too, to show what the run-time dispatch buys.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <openssl/sha.h>
#include <zlib.h>

#include "archive/crc32.hpp"
#include "archive/digest_kernels.hpp"
#include "archive/sha256.hpp"
#include "archive_corpus.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes& data() {
    static const Bytes d = orbi::bench::randomBytes(1 << 20);
    return d;
}

void BM_Crc32Ours(benchmark::State& state) {
    const std::span<const std::uint8_t> in(data().data(), static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(orbi::crc32(in));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Crc32Bytewise(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(orbi::digest_detail::crc32Bytewise(~0u, data().data(), n));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Crc32Sliced(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(orbi::digest_detail::crc32Sliced(~0u, data().data(), n));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Crc32Zlib(benchmark::State& state) {
    const auto n = static_cast<uInt>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(::crc32(0L, data().data(), n));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Crc32Libdeflate(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(libdeflate_crc32(0, data().data(), n));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Sha256Ours(benchmark::State& state) {
    const std::span<const std::uint8_t> in(data().data(), static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(orbi::sha256Hex(in));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Sha256Portable(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(orbi::digest_detail::sha256HexWith(orbi::digest_detail::sha256BlocksPortable, data().data(), n));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_Sha256OpenSsl(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    unsigned char md[SHA256_DIGEST_LENGTH];
    for (auto _ : state) {
        SHA256(data().data(), n, md);
        benchmark::DoNotOptimize(md);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_Crc32Ours)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_Crc32Zlib)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_Crc32Libdeflate)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_Crc32Sliced)->Arg(1 << 20);
BENCHMARK(BM_Crc32Bytewise)->Arg(1 << 20);
BENCHMARK(BM_Sha256Ours)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_Sha256OpenSsl)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_Sha256Portable)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
