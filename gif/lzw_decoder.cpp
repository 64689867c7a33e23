// LZW decoding of an image's data into rows.
//
// Each string table entry keeps the last one to eight bytes of its string in
// one 64-bit word, its "chunk", with the code of the string that ends just
// before that chunk. A string of up to eight bytes, the common case, is then
// written with a single word store, and a longer one with one store per eight
// bytes. The table does not depend on where earlier output went, so rows can
// go straight to their places in any order.
//
// A sequential image whose matrix has the descriptor's shape is decoded
// straight into the matrix. Any other (interlaced, or a matrix of another
// shape) is decoded into a window a few rows long whose complete rows are
// stored every so often; the hot loop is the same for both. Rows are stored
// lazily, but always before an error is raised or decoding ends, so errors
// come in the order in which the rows completed.

#include "gif/lzw_decoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/byte_reader.h"
#include "gif/gif_decl.h"

namespace gd {

namespace {

// Chunks are stored to the output as host words.
static_assert(std::endian::native == std::endian::little, "chunks are written as little-endian words");

// The decoding loop's helpers must melt into it so that its state stays in
// registers.
#if defined(__GNUC__)
#define GD_INLINE __attribute__((always_inline))
#else
#define GD_INLINE
#endif

constexpr unsigned kMaxCodes = 4096;
constexpr unsigned kMaxWidth = 12;
// Length − 1 of the codes that stand for no string: the clear and end codes
// and those not yet in the table. Every real string is shorter.
constexpr std::uint16_t kNoString = 0xFFFF;
// A window holds at least this many pixels before its rows are stored.
constexpr std::size_t kWindowRows = 16384;

std::uint64_t Load64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(ByteReader::Le32(p)) | (static_cast<std::uint64_t>(ByteReader::Le32(p + 4)) << 32);
}

void Store64(std::uint8_t* p, std::uint64_t v) { std::memcpy(p, &v, 8); }

class Decoder {
 public:
  explicit Decoder(const LzwOutput& output);
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  void Run(std::span<const std::uint8_t> data, unsigned code_size);

 private:
  // Writes the string of code at p, and up to 7 bytes of junk after it.
  void WriteString(std::uint8_t* p, unsigned code) const {
    unsigned c = code;
    std::uint8_t* q = p + (lm1_[c] & ~7u);
    Store64(q, chunk_[c]);
    while (q != p) {
      c = chunk_prefix_[c];
      q -= 8;
      Store64(q, chunk_[c]);
    }
  }

  std::uint8_t* Emit(std::uint8_t* dst, unsigned code);
  void EnterWindow(std::int32_t row);
  std::uint8_t* Flush(std::uint8_t* dst);
  void StoreRow(const std::uint8_t* row);
  void Finish(std::uint8_t* dst);
  [[noreturn]] void BadCode(std::uint8_t* dst);

  TByteArray2D& pixels_;
  const std::size_t width_;
  const std::int32_t height_;
  const bool interlaced_;
  const bool matrix_fits_;  // the matrix has the descriptor's shape

  // Straight into the matrix: its storage and end.
  bool direct_ = false;
  std::uint8_t* base_ = nullptr;
  std::uint8_t* image_end_ = nullptr;
  // Through the window: its storage, its end, and the next row to store.
  std::vector<std::uint8_t> window_;
  std::uint8_t* hard_end_ = nullptr;
  std::int32_t row_ = 0;
  std::int32_t pass_ = 1;
  // Where output starts, and the bound below which one word store of a short
  // string needs no check.
  std::uint8_t* start_ = nullptr;
  std::uint8_t* fast_end_ = nullptr;

  // The string table, one slot more than codes: a full table adds its
  // entries to the spare slot, which no code reads.
  std::uint64_t chunk_[kMaxCodes + 1];
  std::uint16_t lm1_[kMaxCodes + 1];  // length − 1
  std::uint16_t chunk_prefix_[kMaxCodes + 1];
  std::uint8_t first_[kMaxCodes + 1];
};

Decoder::Decoder(const LzwOutput& output)
    : pixels_(output.Pixels),
      width_(static_cast<std::size_t>(std::max(output.Width, 0))),
      height_(std::max(output.Height, 0)),
      interlaced_(output.Interlaced),
      matrix_fits_(static_cast<std::size_t>(output.Pixels.ColCount()) == width_ &&
                   output.Pixels.RowCount() == height_) {
  if (!interlaced_ && matrix_fits_ && width_ > 0 && height_ > 0) {
    direct_ = true;
    base_ = pixels_.Data().Data();
    const std::size_t total = width_ * static_cast<std::size_t>(height_);
    image_end_ = base_ + total;
    start_ = base_;
    fast_end_ = total >= 8 ? image_end_ - 8 : base_;
  } else {
    EnterWindow(0);
  }
}

void Decoder::EnterWindow(std::int32_t row) {
  direct_ = false;
  row_ = row;
  const std::size_t flush_at = std::max(width_, kWindowRows);
  try {
    window_.assign(flush_at + kMaxCodes + 16, 0);
  } catch (const std::bad_alloc&) {
    throw ENotEnoughMemory();
  }
  start_ = window_.data();
  hard_end_ = start_ + window_.size();
  fast_end_ = width_ == 0 ? start_ : start_ + flush_at;
}

// The string of code at dst, wherever it has to go; returns the new end.
std::uint8_t* Decoder::Emit(std::uint8_t* dst, unsigned code) {
  const std::size_t length = lm1_[code] + 1u;
  if (direct_) {
    const auto room = static_cast<std::size_t>(image_end_ - dst);
    if (length <= room) {
      WriteString(dst, code);  // the junk goes to later rows or the matrix's slack
      return dst + length;
    }
    // The image fills up here; the rest starts a row past the last one,
    // which raises if it completes.
    std::uint8_t string[kMaxCodes + 8];
    WriteString(string, code);
    std::memcpy(dst, string, room);
    EnterWindow(height_);
    std::memcpy(start_, string + room, length - room);
    return start_ + (length - room);
  }
  if (width_ == 0) throw EIndexOutOfBounds();  // a pixel with no column to go to
  if (dst >= fast_end_ || length + 8 > static_cast<std::size_t>(hard_end_ - dst)) dst = Flush(dst);
  WriteString(dst, code);
  return dst + length;
}

// Stores the window's complete rows and keeps the partial one.
std::uint8_t* Decoder::Flush(std::uint8_t* dst) {
  if (width_ == 0) return dst;
  const auto have = static_cast<std::size_t>(dst - start_);
  const std::size_t rows = have / width_;
  for (std::size_t i = 0; i < rows; ++i) StoreRow(start_ + i * width_);
  const std::size_t rest = have - rows * width_;
  std::memmove(start_, start_ + rows * width_, rest);
  return start_ + rest;
}

void Decoder::StoreRow(const std::uint8_t* row) {
  if (matrix_fits_) {
    if (row_ >= height_) throw EIndexOutOfBounds();
    std::memcpy(pixels_.Data().Data() + static_cast<std::size_t>(row_) * width_, row, width_);
  } else {
    pixels_.SetRow(row_ + 1, std::span<const std::uint8_t>(row, width_));
  }
  row_ = interlaced_ ? NextInterlacedRow(row_, height_, pass_) : row_ + 1;
}

// Decoding ends: complete rows are stored, a partial one is dropped.
void Decoder::Finish(std::uint8_t* dst) {
  if (!direct_) {
    Flush(dst);
    return;
  }
  // Take back the partial row and the junk after it; they were written into
  // storage that was zero and that nothing else had written.
  std::uint8_t* const row_start = base_ + static_cast<std::size_t>(dst - base_) / width_ * width_;
  std::uint8_t* const junk_end = std::min(dst + 8, image_end_);
  if (junk_end > row_start) std::memset(row_start, 0, static_cast<std::size_t>(junk_end - row_start));
}

void Decoder::BadCode(std::uint8_t* dst) {
  Finish(dst);  // a row that completed before the bad code raises first
  throw EGifException("Bad code");
}

void Decoder::Run(std::span<const std::uint8_t> data, unsigned code_size) {
  const unsigned clear = 1u << code_size;
  const unsigned end = clear + 1;
  for (unsigned c = 0; c < clear; ++c) {
    chunk_[c] = c & 0xFFu;  // roots above 255 keep their low 8 bits
    lm1_[c] = 0;
    chunk_prefix_[c] = 0;
    first_[c] = static_cast<std::uint8_t>(c);
  }
  std::fill(lm1_ + clear, lm1_ + kMaxCodes + 1, kNoString);

  // Bit reader: codes least significant bit first; running out of bits is
  // the end of the data.
  const std::uint8_t* in = data.data();
  const std::uint8_t* const in_end = in + data.size();
  std::uint64_t bits = 0;
  unsigned count = 0;

  unsigned width = 0;
  unsigned limit = 0;
  unsigned mask = 0;
  unsigned next_free = 0;
  auto restart = [&]() GD_INLINE {
    width = code_size + 1;
    limit = 1u << width;
    mask = limit - 1;
    next_free = end + 1;
  };
  // Until the first clear code, behave as if one had just been read.
  restart();

  // Reads a code of the current width; false at the end of the data.
  auto read = [&](unsigned& code) GD_INLINE -> bool {
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
        if (count < width) return false;
      }
    }
    code = static_cast<unsigned>(bits) & mask;
    bits >>= width;
    count -= width;
    return true;
  };

  // The first byte of a code's string: in its chunk when it has only one.
  auto first_of = [&](unsigned c) GD_INLINE -> std::uint8_t {
    return lm1_[c] < 8 ? static_cast<std::uint8_t>(chunk_[c]) : first_[c];
  };
  // Counts a new entry and applies the width rule. A full table keeps
  // next_free at 4096: later entries go to the spare slot.
  auto count_entry = [&](unsigned n) GD_INLINE {
    next_free = n + 1;
    if (next_free == limit) {
      if (width < kMaxWidth) {
        ++width;
        limit <<= 1;
        mask = limit - 1;
      } else {
        next_free = kMaxCodes;
        limit = kMaxCodes + 1;
      }
    }
  };

  // The previous code and its string.
  unsigned prev = 0;
  unsigned prev_lm1 = 0;
  std::uint64_t prev_chunk = 0;
  // A new entry: the previous string followed by first. An entry of up to
  // eight bytes needs only its chunk and length: its first byte is in the
  // chunk, and no walk ever follows its chunk prefix.
  auto add_entry = [&](std::uint8_t first) GD_INLINE {
    const unsigned n = next_free;
    const unsigned lm1 = prev_lm1 + 1;
    const unsigned k = lm1 & 7;
    chunk_[n] = (k != 0 ? prev_chunk : 0) | (static_cast<std::uint64_t>(first) << (8 * k));
    lm1_[n] = static_cast<std::uint16_t>(lm1);
    if (lm1 >= 8) {
      chunk_prefix_[n] = k != 0 ? chunk_prefix_[prev] : static_cast<std::uint16_t>(prev);
      first_[n] = first_of(prev);
    }
    count_entry(n);
  };
  auto become_prev = [&](unsigned code) GD_INLINE {
    prev = code;
    prev_lm1 = lm1_[code];
    prev_chunk = chunk_[code];
  };

  // Output: the members are read into locals, which byte stores cannot
  // alias; only Emit changes where output goes.
  std::uint8_t* dst = start_;
  const std::uint8_t* fast_end = fast_end_;
  auto emit = [&](unsigned code) GD_INLINE {
    dst = Emit(dst, code);
    fast_end = fast_end_;
  };
  unsigned code = 0;
  if (!read(code) || code == end) return Finish(dst);
  for (;;) {
    // The first code of a table: after clear codes, or at the start.
    if (code == clear) {
      std::fill(lm1_ + end + 1, lm1_ + next_free, kNoString);
      restart();
      do {
        if (!read(code)) return Finish(dst);
      } while (code == clear);
      if (code == end) BadCode(dst);
    }
    if (code >= next_free) code = 0;
    emit(code);
    become_prev(code);

    // Codes that add entries, until the next clear code.
    for (;;) {
      // The hot loop: strings of up to 8 bytes with room to spare.
      while (in_end - in >= 8) {
        bits |= Load64(in) << count;
        in += (63 - count) >> 3;
        count |= 56;
        code = static_cast<unsigned>(bits) & mask;
        const unsigned lm1 = lm1_[code];
        if (lm1 >= 8 || dst >= fast_end) break;
        bits >>= width;
        count -= width;
        const std::uint64_t chunk = chunk_[code];
        Store64(dst, chunk);
        dst += lm1 + 1;
        if (prev_lm1 < 7) {
          const unsigned n = next_free;
          chunk_[n] = prev_chunk | ((chunk & 0xFF) << (8 * (prev_lm1 + 1)));
          lm1_[n] = static_cast<std::uint16_t>(prev_lm1 + 1);
          count_entry(n);
        } else {
          add_entry(static_cast<std::uint8_t>(chunk));
        }
        prev = code;
        prev_lm1 = lm1;
        prev_chunk = chunk;
      }
      // Everything else, one code at a time.
      if (!read(code)) return Finish(dst);
      if (code == clear) break;
      if (code == end) return Finish(dst);
      if (code == next_free && next_free < kMaxCodes) {
        add_entry(first_of(prev));  // the string being defined: previous + its own first byte
      } else if (lm1_[code] == kNoString) {
        BadCode(dst);
      } else {
        add_entry(first_of(code));
      }
      emit(code);
      become_prev(code);
    }
  }
}

}  // namespace

void CheckLzwCodeSize(unsigned code_size) {
  if (code_size < 2 || code_size > 9) throw EGifException("Bad code Size");
}

void DecodeLzw(std::span<const std::uint8_t> data, unsigned code_size, const LzwOutput& output) {
  CheckLzwCodeSize(code_size);
  auto decoder = std::make_unique<Decoder>(output);
  decoder->Run(data, code_size);
}

}  // namespace gd
