// Any bytes as a source file: find every image and write it into a scratch
// save folder, as a run does, reading the file through tiny windows; and the
// search through tiny windows must find exactly what a search of the whole
// input in memory finds.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "extract/find/image_search.h"
#include "extract/find/scanner.h"
#include "extract/run/res_extract.h"
#include "extract/run/ui_sinks.h"
#include "extract/source/span_source.h"
#include "extract/write/bitmap_file.h"
#include "platform/file_system.h"
#include "platform/png_encoder.h"

namespace {

class QuietHost final : public gd::StatusSink, public gd::ProgressSink, public gd::MessageSink {
 public:
  void ShowStatus(const std::string&) override {}
  void SetCount(int) override {}
  bool IsCancelled() override { return false; }
  void ShowMessage(const std::string&) override { std::abort(); }  // the save folder always exists
};

// The bytes of a file, read only by position as a file on disk would be.
class PositionalSource final : public gd::ByteSource {
 public:
  explicit PositionalSource(std::span<const std::uint8_t> bytes) : inner_(bytes) {}
  std::uint64_t Size() const override { return inner_.Size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override { return inner_.ReadAt(offset, out); }

 private:
  gd::SpanSource inner_;
};

struct Hit {
  gd::ImageKind kind;
  std::uint64_t offset, length;
  bool operator==(const Hit&) const = default;
};

std::vector<Hit> Search(gd::ByteSource& source, gd::WindowReader::Options options, const gd::SearchRules& rules) {
  gd::WindowReader reader(source, options);
  gd::ImageSearch search(reader, rules);
  std::vector<Hit> hits;
  while (const auto image = search.Next()) hits.push_back({image->kind, image->offset, image->length});
  return hits;
}

struct Scratch {
  Scratch() {
    std::string pattern = (std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp") + std::string("/gd-fuzz-XXXXXX");
    if (!::mkdtemp(pattern.data())) std::abort();
    root = pattern;
    std::filesystem::create_directory(root + "/save");
  }
  ~Scratch() { std::filesystem::remove_all(root); }
  std::string root;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  static const auto fs = gd::MakeNativeFileSystem();
  static QuietHost host;
  static gd::TResExtract engine(*fs, host, host, host);

  const std::string source = scratch.root + "/input.bin";
  if (FILE* f = std::fopen(source.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  // The first byte chooses the options and the window size.
  const std::uint8_t choice = size ? data[0] : 0;
  const bool all_images = (choice & 0x10) != 0;
  const std::size_t window = (choice & 0x40) ? 128 : 4096;
  static const auto png = gd::MakeNativePngEncoder();
  gd::RunOptions options;
  options.save_dir = scratch.root + "/save/";
  options.delete_first = true;
  options.exclude_flags = static_cast<std::uint8_t>(choice & 0x0C);
  options.all_images = all_images;
  options.png_encoder = png.get();
  options.format = (choice & 0x20) ? gd::OutputFormat::kPng : gd::OutputFormat::kBmp;
  options.unique = (choice & 0x01) != 0;
  options.read = {window};
  engine.SetOptions(options);
  const int written = engine.ExtractFromFiles({source});

  const gd::SearchRules rules = gd::RulesFor(all_images);
  gd::SpanSource whole(std::span<const std::uint8_t>(data, size));
  PositionalSource positional(std::span<const std::uint8_t>(data, size));
  static gd::ReadAhead read_ahead;
  const std::vector<Hit> in_memory = Search(whole, {}, rules);
  if (Search(positional, {window}, rules) != in_memory) std::abort();
  if (Search(positional, {window, &read_ahead}, rules) != in_memory) std::abort();

  // What was written must be what the writer builds from the same bytes.
  const std::span<const std::uint8_t> bytes(data, size);
  const auto found = gd::FindImages(bytes, gd::kMaxImagesPerFile);
  if (!all_images && written > static_cast<int>(found.size())) std::abort();
  for (std::size_t offset : found) {
    if (offset + 40 > size) std::abort();
    (void)gd::BuildBitmapFile(bytes, offset);
  }
  return 0;
}
