// Searching a file on disk through windows, against only reading it through
// the same windows, in the same run: what the search adds to the read, for
// several window sizes, under both rules, with windows read ahead on a
// second thread and without.
//
//   read_bench [FILE] [benchmark flags]
// FILE defaults to build/bench-data/single.bin (made by bench/cli_vs_cat.sh).
// The file should be in the page cache: the first repetition warms it.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "extract/find/image_search.h"
#include "platform/file_system.h"

namespace {

std::string g_path = "build/bench-data/single.bin";

void Report(benchmark::State& state, std::uint64_t bytes) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

// arg: window size in KiB
void BM_ReadOnly(benchmark::State& state) {
  const auto fs = gd::MakeNativeFileSystem();
  std::vector<std::uint8_t> window(static_cast<std::size_t>(state.range(0)) << 10);
  std::uint64_t size = 0;
  for (auto _ : state) {
    const auto file = fs->OpenFile(g_path);
    if (!file) {
      state.SkipWithError("cannot open the file");
      return;
    }
    size = file->Size();
    for (std::uint64_t at = 0; at < size; at += window.size()) benchmark::DoNotOptimize(file->ReadAt(at, window));
  }
  Report(state, size);
}

// args: window size in KiB; every-image rules (1) or standard; read ahead
// on a second thread (1) or not
void BM_Search(benchmark::State& state) {
  const auto fs = gd::MakeNativeFileSystem();
  gd::ReadAhead read_ahead;
  const gd::WindowReader::Options options{static_cast<std::size_t>(state.range(0)) << 10,
                                          state.range(2) != 0 ? &read_ahead : nullptr};
  std::uint64_t size = 0;
  for (auto _ : state) {
    const auto file = fs->OpenFile(g_path);
    if (!file) {
      state.SkipWithError("cannot open the file");
      return;
    }
    size = file->Size();
    gd::WindowReader reader(*file, options);
    gd::ImageSearch search(reader, gd::RulesFor(state.range(1) != 0));
    while (const auto image = search.Next()) benchmark::DoNotOptimize(image->offset);
  }
  Report(state, size);
}

BENCHMARK(BM_ReadOnly)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Search)
    ->ArgsProduct({{256, 1024, 4096}, {0, 1}, {0, 1}})
    ->ArgNames({"KiB", "all", "ahead"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && argv[1][0] != '-') {
    g_path = argv[1];
    --argc;
    ++argv;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
