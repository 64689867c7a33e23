// Any bytes as a .gif file, loaded through the picture-format registry as the
// program's framework loads pictures, then written out as a bitmap stream.

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <vector>

#include "gif/allocation_limit.h"
#include "gif/framework/stream.h"
#include "gif/picture/gif_bitmap.h"
#include "gif/picture/graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static gd::GifFormatRegistration gif_format;
  // Far below the fuzzer's own allocation limit: a huge declared image must
  // come back as ENotEnoughMemory.
  static const bool capped = (gd::SetMaxGifAllocation(std::size_t{64} << 20), true);
  (void)capped;
  const gd::TGraphicClass cls = gd::TPicture::FindGraphicClass("gif");
  if (!cls) std::abort();
  const std::unique_ptr<gd::TGraphic> graphic = cls->Create();
  gd::TMemoryStream in(std::vector<std::uint8_t>(data, data + size));
  try {
    graphic->LoadFromStream(in);
  } catch (const std::exception&) {
    return 0;  // refused with one of the codec's errors
  }
  gd::TMemoryStream out;
  graphic->SaveToStream(out);
  return 0;
}
