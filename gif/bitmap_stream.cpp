// An image as an 8-bit Windows bitmap file: file header, info header, a
// palette of 256 entries and the rows bottom-up, each padded to 4 bytes.

#include <cstring>
#include <limits>

#include "base/bitmap_file_header.h"
#include "base/byte_reader.h"
#include "gif/gif_file.h"
#include "gif/gif_sub_image.h"

namespace gd {

namespace {

constexpr std::uint32_t kPaletteSize = 256 * 4;
constexpr std::uint32_t kBitsOffset = BitmapFileHeader::kSize + TBitmapInfoHeader::kSize + kPaletteSize;  // 1078

}  // namespace

void TGifSubImage::FillBitmapInfoHeader(TBitmapInfoHeader& header) const {
  header.biSize = TBitmapInfoHeader::kSize;
  header.biWidth = Descriptor.Width;
  header.biHeight = Descriptor.Height;
  header.biPlanes = 1;
  header.biBitCount = 8;
  header.biCompression = 0;
  header.biSizeImage = 0;
  header.biXPelsPerMeter = 143;
  header.biYPelsPerMeter = 143;
  header.biClrUsed = 0;
  header.biClrImportant = 0;
}

void TGifSubImage::SaveToBitmapStream(TMemoryStream& stream) const {
  const std::size_t width = Descriptor.Width;
  const std::size_t height = Descriptor.Height;
  // Rows come straight from Pixels, so it must have the descriptor's shape.
  if (static_cast<std::size_t>(Pixels->ColCount()) != width ||
      static_cast<std::size_t>(Pixels->RowCount()) != height)
    throw EIndexOutOfBounds();
  const std::size_t row_length = (width + 3) / 4 * 4;
  // 64-bit arithmetic; a file size the 32-bit bfSize cannot state is refused
  // instead of wrapping.
  const std::uint64_t file_size = kBitsOffset + static_cast<std::uint64_t>(row_length) * height;
  if (file_size > std::numeric_limits<std::uint32_t>::max() ||
      file_size > std::numeric_limits<std::size_t>::max())
    throw ENotEnoughMemory();

  std::vector<std::uint8_t> head;
  head.reserve(kBitsOffset);
  LeWriter w(head);
  BitmapFileHeader file_header;
  file_header.bfSize = static_cast<std::uint32_t>(file_size);
  file_header.bfOffBits = kBitsOffset;
  w.Bytes(RecordBytes(file_header));
  TBitmapInfoHeader info;
  FillBitmapInfoHeader(info);
  w.Bytes(RecordBytes(info));
  const TColorTable& table = HasColorTable || GifFile == nullptr ? *ColorTable : *GifFile->ColorTable;
  for (const TColorItem& c : table.Colors) {
    w.U8(c.Blue);
    w.U8(c.Green);
    w.U8(c.Red);
    w.U8(0);
  }

  const std::size_t size = static_cast<std::size_t>(file_size);
  try {
    if (stream.Size() < size) stream.SetSize(size);
  } catch (const EMemoryStreamError&) {
    throw ENotEnoughMemory();  // the codec reports its own memory error
  }
  std::uint8_t* out = stream.Memory().data();
  std::memcpy(out, head.data(), head.size());
  out += head.size();
  for (std::size_t r = height; r >= 1; --r) {
    const std::span<const std::uint8_t> row = Pixels->Row(static_cast<std::int32_t>(r));
    if (!row.empty()) std::memcpy(out, row.data(), row.size());
    std::memset(out + width, 0, row_length - width);
    out += row_length;
  }
  stream.SetPosition(0);
}

}  // namespace gd
