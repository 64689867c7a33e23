#include "gif/gif_sub_image.h"

#include <algorithm>
#include <array>
#include <string>

#include "base/byte_reader.h"
#include "gif/lzw_decoder.h"
#include "gif/record_io.h"

namespace gd {

namespace {

std::uint8_t BitsForColorCount(std::uint16_t num_colors) {
  for (std::uint8_t bits = 1; bits <= 8; ++bits)
    if (num_colors == (1u << bits)) return bits;
  throw EGifException("Number of colors (" + std::to_string(num_colors) + ") wrong; must be a power of 2");
}

}  // namespace

void ReadColorTableFrom(TStream& stream, TColorTable& table) {
  const std::size_t count = static_cast<std::size_t>(std::clamp(table.Count, 0, 256));
  std::array<std::uint8_t, 3 * 256> bytes{};
  for (std::size_t i = 0; i < count; ++i) {
    bytes[3 * i] = table.Colors[i].Red;
    bytes[3 * i + 1] = table.Colors[i].Green;
    bytes[3 * i + 2] = table.Colors[i].Blue;
  }
  stream.Read(std::span<std::uint8_t>(bytes.data(), 3 * count));
  for (std::size_t i = 0; i < count; ++i)
    table.Colors[i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
}

TGifSubImage::TGifSubImage(std::uint16_t num_colors, TGifFile* gif_file)
    : ImageData(std::make_unique<TByteBuffer>()),
      GifFile(gif_file),
      Extensions(std::make_unique<TExtensionList>()),
      Pixels(std::make_unique<TByteArray2D>(0, 0)) {
  BitsPerPixel = BitsForColorCount(num_colors);
  CodeSize = BitsPerPixel == 1 ? 2 : BitsPerPixel;
  ColorTable = std::make_unique<TColorTable>(num_colors);
  EncodePackedFields();
}

void TGifSubImage::EncodePackedFields() {
  std::uint8_t packed = 0;
  if (HasColorTable) packed |= 0x80;
  if (Interlaced) packed |= 0x40;
  if (HasColorTable) packed = static_cast<std::uint8_t>(packed | ((BitsPerPixel - 1) & 7));
  Descriptor.PackedFields = packed;
}

void TGifSubImage::DecodePackedFields() {
  const std::uint8_t packed = Descriptor.PackedFields;
  HasColorTable = (packed & 0x80) != 0;
  Interlaced = (packed & 0x40) != 0;
  BitsPerPixel = static_cast<std::uint8_t>((packed & 7) + 1);
  ColorTable->Count = 1 << BitsPerPixel;
}

void TGifSubImage::SetExtensions(std::unique_ptr<TExtensionList> extensions) {
  Extensions = std::move(extensions);
  DisposalMethod = 0;
  Transparent = false;
  for (const auto& extension : *Extensions) {
    if (extension->Kind != TExtensionKind::ekGraphicControl) continue;
    const std::uint8_t packed = extension->GraphicControl.PackedFields;
    DisposalMethod = static_cast<std::uint8_t>((packed >> 2) & 7);
    Transparent = (packed & 1) != 0;
  }
}

void TGifSubImage::ReadImageDescriptor(TStream& stream) {
  ReadRecord(stream, Descriptor);
  DecodePackedFields();
}

void TGifSubImage::ReadColorTable(TStream& stream) {
  if (HasColorTable) ReadColorTableFrom(stream, *ColorTable);
}

namespace {

// The number and total size of the data sub-blocks from the stream's
// position on, the stream left where it was: a first pass over the length
// bytes alone.
std::pair<std::size_t, std::size_t> MeasureSubBlocks(TStream& stream) {
  const std::size_t start = stream.Position();
  const std::size_t size = stream.Size();
  std::size_t blocks = 0;
  std::size_t bytes = 0;
  std::uint8_t length = 0;
  while (stream.ReadByte(length) && length != 0 && stream.Position() < size) {
    const std::size_t got = std::min<std::size_t>(length, size - stream.Position());
    ++blocks;
    bytes += got;
    stream.SetPosition(stream.Position() + got);
  }
  stream.SetPosition(start);
  return {blocks, bytes};
}

}  // namespace

void TGifSubImage::ReadImageData(TStream& stream) {
  stream.ReadByte(CodeSize);
  const auto [blocks, bytes] = MeasureSubBlocks(stream);
  ImageData->Reserve(blocks, bytes);
  std::uint8_t length = 0;
  stream.ReadByte(length);
  while (length != 0 && stream.Position() < stream.Size()) {
    const std::size_t got = ImageData->ReadBlock(stream, length);
    // Only when the block came whole is there a next length byte to read.
    if (got != length) break;
    if (!stream.ReadByte(length)) length = 0;
  }
}

void TGifSubImage::LoadFromStream(TStream& stream) {
  ReadImageDescriptor(stream);
  ReadColorTable(stream);
  Pixels = std::make_unique<TByteArray2D>(Descriptor.Width, Descriptor.Height);
  ReadImageData(stream);
  DecodeImage();
}

void TGifSubImage::DecodeImage() {
  CheckLzwCodeSize(CodeSize);
  ImageData->Reset();  // no data sub-block at all raises here
  DecodeLzw(ImageData->Bytes(), CodeSize, LzwOutput{*Pixels, Descriptor.Width, Descriptor.Height, Interlaced});
}

}  // namespace gd
