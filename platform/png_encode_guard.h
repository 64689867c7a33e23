#pragma once
// What every platform's PNG encoder does around its library: it refuses an
// image without pixels and reports running out of memory as the engine does.

#include <cstdint>
#include <vector>

#include "base/errors.h"
#include "platform/png_encoder.h"

namespace gd {

// encode(opaque) makes the file; an opaque image may go out without alpha.
template <typename EncodeFn>
std::vector<std::uint8_t> GuardedEncode(const RgbaImage& image, EncodeFn encode) {
  if (!image.HasPixels()) throw PngEncodeError("no pixels");
  return WithOutOfMemory([&] { return encode(image.IsOpaque()); });
}

}  // namespace gd
