#pragma once
// PNG encoding, one implementation per platform (libpng on POSIX, the Windows
// Imaging Component on Windows). The encoded bytes may differ between them;
// the pixels never do.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/rgba_image.h"

namespace gd {

// The encoder's own words on what went wrong come after the user's text.
class PngEncodeError : public ExtractError {
 public:
  explicit PngEncodeError(const std::string& detail)
      : ExtractError("PNG に変換できません（" + detail + "）"), detail_(detail) {}
  const std::string& Detail() const { return detail_; }

 private:
  std::string detail_;
};

class PngEncoder {
 public:
  virtual ~PngEncoder() = default;
  // The whole PNG file for image (width and height at least 1, four bytes a
  // pixel). Throws PngEncodeError when it cannot be encoded, OutOfMemoryError
  // when memory runs out.
  virtual std::vector<std::uint8_t> Encode(const RgbaImage& image) = 0;
};

std::unique_ptr<PngEncoder> MakeNativePngEncoder();

}  // namespace gd
