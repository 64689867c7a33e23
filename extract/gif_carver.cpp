#include "extract/gif_carver.h"

#include <array>
#include <cstring>
#include <exception>
#include <span>
#include <vector>

#include "base/byte_order.h"
#include "gif/allocation_limit.h"
#include "gif/framework/stream.h"
#include "gif/gif_file.h"

namespace gd {

namespace {

constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kImage = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;

// Reads small records by position through one window of src, so that
// walking a long chain of sub-blocks costs a read per window, not per block.
class Window {
 public:
  explicit Window(ByteSource& src) : src_(src), size_(src.Size()) {}

  std::uint64_t Size() const { return size_; }

  // Copies out.size() bytes (at most the window's size) from at; false when
  // src ends first.
  bool Read(std::uint64_t at, std::span<std::uint8_t> out) {
    if (at > size_ || out.size() > size_ - at) return false;
    if (at < start_ || at + out.size() > start_ + filled_) {
      start_ = at;
      filled_ = src_.ReadAt(at, buffer_);
      if (out.size() > filled_) return false;
    }
    std::memcpy(out.data(), buffer_.data() + (at - start_), out.size());
    return true;
  }

  bool Byte(std::uint64_t at, std::uint8_t& out) { return Read(at, std::span(&out, 1)); }

 private:
  ByteSource& src_;
  std::uint64_t size_;
  std::array<std::uint8_t, 4096> buffer_{};
  std::uint64_t start_ = 0;
  std::size_t filled_ = 0;
};

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
  Window w(src);
  Walked out;

  std::array<std::uint8_t, 13> head{};  // header and logical screen descriptor
  if (!w.Read(offset, head)) return std::nullopt;
  if (std::memcmp(head.data(), "GIF87a", 6) != 0 && std::memcmp(head.data(), "GIF89a", 6) != 0)
    return std::nullopt;
  LeReader screen(std::span<const std::uint8_t>(head).subspan(6));
  out.width = screen.U16();
  out.height = screen.U16();
  const std::uint8_t global = screen.U8();
  if (out.width == 0 || out.height == 0) return std::nullopt;

  std::uint64_t at = offset + head.size();
  if (global & 0x80) at += TableBytes(global);
  std::uint64_t pixels = 0;

  auto too_long = [&] { return at - offset > budget; };
  // Data sub-blocks up to and including the zero-length terminator.
  auto sub_blocks = [&] {
    for (;;) {
      std::uint8_t length = 0;
      if (too_long() || !w.Byte(at, length)) return false;
      at += 1u + length;
      if (length == 0) return true;
    }
  };
  // An extension's fixed first block: its size byte must say size.
  auto fixed_block = [&](std::uint8_t size) {
    std::uint8_t got = 0;
    if (!w.Byte(at, got) || got != size) return false;
    at += 1u + size;
    return true;
  };

  for (;;) {
    std::uint8_t separator = 0;
    if (too_long() || !w.Byte(at++, separator)) return std::nullopt;
    if (separator == kTrailer) {
      if (out.images == 0) return std::nullopt;
      out.end = at;
      return out;
    }
    if (separator == kExtension) {
      std::uint8_t label = 0;
      if (!w.Byte(at++, label)) return std::nullopt;
      switch (label) {
        case 0xF9: {  // graphic control: the codec reads it as 6 fixed bytes
          std::array<std::uint8_t, 6> gce{};
          if (!w.Read(at, gce) || gce[0] != 4 || gce[5] != 0) return std::nullopt;
          at += gce.size();
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
      std::array<std::uint8_t, 9> descriptor{};
      if (!w.Read(at, descriptor)) return std::nullopt;
      at += descriptor.size();
      LeReader d(descriptor);
      d.Skip(4);  // left and top
      const std::uint64_t width = d.U16();
      const std::uint64_t height = d.U16();
      const std::uint8_t packed = d.U8();
      pixels += width * height;
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

std::optional<CarvedImage> CarveGif(ByteSource& src, std::uint64_t offset) {
  const std::uint64_t budget = MaxGifAllocation();
  const std::optional<Walked> walked = Walk(src, offset, budget);
  if (!walked) return std::nullopt;
  const std::uint64_t length = walked->end - offset;
  if (length > budget) return std::nullopt;

  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  if (src.ReadAt(offset, bytes) != bytes.size()) return std::nullopt;
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
