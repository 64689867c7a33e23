// Scan throughput against memchr over the same buffer, in the same run:
// memchr for a byte that never occurs is the speed of simply reading memory.

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "extract/find/scanner.h"
#include "tests/support/dib_fixtures.h"

namespace {

using gd::test::Bytes;

constexpr std::size_t kSize = std::size_t{256} << 20;
constexpr std::uint8_t kAbsent = 0xFF;  // kept out of both buffers

const Bytes& RandomBytes() {
  static const Bytes data = [] {
    Bytes b(kSize);
    std::mt19937_64 rng(42);
    for (std::size_t i = 0; i < b.size(); i += 8) {
      std::uint64_t v = rng();
      for (std::size_t k = 0; k < 8; ++k, v >>= 8) {
        const auto byte = static_cast<std::uint8_t>(v);
        b[i + k] = byte == kAbsent ? 0 : byte;
      }
    }
    return b;
  }();
  return data;
}

// Program-like data: runs of filler with icon images of several sizes and
// depths embedded at even offsets, as in a resource section.
const Bytes& IconBearingBytes() {
  static const Bytes data = [] {
    const Bytes images[] = {gd::test::IconImage(16, 4), gd::test::IconImage(32, 4),
                            gd::test::IconImage(32, 8), gd::test::IconImage(48, 8),
                            gd::test::IconImage(32, 32), gd::test::IconImage(64, 32)};
    Bytes b;
    b.reserve(kSize + (1 << 20));
    std::mt19937 rng(7);
    std::size_t n = 0;
    while (b.size() < kSize) {
      const std::size_t gap = 2 * (rng() % 2048);
      for (std::size_t i = 0; i < gap; ++i) b.push_back(static_cast<std::uint8_t>(rng() % 255));
      const Bytes& img = images[n++ % std::size(images)];
      b.insert(b.end(), img.begin(), img.end());
    }
    b.resize(kSize);
    return b;
  }();
  return data;
}

void Report(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

void BM_FindImages_Random(benchmark::State& state) {
  const Bytes& d = RandomBytes();
  for (auto _ : state) benchmark::DoNotOptimize(gd::FindImages(d));
  Report(state, d.size());
}

void BM_Memchr_Random(benchmark::State& state) {
  const Bytes& d = RandomBytes();
  for (auto _ : state) benchmark::DoNotOptimize(std::memchr(d.data(), kAbsent, d.size()));
  Report(state, d.size());
}

void BM_FindImages_Icons(benchmark::State& state) {
  const Bytes& d = IconBearingBytes();
  std::size_t found = 0;
  for (auto _ : state) {
    const auto list = gd::FindImages(d);
    found = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["images"] = static_cast<double>(found);
  Report(state, d.size());
}

void BM_Memchr_Icons(benchmark::State& state) {
  const Bytes& d = IconBearingBytes();
  for (auto _ : state) benchmark::DoNotOptimize(std::memchr(d.data(), kAbsent, d.size()));
  Report(state, d.size());
}

BENCHMARK(BM_FindImages_Random)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memchr_Random)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindImages_Icons)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memchr_Icons)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
