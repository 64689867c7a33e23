#pragma once
// GIF's variable-length-code LZW: codes packed least significant bit first, a
// clear code and an end code, code widths growing from the minimum code size
// + 1 to 12 bits. The algorithm, with a worked example, is in gif/README.md.

#include <cstdint>
#include <span>

#include "gif/byte_arrays.h"

namespace gd {

// Where the decoded colour indices go: Width × Height pixels, stored a whole
// row at a time into Pixels, in sequential or interlaced row order. Width and
// Height are the image descriptor's; a Pixels matrix of another shape gets
// the matrix's own errors as each row is stored.
struct LzwOutput {
  TByteArray2D& Pixels;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  bool Interlaced = false;
};

// Raises EGifException "Bad code Size" unless code_size is 2 to 9.
void CheckLzwCodeSize(unsigned code_size);

// Decodes data (the image's data sub-blocks joined) into output.
// - Rows are stored when complete; a row still partly filled when decoding
//   ends is dropped, and rows the data never reaches are left as they were.
// - The end of the data without an end code ends decoding quietly.
// - Raises EGifException "Bad code Size" (code_size outside 2 to 9), "Bad
//   code" (a clear code followed by the end code, or a code above the next
//   free code), and EIndexOutOfBounds when a row completes after the last one
//   or a pixel arrives for a zero-width image.
// - Once the string table is full, 12-bit codes go on being decoded without
//   adding entries until a clear code comes.
void DecodeLzw(std::span<const std::uint8_t> data, unsigned code_size, const LzwOutput& output);

}  // namespace gd
