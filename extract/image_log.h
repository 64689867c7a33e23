#pragma once
// What a run reports about each image it writes, for the manifest and the
// gallery.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gd {

enum class ImageKind { kDib, kPng, kGif, kJpeg };

// "dib", "png", "gif", "jpeg".
std::string_view KindName(ImageKind kind);

struct WrittenImage {
  std::string source;    // the source file's absolute path
  std::uint64_t offset;  // the image's first byte in the source
  ImageKind kind;
  std::int64_t width;    // of the image as written
  std::int64_t height;
  int bits;              // bits per pixel as written
  std::string file;      // the output file's full path
  std::span<const std::uint8_t> bytes;  // the output file's bytes, valid during the call
};

class ImageLog {
 public:
  virtual ~ImageLog() = default;
  // Called once per image written, after its file is complete.
  virtual void ImageWritten(const WrittenImage& image) = 0;
};

// Tells every log added to it.
class ImageLogs final : public ImageLog {
 public:
  void Add(ImageLog& log) { logs_.push_back(&log); }
  void ImageWritten(const WrittenImage& image) override {
    for (ImageLog* log : logs_) log->ImageWritten(image);
  }

 private:
  std::vector<ImageLog*> logs_;
};

}  // namespace gd
