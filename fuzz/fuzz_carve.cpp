// Any bytes with PNG, GIF and JPEG candidates in them: every candidate is carved,
// and whatever is taken must stand alone, carving to the same image from a
// source that holds exactly its bytes.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>

#include "extract/find/gif_carver.h"
#include "extract/find/jpeg_carver.h"
#include "extract/find/png_carver.h"
#include "extract/source/span_source.h"
#include "gif/allocation_limit.h"
#include "platform/byte_source.h"

namespace {

using Carver = std::optional<gd::CarvedImage> (*)(gd::ByteSource&, std::uint64_t);

void CarveEvery(std::span<const std::uint8_t> data, std::span<const std::uint8_t> signature, Carver carve) {
  gd::SpanSource src(data);
  auto at = data.begin();
  while ((at = std::search(at, data.end(), signature.begin(), signature.end())) != data.end()) {
    const auto offset = static_cast<std::size_t>(at - data.begin());
    const std::optional<gd::CarvedImage> image = carve(src, offset);
    if (image) {
      if (image->length == 0 || image->length > data.size() - offset) std::abort();
      gd::SpanSource alone(data.subspan(offset, static_cast<std::size_t>(image->length)));
      const std::optional<gd::CarvedImage> again = carve(alone, 0);
      if (!again || again->length != image->length || again->width != image->width ||
          again->height != image->height || again->bits != image->bits)
        std::abort();
    }
    ++at;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Far below the fuzzer's own allocation limit, as for the GIF codec's target.
  static const bool capped = (gd::SetMaxGifAllocation(std::size_t{64} << 20), true);
  (void)capped;
  static const std::uint8_t png[] = {0x89, 'P', 'N', 'G'};
  static const std::uint8_t gif[] = {'G', 'I', 'F', '8'};
  static const std::uint8_t jpeg[] = {0xFF, 0xD8, 0xFF};
  const std::span<const std::uint8_t> bytes(data, size);
  CarveEvery(bytes, png, gd::CarvePng);
  CarveEvery(bytes, gif, gd::CarveGif);
  CarveEvery(bytes, jpeg, gd::CarveJpeg);
  return 0;
}
