#pragma once
// The gallery: one static page (index.html in the save folder) showing every
// image a run wrote, grouped by source file. It holds no script and loads
// nothing but the images beside it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "extract/report/image_log.h"

namespace gd {

// Text for HTML content and quoted attribute values: & < > " ' escaped, and
// bytes that are not valid UTF-8 shown as U+FFFD so the page stays UTF-8.
std::string HtmlText(std::string_view text);

// A file name as a relative URL: every byte but ASCII letters, digits and
// "-._~" percent-encoded, so "#", "?", "%", ":", "\" and spaces keep their
// place in the name and any byte sequence survives.
std::string UrlFileName(std::string_view name);

// The whole-number factor a width × height image is enlarged by on its card:
// the largest up to 4 that keeps its longer side within 128 pixels; 1 when
// even 2 would exceed it.
int EnlargeFactor(std::int64_t width, std::int64_t height);

// The size an image is shown at on its card: enlarged by EnlargeFactor, or,
// when its longer side exceeds 128 pixels, made smaller to fit 128 with its
// proportions kept (never below 1 pixel).
struct ShownSize {
  std::int64_t width;
  std::int64_t height;
};
ShownSize CardSize(std::int64_t width, std::int64_t height);

class Gallery : public ImageLog {
 public:
  void ImageWritten(const WrittenImage& image) override;
  bool ReadsBytes() const override { return false; }  // the page links to the files

  // The page in UTF-8. Images link to their files by name, so the page
  // belongs in the folder they were written to.
  std::string Html() const;

  std::size_t images() const { return images_; }

 private:
  struct Entry {
    std::uint64_t offset;
    ImageKind kind;
    std::int64_t width;
    std::int64_t height;
    int bits;
    std::string file;  // name only
  };
  struct Group {
    std::string source;
    std::vector<Entry> entries;
  };

  std::vector<Group> groups_;  // in the order their first image was written
  std::unordered_map<std::string, std::size_t> group_of_;
  std::size_t images_ = 0;
};

}  // namespace gd
