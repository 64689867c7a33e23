// Icon decoding to RGBA, and PNG encoding, against copying the same image's
// bytes in the same run (the speed of reading and writing that much memory).

#include <benchmark/benchmark.h>

#include <cstring>

#include "extract/dib/dib_layout.h"
#include "extract/dib/dib_pixels.h"
#include "extract/source/span_source.h"
#include "platform/png_encoder.h"
#include "tests/support/dib_fixtures.h"

namespace {

using gd::test::Bytes;

// An icon image whose pixel and mask bytes vary, so no path is trivially short.
Bytes Icon(std::int32_t side, std::uint16_t bits) {
  Bytes b = gd::test::IconImage(side, bits);
  for (std::size_t i = 40; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 131 + (i >> 7));
  return b;
}

void Args(benchmark::internal::Benchmark* b) {
  b->ArgNames({"side", "bits"});
  for (const auto& [side, bits] : {std::pair{32, 4}, {48, 8}, {48, 24}, {256, 32}}) b->Args({side, bits});
}

void BM_CopyIconBytes(benchmark::State& state) {
  const Bytes src = Icon(static_cast<std::int32_t>(state.range(0)), static_cast<std::uint16_t>(state.range(1)));
  const auto side = static_cast<std::size_t>(state.range(0));
  std::vector<std::uint8_t> copy(src.size());
  std::vector<std::uint8_t> out(side * side * 4);
  for (auto _ : state) {
    std::memcpy(copy.data(), src.data(), src.size());
    std::memset(out.data(), 0x5A, out.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CopyIconBytes)->Apply(Args);

void BM_DecodeIcon(benchmark::State& state) {
  const Bytes src = Icon(static_cast<std::int32_t>(state.range(0)), static_cast<std::uint16_t>(state.range(1)));
  const gd::DibLayout layout = *gd::MeasureEveryImage(gd::RecordFrom<gd::BitmapInfoHeader>(src));
  gd::SpanSource source(src);
  for (auto _ : state) {
    auto image = gd::DecodeDibPixels(source, 0, layout);
    benchmark::DoNotOptimize(image);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeIcon)->Apply(Args);

void BM_DecodeAndEncodeIcon(benchmark::State& state) {
  const Bytes src = Icon(static_cast<std::int32_t>(state.range(0)), static_cast<std::uint16_t>(state.range(1)));
  const gd::DibLayout layout = *gd::MeasureEveryImage(gd::RecordFrom<gd::BitmapInfoHeader>(src));
  gd::SpanSource source(src);
  const auto encoder = gd::MakeNativePngEncoder();
  for (auto _ : state) {
    auto png = encoder->Encode(*gd::DecodeDibPixels(source, 0, layout));
    benchmark::DoNotOptimize(png);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeAndEncodeIcon)->Apply(Args);

}  // namespace

BENCHMARK_MAIN();
