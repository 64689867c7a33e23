#pragma once
// PNG encoding, one implementation per platform (libpng on POSIX, the Windows
// Imaging Component on Windows). The encoded bytes may differ between them;
// the pixels never do.

#include <cstdint>
#include <memory>
#include <vector>

#include "extract/rgba_image.h"

namespace gd {

class PngEncoder {
 public:
  virtual ~PngEncoder() = default;
  // The whole PNG file for image (width and height at least 1). Throws
  // ExtractError when it cannot be encoded.
  virtual std::vector<std::uint8_t> Encode(const RgbaImage& image) = 0;
};

std::unique_ptr<PngEncoder> MakeNativePngEncoder();

}  // namespace gd
