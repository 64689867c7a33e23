#pragma once
// What a run reports about each image it writes, for the manifest and the
// gallery.

#include <vector>

#include "extract/write/written_image.h"

namespace gd {

class ImageLog {
 public:
  virtual ~ImageLog() = default;
  // Called once per image written, after its file is complete.
  virtual void ImageWritten(const WrittenImage& image) = 0;
  // Whether ImageWritten looks at the file's bytes; a run whose logs do not
  // need not hold them.
  virtual bool ReadsBytes() const { return true; }
};

// Tells every log added to it.
class ImageLogs final : public ImageLog {
 public:
  void Add(ImageLog& log) { logs_.push_back(&log); }
  void ImageWritten(const WrittenImage& image) override {
    for (ImageLog* log : logs_) log->ImageWritten(image);
  }
  bool ReadsBytes() const override {
    for (const ImageLog* log : logs_) {
      if (log->ReadsBytes()) return true;
    }
    return false;
  }

 private:
  std::vector<ImageLog*> logs_;
};

}  // namespace gd
