// LZW decoding of an image's data into Pixels.
//
// Strings are not walked through the prefix chain per pixel: every table
// entry remembers where its string was first written in the decode-order
// output, so a code is one short word-wise copy from earlier output. The
// output is Pixels itself for a sequential image and a scratch buffer, copied
// out row by row, for an interlaced one. Pixels beyond the image (which must
// raise once they complete a row) and matrices whose shape does not match the
// descriptor go through the per-pixel row buffer path instead, which keeps the
// exact order in which rows are stored and errors are raised.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/byte_order.h"
#include "gif/byte_arrays.h"
#include "gif/gif_sub_image.h"

namespace gd {

namespace {

// The decoding loop's helpers must melt into it so that its state stays in
// registers.
#if defined(__GNUC__)
#define GD_INLINE __attribute__((always_inline))
#else
#define GD_INLINE
#endif

constexpr unsigned kMaxCodes = 4096;
constexpr unsigned kMaxWidth = 12;

// A string table entry: where its string sits in the output, how long it is,
// its first and its last byte. Roots have length 1 and offset 0.
struct Entry {
  std::uint32_t offset;
  std::uint16_t length;
  std::uint8_t first;
  std::uint8_t suffix;
};

std::uint64_t Load64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(LeReader::Le32(p)) | (static_cast<std::uint64_t>(LeReader::Le32(p + 4)) << 32);
}

void Store64(std::uint8_t* p, std::uint64_t v) { std::memcpy(p, &v, 8); }

// Copies in whole words; may write up to 7 bytes past dst + length, which
// later strings overwrite (the buffers carry slack for the last ones).
void CopyWords(std::uint8_t* dst, const std::uint8_t* src, std::size_t length) {
  for (std::size_t i = 0; i < length; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, src + i, 8);
    std::memcpy(dst + i, &word, 8);
  }
}

class LzwDecoder {
 public:
  LzwDecoder(TByteArray2D& pixels, std::int32_t width, std::int32_t height, bool interlaced)
      : pixels_(pixels), width_(width), height_(height), interlaced_(interlaced), row_buffer_(width) {
    if (pixels.ColCount() != width || pixels.RowCount() != height || width == 0 || height == 0)
      return;  // row buffer path only
    total_ = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (interlaced) {
      scratch_.reset(static_cast<std::uint8_t*>(std::calloc(total_ + TBigByteArray::kSlack, 1)));
      if (!scratch_) throw ENotEnoughMemory();
      out_ = scratch_.get();
      row_end_ = static_cast<std::size_t>(width);
    } else {
      out_ = pixels.Data().Data();
    }
    fast_ = true;
  }

  LzwDecoder(const LzwDecoder&) = delete;
  LzwDecoder& operator=(const LzwDecoder&) = delete;

  // A row that was not completed is not stored: take back what the direct
  // writes put into Pixels (new storage is zero, and each row is written
  // once), including the spill of the last word-wise copy.
  ~LzwDecoder() {
    if (!fast_ || interlaced_ || pos_ >= total_) return;
    const std::size_t row_start = pos_ - pos_ % static_cast<std::size_t>(width_);
    const std::size_t spill_end = std::min(pos_ + 8, total_);
    std::memset(out_ + row_start, 0, spill_end - row_start);
  }

  void Decode(std::span<const std::uint8_t> data, unsigned code_size);

 private:

  // Interlaced: copies the rows that the output now covers to their places.
  std::size_t CompleteRows(std::size_t pos) {
    const std::size_t w = static_cast<std::size_t>(width_);
    while (pos >= row_end_) {
      std::memcpy(pixels_.Data().Data() + static_cast<std::size_t>(row_) * w, out_ + row_end_ - w, w);
      row_ = NextInterlacedRow(row_, height_, pass_);
      row_end_ += w;
    }
    return row_end_;
  }

  // The string of code walked through the prefix chain, then stored pixel by
  // pixel: what still fits the image directly, the rest through the row
  // buffer, which raises when a row past the last one completes. Returns the
  // output position.
  std::size_t EmitSlow(unsigned code, std::size_t length, std::size_t pos) {
    std::uint8_t* p = stack_ + length;
    unsigned c = code;
    while (c > max_root_) {
      *--p = entries_[c].suffix;
      c = prefix_[c];
    }
    *--p = static_cast<std::uint8_t>(c);
    std::size_t i = 0;
    if (fast_) {
      // The image fills up here: finish it, then leave the direct path.
      const std::size_t fit = total_ - pos;
      std::memcpy(out_ + pos, stack_, fit);
      pos = total_;
      if (interlaced_)
        CompleteRows(pos);
      else
        row_ = height_;
      fast_ = false;
      i = fit;
    }
    for (; i < length; ++i) {
      row_buffer_.SetItem(column_, stack_[i]);
      if (++column_ > width_) {
        pixels_.SetRow(row_ + 1, row_buffer_);
        row_ = interlaced_ ? NextInterlacedRow(row_, height_, pass_) : row_ + 1;
        column_ = 1;
      }
    }
    return pos;
  }

  TByteArray2D& pixels_;
  const std::int32_t width_;
  const std::int32_t height_;
  const bool interlaced_;

  // Direct path: decode-order output, its size and the next position.
  struct Free {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<std::uint8_t, Free> scratch_;
  std::uint8_t* out_ = nullptr;
  std::size_t total_ = 0;
  std::size_t pos_ = 0;
  bool fast_ = false;
  std::size_t row_end_ = 0;  // interlaced: output position that completes the current row

  // Row order and the row buffer path.
  std::int32_t row_ = 0;
  std::int32_t pass_ = 1;
  TBigByteArray row_buffer_;
  std::int32_t column_ = 1;

  unsigned max_root_ = 0;
  Entry entries_[kMaxCodes];
  std::uint16_t prefix_[kMaxCodes];
  std::uint8_t stack_[kMaxCodes + 8];
};

// The hot loop keeps its state in locals: stores into the output may alias
// any member, which would force the compiler to reload members after each.
// pos_ is brought up to date whenever the loop is left, for the destructor.
void LzwDecoder::Decode(std::span<const std::uint8_t> data, unsigned code_size) {
  const unsigned clear = 1u << code_size;
  const unsigned end = clear + 1;
  const unsigned max_root = clear - 1;
  max_root_ = max_root;
  for (unsigned c = 0; c < clear; ++c) {
    const auto b = static_cast<std::uint8_t>(c);
    entries_[c] = Entry{0, 1, b, b};
  }
  // Until the first clear code, behave as if one had just been read.
  unsigned width = code_size + 1;
  unsigned next_free = end + 1;
  unsigned limit = 1u << width;
  bool table_full = false;

  // Bit reader: codes least significant bit first; running out of bits is
  // the end of the data.
  const std::uint8_t* in = data.data();
  const std::uint8_t* const in_end = in + data.size();
  std::uint64_t bits = 0;
  unsigned count = 0;
  // Returns the next code, or -1 at the end of the data.
  auto read = [&]() GD_INLINE -> int {
    if (count < width) {
      if (in_end - in >= 8) {
        bits |= Load64(in) << count;
        in += (63 - count) >> 3;
        count |= 56;
      } else {
        while (count <= 56 && in != in_end) {
          bits |= static_cast<std::uint64_t>(*in++) << count;
          count += 8;
        }
        if (count < width) return -1;
      }
    }
    const int code = static_cast<int>(static_cast<unsigned>(bits) & ((1u << width) - 1u));
    bits >>= width;
    count -= width;
    return code;
  };

  std::uint8_t* const out = out_;
  const std::size_t total = total_;
  const bool interlaced = interlaced_;
  bool fast = fast_;
  std::size_t pos = 0;
  std::size_t row_end = row_end_;

  unsigned prev = 0;
  std::size_t prev_pos = 0;
  unsigned prev_len = 1;
  std::uint8_t prev_first = 0;

  auto add_entry = [&](std::uint8_t suffix) GD_INLINE {
    if (next_free >= kMaxCodes) throw EGifException("Code size overflow");  // unreachable guard
    entries_[next_free] = Entry{static_cast<std::uint32_t>(prev_pos), static_cast<std::uint16_t>(prev_len + 1),
                                prev_first, suffix};
    prefix_[next_free] = static_cast<std::uint16_t>(prev);
    if (++next_free == limit) {
      if (width == kMaxWidth) {
        table_full = true;
      } else {
        limit <<= 1;
        ++width;
      }
    }
  };
  auto after_write = [&]() GD_INLINE {
    if (interlaced && pos >= row_end) row_end = CompleteRows(pos);
  };
  auto slow = [&](unsigned code, std::size_t length) GD_INLINE {
    pos_ = pos;
    pos = EmitSlow(code, length, pos);
    fast = fast_;
  };

  try {
    bool first_after_clear = true;
    int next = read();
    if (next < 0) {
      pos_ = pos;
      return;
    }
    unsigned code = static_cast<unsigned>(next);
    while (code != end) {
      if (code == clear) {
        width = code_size + 1;
        next_free = end + 1;
        limit = 1u << width;
        do {
          next = read();
          if (next < 0) {
            pos_ = pos;
            return;
          }
          code = static_cast<unsigned>(next);
        } while (code == clear);
        if (code == end) throw EGifException("Bad code");
        first_after_clear = true;
      }
      const std::size_t here = pos;
      unsigned length;
      std::uint8_t first;
      if (first_after_clear) {
        first_after_clear = false;
        if (code >= next_free) code = 0;
        length = 1;
        first = static_cast<std::uint8_t>(code);
        if (fast && pos < total) {
          out[pos++] = first;
          after_write();
        } else {
          slow(code, 1);
        }
      } else if (code < next_free) {
        const Entry e = entries_[code];
        length = e.length;
        first = e.first;
        if (fast && length <= total - pos) {
          const std::uint8_t* src = out + e.offset;
          std::uint8_t* dst = out + pos;
          std::uint64_t word = Load64(src);
          if (code <= max_root) word = code;
          Store64(dst, word);
          if (length > 8) CopyWords(dst + 8, src + 8, length - 8);
          pos += length;
          after_write();
        } else {
          slow(code, length);
        }
        add_entry(first);
      } else {
        if (code != next_free) throw EGifException("Bad code");
        add_entry(prev_first);
        length = prev_len + 1;
        first = prev_first;
        if (fast && length <= total - pos) {
          std::uint8_t* dst = out + pos;
          CopyWords(dst, out + prev_pos, prev_len);
          dst[prev_len] = prev_first;
          pos += length;
          after_write();
        } else {
          slow(code, length);
        }
      }
      prev = code;
      prev_pos = here;
      prev_len = length;
      prev_first = first;
      next = read();
      if (next < 0) break;
      code = static_cast<unsigned>(next);
      if (table_full && code != clear) throw EGifException("Code size overflow");
      table_full = false;
    }
  } catch (...) {
    pos_ = pos;
    throw;
  }
  pos_ = pos;
}

}  // namespace

void TGifSubImage::DecodeImage() {
  if (CodeSize < 2 || CodeSize > 9) throw EGifException("Bad code Size");
  ImageData->Reset();  // no data sub-block at all raises here
  auto decoder = std::make_unique<LzwDecoder>(*Pixels, Descriptor.Width, Descriptor.Height, Interlaced);
  decoder->Decode(ImageData->Bytes(), CodeSize);
}

}  // namespace gd
