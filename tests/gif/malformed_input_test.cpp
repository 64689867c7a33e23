// Whatever the bytes, loading ends in an image list or one of the codec's
// exceptions; under the sanitizers this also shows that nothing reads or
// writes outside a buffer.

#include <gtest/gtest.h>

#include <random>

#include "gif/gif_file.h"
#include "gif/picture/gif_bitmap.h"
#include "tests/support/gif_builder.h"

namespace gd {
namespace {

using test::Append;
using test::Bytes;

void LoadAnyway(const Bytes& bytes) {
  TGifBitmap bitmap;
  TMemoryStream in(bytes);
  try {
    bitmap.LoadFromStream(in);
  } catch (const Exception&) {
  }
}

Bytes Sample(std::mt19937& rng) {
  std::uniform_int_distribution<unsigned> dim(1, 40);
  const unsigned w = dim(rng), h = dim(rng);
  Bytes pixels(w * h);
  for (auto& p : pixels) p = static_cast<std::uint8_t>(rng() % 4);
  Bytes gif = test::Head(w, h);
  Append(gif, {0x21, 0xF9, 4, 0x05, 1, 0, 2, 0});
  Append(gif, {0x21, 0xFE, 2, 'h', 'i', 0});
  Append(gif, test::Image(w, h, (rng() % 2) ? 0x40 : 0x00, {}, 2, test::LzwEncode(pixels, 2)));
  Append(gif, test::Image(w, h, 0x81, Bytes(12, 9), 2, test::LzwEncode(pixels, 2)));
  gif.push_back(0x3B);
  return gif;
}

TEST(MalformedInput, MutatedFilesNeverEscapeTheCodecsErrors) {
  std::mt19937 rng(99);
  for (int round = 0; round < 3000; ++round) {
    Bytes gif = Sample(rng);
    switch (rng() % 4) {
      case 0:
        gif.resize(rng() % gif.size());
        break;
      case 1:
        for (auto i = 1 + rng() % 6; i > 0; --i) gif[rng() % gif.size()] = static_cast<std::uint8_t>(rng());
        break;
      case 2:
        gif.insert(gif.begin() + static_cast<std::ptrdiff_t>(rng() % gif.size()), static_cast<std::uint8_t>(rng()));
        break;
      default:
        gif.erase(gif.begin() + static_cast<std::ptrdiff_t>(rng() % gif.size()));
        break;
    }
    LoadAnyway(gif);
  }
}

TEST(MalformedInput, HugeDeclaredImageWithLittleDataDoesNotTouchItsMemory) {
  // 65535 × 65535 does not fit the matrix's 32-bit count: refused up front.
  Bytes gif = test::Head(1, 1);
  Append(gif, test::Image(65535, 65535, 0, {}, 2, test::LzwEncode({1, 2, 3}, 2)));
  gif.push_back(0x3B);
  TGifFile file;
  TMemoryStream in(gif);
  EXPECT_THROW(file.LoadFromStream(in), ENotEnoughMemory);

  // 65535 × 16000 (about 1 GB) fits; the storage is only reserved, and the
  // three decoded pixels are the only ones written.
  Bytes big = test::Head(1, 1);
  Append(big, test::Image(65535, 16000, 0x40, {}, 2, test::LzwEncode({1, 2, 3}, 2)));
  big.push_back(0x3B);
  TGifFile large;
  TMemoryStream big_in(big);
  try {
    large.LoadFromStream(big_in);
    EXPECT_EQ(large.SubImage(1).Pixels->RowCount(), 16000);
  } catch (const ENotEnoughMemory&) {
    // acceptable where the address space is short
  }
}

}  // namespace
}  // namespace gd
