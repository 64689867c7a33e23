// PNG encoding through libpng's simplified interface, which reports failures
// in its result instead of jumping out of the caller.

#include <png.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/png_encode_guard.h"
#include "platform/png_encoder.h"

namespace gd {

namespace {

// An opaque image goes out as RGB: a quarter less to compress, same pixels.
std::vector<std::uint8_t> WithoutAlpha(const RgbaImage& image) {
  std::vector<std::uint8_t> rgb(image.rgba.size() / 4 * 3);
  for (std::size_t i = 0, o = 0; i < image.rgba.size(); i += 4, o += 3) {
    rgb[o] = image.rgba[i];
    rgb[o + 1] = image.rgba[i + 1];
    rgb[o + 2] = image.rgba[i + 2];
  }
  return rgb;
}

std::vector<std::uint8_t> EncodeImage(const RgbaImage& image, bool opaque) {
  std::vector<std::uint8_t> rgb;
  if (opaque) rgb = WithoutAlpha(image);
  const void* pixels = opaque ? rgb.data() : image.rgba.data();

  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = image.width;
  png.height = image.height;
  png.format = opaque ? PNG_FORMAT_RGB : PNG_FORMAT_RGBA;
  // Large enough for any PNG of this image, so one pass always fits.
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
  std::vector<std::uint8_t> out(size);
  const int ok = png_image_write_to_memory(&png, out.data(), &size, 0, pixels, 0, nullptr);
  const std::string message = png.message;
  png_image_free(&png);
  if (!ok) throw PngEncodeError(message);
  out.resize(size);
  out.shrink_to_fit();
  return out;
}

class LibpngEncoder final : public PngEncoder {
 public:
  std::vector<std::uint8_t> Encode(const RgbaImage& image) override {
    return GuardedEncode(image, [&](bool opaque) { return EncodeImage(image, opaque); });
  }
};

}  // namespace

std::unique_ptr<PngEncoder> MakeNativePngEncoder() { return std::make_unique<LibpngEncoder>(); }

}  // namespace gd
