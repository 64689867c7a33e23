// Decoding speed of the GIF codec against giflib on the same files, in the
// same run. Some files are made here with giflib's encoder: a large
// photo-like image, a large flat one, an interlaced one and a many-frame
// animation. Others come from another encoder, Pillow (bench/
// make_pillow_gifs.py, run by the build): photo-like, the same interlaced,
// dithered, and an animation. Both sides decode every frame of the file from
// memory into colour indices, and must agree on every pixel before anything
// is timed. At the end the ratio giflib time / our time is printed per file
// (above 1: we are faster).

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "gif/gif_file.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Frame {
  int width, height;
  Bytes pixels;
};

int WriteToVector(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

Bytes EncodeWithGiflib(const std::vector<Frame>& frames, bool interlaced) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, WriteToVector, &error);
  if (gif == nullptr) throw std::runtime_error("EGifOpen");
  EGifSetGifVersion(gif, true);
  std::vector<GifColorType> colours(256);
  for (int i = 0; i < 256; ++i)
    colours[static_cast<std::size_t>(i)] = {static_cast<GifByteType>(i), static_cast<GifByteType>((i * 3) & 255),
                                            static_cast<GifByteType>(255 - i)};
  ColorMapObject* map = GifMakeMapObject(256, colours.data());
  EGifPutScreenDesc(gif, frames[0].width, frames[0].height, 8, 0, map);
  for (const Frame& f : frames) {
    EGifPutImageDesc(gif, 0, 0, f.width, f.height, interlaced, nullptr);
    auto put_row = [&](int y) {
      EGifPutLine(gif, const_cast<GifPixelType*>(f.pixels.data()) + static_cast<std::size_t>(y) * static_cast<std::size_t>(f.width), f.width);
    };
    if (!interlaced) {
      for (int y = 0; y < f.height; ++y) put_row(y);
    } else {
      const int first[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int y = first[pass]; y < f.height; y += step[pass]) put_row(y);
    }
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

// Smooth shading with a little sensor noise, 256 levels.
Frame PhotoLike(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0.0, 2.0);
  Frame f{w, h, Bytes(static_cast<std::size_t>(w) * static_cast<std::size_t>(h))};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double v = 128 + 60 * std::sin(x / 97.0 + seed) * std::cos(y / 71.0) + 40 * std::sin((x + y) / 41.0) +
                       noise(rng);
      f.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] =
          static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
    }
  return f;
}

// Large areas of one colour: a few rectangles and stripes, like a diagram.
Frame Flat(int w, int h) {
  Frame f{w, h, Bytes(static_cast<std::size_t>(w) * static_cast<std::size_t>(h))};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t v = 1;
      if (x > w / 4 && x < w / 2 && y > h / 5 && y < h / 2) v = 7;
      if ((y / 40) % 5 == 0) v = 3;
      if (x > 3 * w / 4) v = static_cast<std::uint8_t>(10 + (y / 100));
      f.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] = v;
    }
  return f;
}

#ifdef GLIMMERDIG_PILLOW_GIFS
constexpr const char* kPillowDir = GLIMMERDIG_PILLOW_GIFS;
#else
constexpr const char* kPillowDir = nullptr;
#endif

Bytes ReadFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) throw std::runtime_error("cannot open " + path);
  Bytes bytes;
  std::uint8_t buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

const Bytes& File(const std::string& name) {
  static std::map<std::string, Bytes> files;
  auto it = files.find(name);
  if (it != files.end()) return it->second;
  Bytes bytes;
  if (name.starts_with("pillow/")) {
    bytes = ReadFile(std::string(kPillowDir) + "/" + name.substr(7) + ".gif");
  } else if (name == "photo_1920x1080") {
    bytes = EncodeWithGiflib({PhotoLike(1920, 1080, 1)}, false);
  } else if (name == "flat_1920x1080") {
    bytes = EncodeWithGiflib({Flat(1920, 1080)}, false);
  } else if (name == "interlaced_1024x768") {
    bytes = EncodeWithGiflib({PhotoLike(1024, 768, 2)}, true);
  } else {
    std::vector<Frame> frames;
    for (unsigned i = 0; i < 100; ++i) frames.push_back(PhotoLike(200, 200, i));
    bytes = EncodeWithGiflib(frames, false);
  }
  return files.emplace(name, std::move(bytes)).first->second;
}

void Ours(benchmark::State& state, const std::string& name) {
  gd::TMemoryStream stream(File(name));
  for (auto _ : state) {
    gd::TGifFile gif;
    gif.LoadFromStream(stream);
    benchmark::DoNotOptimize(gif.SubImage(1).Pixels->Data().Data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(File(name).size()));
}

struct Reader {
  const Bytes* bytes;
  std::size_t position;
};

int ReadFromVector(GifFileType* gif, GifByteType* data, int length) {
  auto* r = static_cast<Reader*>(gif->UserData);
  const std::size_t n = std::min(static_cast<std::size_t>(length), r->bytes->size() - r->position);
  std::memcpy(data, r->bytes->data() + r->position, n);
  r->position += n;
  return static_cast<int>(n);
}

void Giflib(benchmark::State& state, const std::string& name) {
  const Bytes& bytes = File(name);
  for (auto _ : state) {
    Reader reader{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadFromVector, &error);
    if (gif == nullptr || DGifSlurp(gif) != GIF_OK) {
      state.SkipWithError("giflib failed");
      break;
    }
    benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
    DGifCloseFile(gif, &error);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}

// Both decoders must agree on every frame before their speed means anything.
void CheckSameResult(const std::string& name) {
  const Bytes& bytes = File(name);
  gd::TMemoryStream stream(bytes);
  gd::TGifFile ours;
  ours.LoadFromStream(stream);
  Reader reader{&bytes, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, ReadFromVector, &error);
  if (gif == nullptr || DGifSlurp(gif) != GIF_OK) throw std::runtime_error("giflib cannot read " + name);
  bool same = gif->ImageCount == ours.SubImages.Count();
  for (int i = 0; same && i < gif->ImageCount; ++i) {
    const auto& mine = ours.SubImage(i + 1).Pixels->Data();
    const SavedImage& theirs = gif->SavedImages[i];
    same = static_cast<std::size_t>(mine.Count()) ==
               static_cast<std::size_t>(theirs.ImageDesc.Width) * static_cast<std::size_t>(theirs.ImageDesc.Height) &&
           std::memcmp(mine.Data(), theirs.RasterBits, static_cast<std::size_t>(mine.Count())) == 0;
  }
  DGifCloseFile(gif, &error);
  if (!same) throw std::runtime_error("decoders disagree on " + name);
}

const char* const kGiflibFiles[] = {"photo_1920x1080", "flat_1920x1080", "interlaced_1024x768",
                                    "animation_100x200x200"};
const char* const kPillowFiles[] = {"pillow/photo_3000x2000", "pillow/photo_3000x2000_interlaced",
                                    "pillow/dithered_2400x1600", "pillow/animation_120x320x240"};

std::vector<std::string> Files() {
  std::vector<std::string> files(std::begin(kGiflibFiles), std::end(kGiflibFiles));
  if (kPillowDir != nullptr) files.insert(files.end(), std::begin(kPillowFiles), std::end(kPillowFiles));
  return files;
}

// Prints the usual table and, at the end, giflib's time over ours per file.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // With --benchmark_repetitions the median stands for the file.
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      times_[run.run_name.str()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    // CPU time is the steadier figure on a shared machine.
    std::printf("\n%-34s %18s %18s\n", "file", "giflib/ours (CPU)", "giflib/ours (real)");
    for (const std::string& file : Files()) {
      const auto ours = times_.find(std::string("decode/ours/") + file);
      const auto giflib = times_.find(std::string("decode/giflib/") + file);
      if (ours == times_.end() || giflib == times_.end()) continue;
      std::printf("%-34s %18.2f %18.2f\n", file.c_str(), giflib->second.cpu / ours->second.cpu,
                  giflib->second.real / ours->second.real);
    }
  }

 private:
  struct Times {
    double real, cpu;
  };
  std::map<std::string, Times> times_;
};

}  // namespace

int main(int argc, char** argv) {
  if (kPillowDir == nullptr) std::fprintf(stderr, "built without Pillow: only giflib-made files\n");
  for (const std::string& file : Files()) {
    CheckSameResult(file);
    benchmark::RegisterBenchmark(("decode/ours/" + file).c_str(), Ours, file)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("decode/giflib/" + file).c_str(), Giflib, file)->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
