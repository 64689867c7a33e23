#pragma once
// What every platform's PNG encoder does around its library: it refuses an
// image without pixels and reports running out of memory as the engine does.

#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

#include "extract/errors.h"
#include "extract/png_encoder.h"

namespace gd {

// encode(opaque) makes the file; an opaque image may go out without alpha.
template <typename EncodeFn>
std::vector<std::uint8_t> GuardedEncode(const RgbaImage& image, EncodeFn encode) {
  if (!image.HasPixels()) throw PngEncodeError("no pixels");
  try {
    return encode(image.IsOpaque());
  } catch (const std::bad_alloc&) {
    throw OutOfMemoryError();
  } catch (const std::length_error&) {
    throw OutOfMemoryError();
  }
}

}  // namespace gd
