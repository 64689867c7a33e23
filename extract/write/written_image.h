#pragma once
// What is known of an image once its file is written: where it came from,
// its kind and size, and the file. The write queue hands these back to the
// run, which reports them.

#include <cstdint>
#include <span>
#include <string>

#include "extract/find/image_kind.h"

namespace gd {

struct WrittenImage {
  std::string source;    // the source file's absolute path
  std::uint64_t offset;  // the image's first byte in the source
  ImageKind kind;
  std::int64_t width;    // of the image as written
  std::int64_t height;
  int bits;              // bits per pixel as written
  std::string file;      // the output file's full path
  // The output file's bytes, valid during the call; empty for a file copied
  // from its source when no log reads them (ImageLog::ReadsBytes).
  std::span<const std::uint8_t> bytes;
};

}  // namespace gd
