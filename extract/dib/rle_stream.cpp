#include "extract/dib/rle_stream.h"

#include <algorithm>
#include <array>

#include "extract/source/source_reading.h"

namespace gd {

namespace {

// Bytes of the stream one at a time, read from the source in blocks.
class StreamCursor {
 public:
  StreamCursor(ByteSource& src, std::uint64_t at, std::uint64_t available)
      : src_(src), at_(at), left_(available) {}

  bool Next(std::uint8_t& byte) {
    if (pos_ == len_) {
      if (left_ == 0) return false;
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left_, block_.size()));
      len_ = src_.ReadAt(at_ + consumed_, std::span(block_.data(), want));
      pos_ = 0;
      if (len_ == 0) return false;
      left_ -= len_;
    }
    byte = block_[pos_++];
    ++consumed_;
    return true;
  }
  bool Skip(std::uint64_t n) {
    std::uint8_t b;
    for (std::uint64_t i = 0; i < n; ++i) {
      if (!Next(b)) return false;
    }
    return true;
  }
  std::uint64_t Consumed() const { return consumed_; }

 private:
  ByteSource& src_;
  std::uint64_t at_;
  std::uint64_t left_;
  std::uint64_t consumed_ = 0;
  std::array<std::uint8_t, 4096> block_{};
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
};

// Runs the stream, calling paint(x, y, index) for every pixel inside the
// picture; true when it ends cleanly.
template <class Paint>
bool RunStream(StreamCursor& in, const RleShape& s, Paint&& paint) {
  std::int64_t x = 0;
  std::int64_t y = 0;
  std::uint8_t a;
  std::uint8_t b;
  for (;;) {
    if (!in.Next(a) || !in.Next(b)) return false;
    if (a != 0) {
      if (x >= s.width || y >= s.height) return false;
      for (int i = 0; i < a; ++i, ++x) {
        if (x >= s.width) continue;
        const std::uint8_t index = s.bits == 8 ? b : (i & 1) ? (b & 0x0F) : (b >> 4);
        paint(x, y, index);
      }
      continue;
    }
    switch (b) {
      case 0:  // end of row
        x = 0;
        if (++y > s.height) return false;
        break;
      case 1:  // end of bitmap
        return true;
      case 2: {  // delta
        std::uint8_t dx;
        std::uint8_t dy;
        if (!in.Next(dx) || !in.Next(dy)) return false;
        x += dx;
        y += dy;
        if (x > s.width || y > s.height) return false;
        break;
      }
      default: {  // b pixels stored as they are, padded to a 16-bit boundary
        if (x >= s.width || y >= s.height) return false;
        const int count = b;
        const int stored = s.bits == 8 ? count : (count + 1) / 2;
        std::uint8_t v = 0;
        for (int i = 0; i < count; ++i, ++x) {
          if (s.bits == 8 || (i & 1) == 0) {
            if (!in.Next(v)) return false;
          }
          if (x >= s.width) continue;
          const std::uint8_t index = s.bits == 8 ? v : (i & 1) ? (v & 0x0F) : (v >> 4);
          paint(x, y, index);
        }
        if ((stored & 1) != 0 && !in.Skip(1)) return false;
        break;
      }
    }
  }
}

}  // namespace

std::optional<std::uint64_t> WalkRle(ByteSource& src, std::uint64_t at, std::uint64_t available,
                                     const RleShape& shape) {
  StreamCursor in(src, at, available);
  if (!RunStream(in, shape, [](std::int64_t, std::int64_t, std::uint8_t) {})) return std::nullopt;
  return in.Consumed();
}

std::optional<RleIndexes> ExpandRle(ByteSource& src, std::uint64_t at, std::uint64_t available,
                                    const RleShape& shape) {
  RleIndexes out;
  const auto pixels = static_cast<std::size_t>(shape.width * shape.height);
  out.index = AllocateBytes(pixels);
  out.painted = AllocateBytes(pixels);
  const auto width = static_cast<std::size_t>(shape.width);
  StreamCursor in(src, at, available);
  const bool clean = RunStream(in, shape, [&](std::int64_t x, std::int64_t y, std::uint8_t index) {
    const std::size_t i = static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x);
    out.index[i] = index;
    out.painted[i] = 1;
  });
  if (!clean) return std::nullopt;
  return out;
}

}  // namespace gd
