// PNG encoding through libpng's simplified interface, which reports failures
// in its result instead of jumping out of the caller.

#include <png.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "extract/errors.h"
#include "extract/png_encoder.h"

namespace gd {

namespace {

bool IsOpaque(const RgbaImage& image) {
  for (std::size_t i = 3; i < image.rgba.size(); i += 4) {
    if (image.rgba[i] != 255) return false;
  }
  return true;
}

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

class LibpngEncoder final : public PngEncoder {
 public:
  std::vector<std::uint8_t> Encode(const RgbaImage& image) override {
    if (image.width == 0 || image.height == 0 ||
        image.rgba.size() != std::size_t{image.width} * image.height * 4) {
      throw PngEncodeError("no pixels");
    }
    try {
      return EncodeImage(image);
    } catch (const std::bad_alloc&) {
      throw OutOfMemoryError();
    } catch (const std::length_error&) {
      throw OutOfMemoryError();
    }
  }

 private:
  static std::vector<std::uint8_t> EncodeImage(const RgbaImage& image) {
    const bool opaque = IsOpaque(image);
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
};

}  // namespace

std::unique_ptr<PngEncoder> MakeNativePngEncoder() { return std::make_unique<LibpngEncoder>(); }

}  // namespace gd
