// LZW decoding of an image's data into Pixels.
//
// Strings are not walked through the prefix chain per pixel: every table
// entry remembers where its string was first written in the decode-order
// output, so a code is one short word-wise copy from earlier output. The
// output is Pixels itself for a sequential image and a scratch buffer, copied
// out row by row, for an interlaced one. Pixels beyond the image (which must
// raise once they complete a row) and matrices whose shape does not match the
// descriptor go through the per-pixel row buffer path instead.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "gif/byte_arrays.h"
#include "gif/gif_sub_image.h"
#include "gif/lzw_code_reader.h"

namespace gd {

namespace {

constexpr unsigned kMaxCodes = 4096;
constexpr unsigned kMaxWidth = 12;

class LzwDecoder {
 public:
  LzwDecoder(TByteArray2D& pixels, std::int32_t width, std::int32_t height, bool interlaced)
      : pixels_(pixels),
        width_(width),
        height_(height),
        interlaced_(interlaced),
        row_buffer_(width) {
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

  void Run(std::span<const std::uint8_t> data, unsigned code_size);

 private:
  unsigned LengthOf(unsigned code) const { return code <= max_root_ ? 1u : length_[code]; }
  std::uint8_t FirstOf(unsigned code) const {
    return code <= max_root_ ? static_cast<std::uint8_t>(code) : first_[code];
  }

  void AddEntry(unsigned prefix, std::uint8_t suffix, std::size_t position) {
    if (next_free_ >= kMaxCodes) throw EGifException("Code size overflow");  // unreachable guard
    prefix_[next_free_] = static_cast<std::uint16_t>(prefix);
    suffix_[next_free_] = suffix;
    length_[next_free_] = static_cast<std::uint16_t>(LengthOf(prefix) + 1);
    first_[next_free_] = FirstOf(prefix);
    offset_[next_free_] = position;
    ++next_free_;
    if (next_free_ >= limit_) {
      if (code_width_ == kMaxWidth) {
        table_full_ = true;
      } else {
        limit_ <<= 1;
        ++code_width_;
      }
    }
  }

  // Writes the string of code (kwkwk: the code just added for the
  // previous string plus its own first byte).
  void Emit(unsigned code, bool kwkwk) {
    const std::size_t length = LengthOf(code);
    if (fast_ && length <= total_ - pos_) {
      std::uint8_t* dst = out_ + pos_;
      if (code <= max_root_) {
        *dst = static_cast<std::uint8_t>(code);
      } else {
        const std::uint8_t* src = out_ + offset_[code];
        if (!kwkwk) {
          CopyWords(dst, src, length);
        } else {
          CopyWords(dst, src, length - 1);
          dst[length - 1] = *src;
        }
      }
      pos_ += length;
      if (interlaced_)
        while (pos_ >= row_end_) CompleteRow();
      return;
    }
    EmitSlow(code, length);
  }

  // Copies in whole words; may write up to 7 bytes past dst + length, which
  // later strings overwrite (the buffers carry slack for the last ones).
  static void CopyWords(std::uint8_t* dst, const std::uint8_t* src, std::size_t length) {
    for (std::size_t i = 0; i < length; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, src + i, 8);
      std::memcpy(dst + i, &word, 8);
    }
  }

  void CompleteRow() {
    const std::size_t w = static_cast<std::size_t>(width_);
    std::memcpy(pixels_.Data().Data() + static_cast<std::size_t>(row_) * w, out_ + row_end_ - w, w);
    row_ = NextInterlacedRow(row_, height_, pass_);
    row_end_ += w;
  }

  // The string walked through the prefix chain into stack_, then stored pixel
  // by pixel: what fits of the image directly, the rest through the row
  // buffer, which raises when a row past the last one completes.
  void EmitSlow(unsigned code, std::size_t length) {
    std::uint8_t* p = stack_ + length;
    unsigned c = code;
    while (c > max_root_) {
      *--p = suffix_[c];
      c = prefix_[c];
    }
    *--p = static_cast<std::uint8_t>(c);
    std::size_t i = 0;
    if (fast_) {
      // The image fills up here: finish it, then leave the direct path.
      const std::size_t fit = total_ - pos_;
      std::memcpy(out_ + pos_, stack_, fit);
      pos_ = total_;
      if (interlaced_)
        while (pos_ >= row_end_) CompleteRow();
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

  // Code state.
  unsigned max_root_ = 0;
  unsigned code_width_ = 0;
  unsigned next_free_ = 0;
  unsigned limit_ = 0;
  bool table_full_ = false;

  std::uint16_t prefix_[kMaxCodes];
  std::uint8_t suffix_[kMaxCodes];
  std::uint16_t length_[kMaxCodes];
  std::uint8_t first_[kMaxCodes];
  std::size_t offset_[kMaxCodes];
  std::uint8_t stack_[kMaxCodes + 8];

};

void LzwDecoder::Run(std::span<const std::uint8_t> data, unsigned code_size) {
  const unsigned clear = 1u << code_size;
  const unsigned end = clear + 1;
  max_root_ = clear - 1;
  // Until the first clear code, behave as if one had just been read.
  code_width_ = code_size + 1;
  next_free_ = end + 1;
  limit_ = 1u << code_width_;

  LzwCodeReader reader(data);
  unsigned code = 0;
  unsigned prev = 0;
  std::size_t prev_pos = 0;
  bool first_after_clear = true;
  if (!reader.ReadCode(code_width_, code)) return;
  while (code != end) {
    if (code == clear) {
      code_width_ = code_size + 1;
      next_free_ = end + 1;
      limit_ = 1u << code_width_;
      do {
        if (!reader.ReadCode(code_width_, code)) return;
      } while (code == clear);
      if (code == end) throw EGifException("Bad code");
      first_after_clear = true;
    }
    const std::size_t here = pos_;
    if (first_after_clear) {
      first_after_clear = false;
      if (code >= next_free_) code = 0;
      Emit(code, false);
    } else if (code < next_free_) {
      Emit(code, false);
      AddEntry(prev, FirstOf(code), prev_pos);
    } else {
      if (code != next_free_) throw EGifException("Bad code");
      AddEntry(prev, FirstOf(prev), prev_pos);
      Emit(code, true);
    }
    prev = code;
    prev_pos = here;
    if (!reader.ReadCode(code_width_, code)) return;
    if (table_full_ && code != clear) throw EGifException("Code size overflow");
    table_full_ = false;
  }
}

}  // namespace

void TGifSubImage::DecodeImage() {
  if (CodeSize < 2 || CodeSize > 9) throw EGifException("Bad code Size");
  ImageData->Reset();  // no data sub-block at all raises here
  auto decoder = std::make_unique<LzwDecoder>(*Pixels, Descriptor.Width, Descriptor.Height, Interlaced);
  decoder->Run(ImageData->Bytes(), CodeSize);
}

}  // namespace gd
