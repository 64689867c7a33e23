// Windows read ahead on a second thread: what the search is given is what it
// would read itself, and a window that fails to read fails only if the
// search comes to need it.

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "base/errors.h"
#include "extract/source/window_reader.h"

namespace gd {
namespace {

// Bytes 0, 1, 2, ... whose one bad byte cannot be read.
class BadByteSource final : public ByteSource {
 public:
  BadByteSource(std::size_t size, std::uint64_t bad) : bytes_(size), bad_(bad) {
    std::iota(bytes_.begin(), bytes_.end(), std::uint8_t{0});
  }
  std::uint64_t Size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (offset >= bytes_.size()) return 0;
    const std::size_t n = std::min<std::size_t>(out.size(), bytes_.size() - offset);
    if (offset <= bad_ && bad_ < offset + n) throw ReadError();
    std::copy_n(bytes_.begin() + static_cast<long>(offset), n, out.begin());
    return n;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t bad_;
};

constexpr std::size_t kWindow = 1000;

TEST(ReadAhead, WindowsHoldTheSourceBytesWhereverTheReaderMoves) {
  BadByteSource source(20 * kWindow, ~std::uint64_t{0});
  ReadAhead ahead;
  WindowReader reader(source, {kWindow, &ahead});
  // On byte by byte, near each window's end, back a little, far ahead, back
  // to the start.
  const std::uint64_t positions[] = {0, 1, 999, 1000, 1990, 2500, 2490, 9000, 9001, 15000, 100, 19999};
  for (const std::uint64_t pos : positions) {
    const std::span<const std::uint8_t> bytes = reader.From(pos, kLargestPeek);
    ASSERT_GE(bytes.size(), std::min<std::uint64_t>(kLargestPeek, source.Size() - pos)) << pos;
    for (std::size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], static_cast<std::uint8_t>(pos + i)) << pos;
    // What the window in hand holds is lent, and nothing beyond it.
    const std::optional<std::span<const std::uint8_t>> held = reader.Held(pos, bytes.size());
    ASSERT_TRUE(held && held->data() == bytes.data() && held->size() == bytes.size()) << pos;
    EXPECT_FALSE(reader.Held(pos, bytes.size() + 1)) << pos;
  }
}

TEST(ReadAhead, AFailedReadCountsOnlyWhereTheSearchGoes) {
  // The bad byte lies in the windows read ahead after the first.
  {
    BadByteSource source(20 * kWindow, 1500);
    ReadAhead ahead;
    WindowReader reader(source, {kWindow, &ahead});
    ASSERT_FALSE(reader.From(0).empty());
    EXPECT_EQ(reader.From(5000, 4)[0], static_cast<std::uint8_t>(5000));  // jumped past it
  }
  {
    BadByteSource source(20 * kWindow, 1500);
    ReadAhead ahead;
    WindowReader reader(source, {kWindow, &ahead});
    ASSERT_FALSE(reader.From(0).empty());
    EXPECT_THROW(reader.From(990, 16), ReadError);  // went on into it
  }
}

}  // namespace
}  // namespace gd
