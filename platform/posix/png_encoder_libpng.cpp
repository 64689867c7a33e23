// PNG encoding through libpng's write interface, for its speed settings: a
// run may write thousands of small pictures, and libpng's defaults spend
// several times longer on each than reading and searching its bytes took.
//
// libpng reports a failure by leaving the write through longjmp, so the
// frame that calls it holds only plain data, and nothing it calls back
// throws.

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/png_encode_guard.h"
#include "platform/png_encoder.h"

namespace gd {

namespace {

// The fastest deflate, and rows left unfiltered: deflating is most of the
// work of a run that writes PNG, and on icons and toolbar pictures (few
// colours, long runs) unfiltered rows come out smaller than the SUB filter's
// at the same level. Filtering would pay on photographs, which are seldom
// stored as bitmaps (embedded JPEG and PNG files are copied as they are).
constexpr int kCompressionLevel = 1;
constexpr int kRowFilter = PNG_FILTER_NONE;

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

// Where libpng puts the file: room for the largest it can write is made
// before it starts, so that writing never allocates.
struct Output {
  std::vector<std::uint8_t> bytes;
  char message[160] = {};
};

std::size_t LargestFile(std::uint64_t rows, std::uint64_t row_bytes) {
  const std::uint64_t filtered = rows * (row_bytes + 1);
  const std::uint64_t deflated = compressBound(static_cast<uLong>(filtered));
  // Signature, IHDR and IEND, and every IDAT chunk's length, type and CRC.
  return static_cast<std::size_t>(8 + 25 + 12 + deflated + 12 * (deflated / PNG_ZBUF_SIZE + 2) + 64);
}

void WriteBytes(png_structp png, png_bytep data, std::size_t length) {
  auto& out = *static_cast<Output*>(png_get_io_ptr(png));
  if (out.bytes.capacity() - out.bytes.size() < length) png_error(png, "PNG larger than expected");
  out.bytes.insert(out.bytes.end(), data, data + length);
}

void Flush(png_structp) {}

[[noreturn]] void Fail(png_structp png, png_const_charp message) {
  auto& out = *static_cast<Output*>(png_get_error_ptr(png));
  std::strncpy(out.message, message, sizeof out.message - 1);
  png_longjmp(png, 1);
}

void Warn(png_structp, png_const_charp) {}

class WriteStruct {
 public:
  explicit WriteStruct(Output& out)
      : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, &out, Fail, Warn)),
        info_(png_ != nullptr ? png_create_info_struct(png_) : nullptr) {}
  ~WriteStruct() { png_destroy_write_struct(&png_, &info_); }
  WriteStruct(const WriteStruct&) = delete;
  WriteStruct& operator=(const WriteStruct&) = delete;
  png_structp png() const { return png_; }
  png_infop info() const { return info_; }

 private:
  png_structp png_;
  png_infop info_;
};

// Only plain data lives in this frame: libpng may leave it by longjmp.
bool Write(png_structp png, png_infop info, png_uint_32 width, png_uint_32 height, int colour_type,
           png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, width, height, 8, colour_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, kCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, kRowFilter);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

std::vector<std::uint8_t> EncodeImage(const RgbaImage& image, bool opaque) {
  std::vector<std::uint8_t> rgb;
  if (opaque) rgb = WithoutAlpha(image);
  std::uint8_t* pixels = opaque ? rgb.data() : const_cast<std::uint8_t*>(image.rgba.data());
  const std::size_t row_bytes = std::size_t{image.width} * (opaque ? 3 : 4);
  std::vector<png_bytep> rows(image.height);
  for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = pixels + y * row_bytes;

  Output out;
  out.bytes.reserve(LargestFile(image.height, row_bytes));
  const WriteStruct write(out);
  if (write.info() == nullptr) throw PngEncodeError(out.message[0] != '\0' ? out.message : "libpng");
  png_set_write_fn(write.png(), &out, WriteBytes, Flush);
  if (!Write(write.png(), write.info(), image.width, image.height, opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA,
             rows.data())) {
    throw PngEncodeError(out.message);
  }
  out.bytes.shrink_to_fit();
  return std::move(out.bytes);
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
