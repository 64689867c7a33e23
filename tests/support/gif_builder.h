#pragma once
// Helpers that build GIF bytes for the tests: an LZW code packer that follows
// the decoder's code widths, sub-block framing and a whole-file assembler.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace gd::test {

using Bytes = std::vector<std::uint8_t>;

// Packs codes least significant bit first, each with its own width.
class CodePacker {
 public:
  void Put(unsigned code, unsigned width) {
    bits_ |= static_cast<std::uint64_t>(code) << count_;
    count_ += width;
    while (count_ >= 8) {
      out_.push_back(static_cast<std::uint8_t>(bits_));
      bits_ >>= 8;
      count_ -= 8;
    }
  }
  Bytes Finish() {
    if (count_ > 0) out_.push_back(static_cast<std::uint8_t>(bits_));
    count_ = 0;
    bits_ = 0;
    return out_;
  }

 private:
  Bytes out_;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0;
};

// Tracks the code width a decoder expects: after the first code that
// follows a clear code, every code adds a table entry.
class WidthTracker {
 public:
  explicit WidthTracker(unsigned code_size) : code_size_(code_size) { Clear(); }
  void Clear() {
    width_ = code_size_ + 1;
    next_ = (1u << code_size_) + 2;
    first_ = true;
  }
  unsigned Width() const { return width_; }
  unsigned NextFree() const { return next_; }
  // Call after each data code has been written.
  void Used() {
    if (first_) {
      first_ = false;
      return;
    }
    ++next_;
    if (next_ == (1u << width_) && width_ < 12) ++width_;
  }

 private:
  unsigned code_size_;
  unsigned width_ = 0;
  unsigned next_ = 0;
  bool first_ = true;
};

// LZW data that stores each pixel as a root code (clear first, a clear
// again before the table fills, end code last unless with_end is false).
inline Bytes LzwRootCodes(const Bytes& pixels, unsigned code_size, bool with_end = true) {
  CodePacker packer;
  WidthTracker widths(code_size);
  const unsigned clear = 1u << code_size;
  packer.Put(clear, widths.Width());
  for (std::uint8_t p : pixels) {
    if (widths.NextFree() >= 4000) {
      packer.Put(clear, widths.Width());
      widths.Clear();
    }
    packer.Put(p, widths.Width());
    widths.Used();
  }
  if (with_end) packer.Put(clear + 1, widths.Width());
  return packer.Finish();
}

// Splits data into sub-blocks of at most block_size bytes and adds the
// terminator.
inline Bytes SubBlocks(const Bytes& data, std::size_t block_size = 255) {
  Bytes out;
  for (std::size_t i = 0; i < data.size(); i += block_size) {
    const std::size_t n = std::min(block_size, data.size() - i);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
               data.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  out.push_back(0);
  return out;
}

inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }
inline void Put16(Bytes& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// "GIF89a" and a logical screen descriptor; with a global table of
// 2^bits entries, entry i = (i, 255 - i, 7) when global_table is set.
inline Bytes Head(unsigned width, unsigned height, bool global_table = true, unsigned bits = 2,
                  const char* version = "89a") {
  Bytes out{'G', 'I', 'F', static_cast<std::uint8_t>(version[0]), static_cast<std::uint8_t>(version[1]),
            static_cast<std::uint8_t>(version[2])};
  Put16(out, width);
  Put16(out, height);
  out.push_back(static_cast<std::uint8_t>((global_table ? 0x80 : 0) | (bits - 1)));  // packed fields
  out.push_back(0);                                                                   // background
  out.push_back(0);                                                                   // aspect
  if (global_table)
    for (unsigned i = 0; i < (1u << bits); ++i) {
      out.push_back(static_cast<std::uint8_t>(i));
      out.push_back(static_cast<std::uint8_t>(255 - i));
      out.push_back(7);
    }
  return out;
}

// An image: separator, descriptor (packed as given), optional local table
// bytes, code size byte and the LZW data in sub-blocks.
inline Bytes Image(unsigned width, unsigned height, std::uint8_t packed, const Bytes& local_table,
                   unsigned code_size, const Bytes& lzw, unsigned left = 0, unsigned top = 0) {
  Bytes out{0x2C};
  Put16(out, left);
  Put16(out, top);
  Put16(out, width);
  Put16(out, height);
  out.push_back(packed);
  Append(out, local_table);
  out.push_back(static_cast<std::uint8_t>(code_size));
  Append(out, SubBlocks(lzw));
  return out;
}

// A whole file of one image with the given pixels (code size 2 covers
// indices 0 to 3; use 8 for more).
inline Bytes SimpleGif(unsigned width, unsigned height, const Bytes& pixels, unsigned code_size = 2,
                       bool interlaced = false) {
  Bytes out = Head(width, height);
  Append(out, Image(width, height, interlaced ? 0x40 : 0x00, {}, code_size, LzwRootCodes(pixels, code_size)));
  out.push_back(0x3B);
  return out;
}

}  // namespace gd::test

namespace gd::test {

// A real LZW encoder (table codes, KwKwK cases, width growth), clearing
// before the table gets near full; with never_clear it lets the table fill
// and goes on with the entries it has, as some encoders do.
inline Bytes LzwEncode(const Bytes& pixels, unsigned code_size, bool with_end = true, bool never_clear = false) {
  CodePacker packer;
  WidthTracker widths(code_size);
  const unsigned clear = 1u << code_size;
  std::vector<std::vector<int>> children;  // [code] -> child code per byte, -1 if none
  auto reset = [&] { children.assign(4096, std::vector<int>()); };
  reset();
  unsigned next = clear + 2;
  auto emit = [&](unsigned code) {
    packer.Put(code, widths.Width());
    widths.Used();
  };
  packer.Put(clear, widths.Width());
  if (!pixels.empty()) {
    unsigned w = pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
      const std::uint8_t c = pixels[i];
      std::vector<int>& kids = children[w];
      if (!kids.empty() && kids[c] >= 0) {
        w = static_cast<unsigned>(kids[c]);
        continue;
      }
      emit(w);
      if (next < (never_clear ? 4096u : 4000u)) {
        if (kids.empty()) kids.assign(256, -1);
        kids[c] = static_cast<int>(next++);
      } else if (!never_clear) {
        packer.Put(clear, widths.Width());
        widths.Clear();
        reset();
        next = clear + 2;
      }
      w = c;
    }
    emit(w);
  }
  if (with_end) packer.Put(clear + 1, widths.Width());
  return packer.Finish();
}

}  // namespace gd::test
