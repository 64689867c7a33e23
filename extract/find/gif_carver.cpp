#include "extract/find/gif_carver.h"

#include <cstring>
#include <exception>
#include <span>
#include <vector>

#include "extract/source/source_reading.h"
#include "extract/source/window_reader.h"
#include "gif/allocation_limit.h"
#include "gif/framework/stream.h"
#include "gif/gif_decl.h"
#include "gif/gif_file.h"

namespace gd {

namespace {

constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kImage = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;

// Small records are read through a window of their own, so that walking a
// long chain of sub-blocks costs a read per window, not per block.
constexpr std::size_t kWalkWindow = 4096;

bool ByteAt(WindowReader& w, std::uint64_t at, std::uint8_t& out) {
  const std::span<const std::uint8_t> bytes = w.From(at);
  if (bytes.empty()) return false;
  out = bytes[0];
  return true;
}

struct Walked {
  std::uint64_t end = 0;  // one past the trailer
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bits = 0;
  std::int32_t images = 0;
};

std::uint64_t TableBytes(std::uint8_t packed) { return 3u << ((packed & 7) + 1); }

// Follows the block structure of the GIF at offset without decoding
// anything, as far as the trailer. Every block must lie whole inside src; an
// extension must be one the codec knows, with the sizes the format fixes, so
// that the codec's reading and this walk cannot part ways.
std::optional<Walked> Walk(ByteSource& src, std::uint64_t offset, std::uint64_t budget) {
  WindowReader w(src, {kWalkWindow});
  Walked out;

  if (!IsGifSignature(w.From(offset, TGifHeader::kSize))) return std::nullopt;
  TScreenDescriptor screen;
  if (!ReadRecordAt(w, offset + TGifHeader::kSize, screen)) return std::nullopt;
  out.width = screen.ScreenWidth;
  out.height = screen.ScreenHeight;
  const std::uint8_t global = screen.PackedFields;
  if (out.width == 0 || out.height == 0) return std::nullopt;

  std::uint64_t at = offset + TGifHeader::kSize + TScreenDescriptor::kSize;
  if (global & 0x80) at += TableBytes(global);
  std::uint64_t pixels = 0;

  auto too_long = [&] { return at - offset > budget; };
  // Data sub-blocks up to and including the zero-length terminator.
  auto sub_blocks = [&] {
    for (;;) {
      std::uint8_t length = 0;
      if (too_long() || !ByteAt(w, at, length)) return false;
      at += 1u + length;
      if (length == 0) return true;
    }
  };
  // An extension's fixed first block: its size byte must say size.
  auto fixed_block = [&](std::uint8_t size) {
    std::uint8_t got = 0;
    if (!ByteAt(w, at, got) || got != size) return false;
    at += 1u + size;
    return true;
  };

  for (;;) {
    std::uint8_t separator = 0;
    if (too_long() || !ByteAt(w, at++, separator)) return std::nullopt;
    if (separator == kTrailer) {
      if (out.images == 0) return std::nullopt;
      out.end = at;
      return out;
    }
    if (separator == kExtension) {
      std::uint8_t label = 0;
      if (!ByteAt(w, at++, label)) return std::nullopt;
      switch (label) {
        case 0xF9: {  // graphic control: the codec reads it as 6 fixed bytes
          TGraphicControlExtension gce;
          if (!ReadRecordAt(w, at, gce) || gce.BlockSize != 4 || gce.Terminator != 0) return std::nullopt;
          at += TGraphicControlExtension::kSize;
          break;
        }
        case 0xFE:  // comment
          if (!sub_blocks()) return std::nullopt;
          break;
        case 0x01:  // plain text
          if (!fixed_block(12) || !sub_blocks()) return std::nullopt;
          break;
        case 0xFF:  // application
          if (!fixed_block(11) || !sub_blocks()) return std::nullopt;
          break;
        default:
          return std::nullopt;
      }
    } else if (separator == kImage) {
      TImageDescriptor descriptor;
      if (!ReadRecordAt(w, at, descriptor)) return std::nullopt;
      at += TImageDescriptor::kSize;
      const std::uint8_t packed = descriptor.PackedFields;
      pixels += std::uint64_t{descriptor.Width} * descriptor.Height;
      if (pixels > budget) return std::nullopt;
      if (out.images == 0) out.bits = (packed & 0x80) ? (packed & 7u) + 1 : (global & 7u) + 1;
      if (packed & 0x80) at += TableBytes(packed);
      at += 1;  // LZW code size; the codec judges it
      if (!sub_blocks()) return std::nullopt;
      ++out.images;
    } else {
      return std::nullopt;
    }
  }
}

}  // namespace

bool IsGifSignature(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 6 && (std::memcmp(bytes.data(), "GIF87a", 6) == 0 || std::memcmp(bytes.data(), "GIF89a", 6) == 0);
}

std::optional<CarvedImage> CarveGif(ByteSource& src, std::uint64_t offset) {
  const std::uint64_t budget = MaxGifAllocation();
  const std::optional<Walked> walked = Walk(src, offset, budget);
  if (!walked) return std::nullopt;
  const std::uint64_t length = walked->end - offset;
  if (length > budget) return std::nullopt;

  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  if (!ReadExactly(src, offset, bytes)) return std::nullopt;
  TMemoryStream stream(std::move(bytes));
  TGifFile gif;
  try {
    gif.LoadFromStream(stream);
  } catch (const std::exception&) {
    return std::nullopt;  // damaged image data, or more than the codec will hold
  }
  // Both readings must have seen the same images and ended at the trailer.
  if (gif.SubImages.Count() != walked->images || stream.Position() != stream.Size()) return std::nullopt;

  CarvedImage image;
  image.length = length;
  image.width = walked->width;
  image.height = walked->height;
  image.bits = walked->bits;
  return image;
}

}  // namespace gd
