#include "extract/find/jpeg_confirm.h"

#include <limits>

// The single-header decoder from Debian's libstb-dev, reduced to JPEG and to
// reading from memory: the one decoder that builds the same way natively and
// with mingw-w64, so both programs judge a candidate alike.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
#include <stb_image.h>

namespace gd {

bool DecoderReadsJpegHeader(std::span<const std::uint8_t> header, std::uint32_t width, std::uint32_t height,
                            std::uint32_t components) {
  if (header.empty() || header.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return false;
  int x = 0;
  int y = 0;
  int n = 0;
  if (stbi_info_from_memory(header.data(), static_cast<int>(header.size()), &x, &y, &n) == 0) return false;
  // It tells colour from grey only: 3 for both three and four components
  // (YCbCr or RGB, CMYK or YCCK), which it turns into RGB.
  const std::uint32_t told = components >= 3 ? 3 : components;
  return static_cast<std::uint32_t>(x) == width && static_cast<std::uint32_t>(y) == height &&
         static_cast<std::uint32_t>(n) == told;
}

}  // namespace gd
