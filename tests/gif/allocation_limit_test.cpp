// A few header bytes can declare an image of gigabytes; such a size is
// refused with the codec's memory error before anything that large is asked
// for, while ordinary large images still load.

#include <gtest/gtest.h>

#include "gif/allocation_limit.h"
#include "gif/byte_arrays.h"
#include "gif/picture/gif_bitmap.h"
#include "tests/support/gif_builder.h"

namespace gd {
namespace {

using test::Append;
using test::Bytes;

// A file declaring width × height whose data holds just a few pixels.
Bytes Declared(unsigned width, unsigned height) {
  Bytes gif = test::Head(width, height);
  Append(gif, test::Image(width, height, 0x00, {}, 2, test::LzwRootCodes(Bytes(4, 1), 2)));
  gif.push_back(0x3B);
  return gif;
}

TEST(AllocationLimit, HugeDeclaredImagesAreRefusedCleanly) {
  struct Row {
    unsigned width, height;
    bool loads;
  };
  const Row rows[] = {
      {65535, 65535, false},  // 4 GiB: not even a 32-bit count
      {40000, 30000, false},  // 1.2 GB: above the ceiling
      {4096, 4096, true},
      {1, 4, true},
  };
  for (const Row& r : rows) {
    TGifBitmap bitmap;
    TMemoryStream in(Declared(r.width, r.height));
    if (r.loads) {
      EXPECT_NO_THROW(bitmap.LoadFromStream(in)) << r.width << "x" << r.height;
    } else {
      EXPECT_THROW(bitmap.LoadFromStream(in), ENotEnoughMemory) << r.width << "x" << r.height;
    }
  }
}

TEST(AllocationLimit, TheCeilingCanBeLowered) {
  const std::size_t before = MaxGifAllocation();
  SetMaxGifAllocation(1000);
  TGifBitmap bitmap;
  TMemoryStream in(Declared(40, 30));
  EXPECT_THROW(bitmap.LoadFromStream(in), ENotEnoughMemory);
  SetMaxGifAllocation(before);
  TMemoryStream again(Declared(40, 30));
  EXPECT_NO_THROW(bitmap.LoadFromStream(again));
}

}  // namespace
}  // namespace gd
