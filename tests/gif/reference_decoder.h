#pragma once
// A literal, per-pixel reading of the image data, for checking the fast
// decoder: the data through TByteBuffer::NextByte, each pixel through
// SetItem and each row through SetRow, the end of the data signalled by the
// buffer's EStringListError.

#include <string>
#include <typeinfo>
#include <vector>

#include "gif/byte_arrays.h"
#include "gif/gif_decl.h"

namespace gd::test {

inline std::string ErrorName(const Exception& e) {
  const char* name = "Exception";
  if (dynamic_cast<const EGifException*>(&e)) name = "EGifException";
  else if (dynamic_cast<const EIndexOutOfBounds*>(&e)) name = "EIndexOutOfBounds";
  else if (dynamic_cast<const ENotEnoughMemory*>(&e)) name = "ENotEnoughMemory";
  else if (dynamic_cast<const EStringListError*>(&e)) name = "EStringListError";
  else if (dynamic_cast<const EListError*>(&e)) name = "EListError";
  return std::string(name) + ": " + e.what();
}

struct ReferenceResult {
  std::string error;
  std::vector<std::uint8_t> pixels;
};

inline ReferenceResult ReferenceDecode(unsigned width, unsigned height, bool interlaced, unsigned code_size,
                                       const std::vector<std::uint8_t>& data, std::size_t block_size) {
  ReferenceResult result;
  TByteArray2D pixels(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
  try {
    if (code_size < 2 || code_size > 9) throw EGifException("Bad code Size");
    TByteBuffer buffer;
    for (std::size_t i = 0; i < data.size(); i += block_size)
      buffer.AddBlock(std::span<const std::uint8_t>(data.data() + i, std::min(block_size, data.size() - i)));
    buffer.Reset();
    unsigned code_width = code_size + 1;
    const unsigned clear = 1u << code_size, end = clear + 1, max_root = clear - 1;
    unsigned bits_left = 0, current = 0;
    std::int32_t row = 0, pass = 1, column = 1;
    TBigByteArray row_buffer(static_cast<std::int32_t>(width));
    std::vector<unsigned> prefix(4096), suffix(4096);
    std::vector<std::uint8_t> stack;
    unsigned prev = 0, next_free = end + 1, limit = 1u << code_width;
    auto read_code = [&]() -> unsigned {
      if (bits_left == 0) {
        current = buffer.NextByte();
        bits_left = 8;
      }
      unsigned value = current >> (8 - bits_left);
      while (code_width > bits_left) {
        current = buffer.NextByte();
        value |= current << bits_left;
        bits_left += 8;
      }
      bits_left -= code_width;
      return value & ((1u << code_width) - 1);
    };
    auto push_string = [&](unsigned c) {
      while (c > max_root) {
        stack.push_back(static_cast<std::uint8_t>(suffix[c]));
        c = prefix[c];
      }
      stack.push_back(static_cast<std::uint8_t>(c));
    };
    auto first_byte = [&](unsigned c) {
      while (c > max_root) c = prefix[c];
      return c & 0xFF;
    };
    // A full table takes no entries until a clear code; codes stay 12 bits.
    auto add = [&](unsigned first) {
      if (next_free == 4096) return;
      prefix[next_free] = prev;
      suffix[next_free] = first;
      ++next_free;
      if (next_free >= limit && code_width < 12) {
        limit *= 2;
        ++code_width;
      }
    };
    try {
      unsigned code = read_code();
      bool first_code = true;
      while (code != end) {
        if (code == clear || first_code) {
          if (code == clear) {
            code_width = code_size + 1;
            next_free = end + 1;
            limit = 1u << code_width;
            do code = read_code();
            while (code == clear);
            if (code == end) throw EGifException("Bad code");
          }
          first_code = false;
          if (code >= next_free) code = 0;
          prev = code;
          stack.push_back(static_cast<std::uint8_t>(code));
        } else if (code < next_free) {
          push_string(code);
          add(stack.back());
          prev = code;
        } else {
          if (code != next_free) throw EGifException("Bad code");
          add(first_byte(prev));
          push_string(code);
          prev = code;
        }
        while (!stack.empty()) {
          row_buffer.SetItem(column, stack.back());
          stack.pop_back();
          if (++column > static_cast<std::int32_t>(width)) {
            pixels.SetRow(row + 1, row_buffer);
            row = interlaced ? NextInterlacedRow(row, static_cast<std::int32_t>(height), pass) : row + 1;
            column = 1;
          }
        }
        code = read_code();
      }
    } catch (const EStringListError&) {
      // the end of the data
    }
  } catch (const Exception& e) {
    result.error = ErrorName(e);
  }
  const auto all = pixels.Data().Bytes();
  result.pixels.assign(all.begin(), all.end());
  return result;
}

}  // namespace gd::test
