// Any bytes as a source file: find every image and write it into a scratch
// save folder, as a run does.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "extract/file_system.h"
#include "extract/host.h"
#include "extract/res_extract.h"
#include "extract/scanner.h"
#include "extract/writer.h"

namespace {

class QuietHost final : public gd::StatusSink, public gd::ProgressSink, public gd::MessageSink {
 public:
  void ShowStatus(const std::string&) override {}
  void SetCount(int) override {}
  bool IsCancelled() override { return false; }
  void ShowMessage(const std::string&) override { std::abort(); }  // the save folder always exists
};

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
  engine.SetSaveDir(scratch.root + "/save/");
  engine.SetDeleteFirst(true);
  engine.SetExcludeFlags(size ? static_cast<std::uint8_t>(data[0] & 0x0C) : 0);
  const int written = engine.ExtractFromFiles({source});

  // What was written must be what the writer builds from the same bytes.
  const std::span<const std::uint8_t> bytes(data, size);
  const auto found = gd::FindImages(bytes, gd::kMaxImagesPerFile);
  if (written > static_cast<int>(found.size())) std::abort();
  for (std::size_t offset : found) {
    if (offset + 40 > size) std::abort();
    (void)gd::BuildBitmapFile(bytes, offset);
  }
  return 0;
}
