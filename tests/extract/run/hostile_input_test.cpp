// Bytes built to mislead the search and the writer. Each row is handled with a
// definite result: which headers are taken and how large each written file is.
// Nothing reads or writes outside the data (the sanitizer build checks that).

#include <gtest/gtest.h>

#include <climits>

#include "extract/find/scanner.h"
#include "extract/write/bitmap_file.h"
#include "tests/support/dib_fixtures.h"

namespace gd {
namespace {

using test::Bytes;
using test::Concat;
using test::Header;
using test::IconImage;

struct Row {
  const char* what;
  Bytes data;
  std::vector<std::size_t> found;
  std::vector<std::size_t> file_sizes;  // of the bitmap written for each
};

TEST(HostileInput, ScannerAndWriterRows) {
  const Row rows[] = {
      {"width × height × bits wrap to a zero-byte image", Header({65536, 65536, 32}), {0}, {54}},
      {"minimum-integer height wraps to zero rows", Header({8, INT32_MIN, 24}), {0}, {54}},
      {"negative height is passed over", Concat({Header({8, -8, 24}), Bytes(200, 0)}), {}, {}},
      {"biClrUsed far above 2^bits claims more than there is", Concat({Header({4, 4, 8, 0, 100000}), Bytes(64, 0)}),
       {}, {}},
      {"biClrUsed wrapping the palette to 4 bytes", Concat({Header({4, 4, 8, 0, 0x40000001}), Bytes(64, 0)}),
       {0}, {54 + 4 + 16}},
      {"biClrUsed wrapping the palette size negative", Concat({Header({4, 4, 8, 0, 0x60000000}), Bytes(64, 0)}),
       {}, {}},
      {"zero width keeps only its palette", Concat({Header({0, 10, 8}), Bytes(1024, 7)}), {0}, {54 + 1024}},
      {"only a header with no rows", Header({0, 0, 24}), {0}, {54}},
      {"only a header claiming rows", Header({32, 64, 4, 640}), {}, {}},
      {"width 2^28 at 16 bits", Header({268435456, 4, 16}), {0}, {54}},
  };
  for (const Row& r : rows) {
    const auto found = FindImages(r.data);
    EXPECT_EQ(found, r.found) << r.what;
    std::vector<std::size_t> sizes;
    for (std::size_t at : found) sizes.push_back(BuildBitmapFile(r.data, at).size());
    EXPECT_EQ(sizes, r.file_sizes) << r.what;
  }
}

TEST(HostileInput, HeaderCutShortAnywhereBeforeTheEnd) {
  const Bytes whole = Header({0, 0, 24});
  for (std::size_t keep = 1; keep < 40; ++keep) {
    const Bytes data = Concat({Bytes(6, 0), Bytes(whole.begin(), whole.begin() + static_cast<long>(keep))});
    EXPECT_TRUE(FindImages(data).empty()) << keep << " header bytes";
  }
}

TEST(HostileInput, CandidateMarkerAtEveryPositionOfAMask) {
  const Bytes clean = IconImage(32, 4);  // 744 bytes: mask of 128 at 616
  const std::size_t mask_at = 616, mask_size = 128;
  for (std::size_t q = 0; q + 1 < mask_size; q += 2) {
    Bytes first = clean;
    first[mask_at + q] = 0x28;
    first[mask_at + q + 1] = 0x00;
    const Bytes data = Concat({first, clean});
    // The 40-byte jump from a false candidate lands past the next image's
    // first byte when the candidate lies in the last 38 bytes of the mask.
    const std::vector<std::size_t> expect =
        q + 40 <= mask_size ? std::vector<std::size_t>{0, clean.size()} : std::vector<std::size_t>{0};
    EXPECT_EQ(FindImages(data), expect) << "marker at mask byte " << q;
  }
}

}  // namespace
}  // namespace gd
