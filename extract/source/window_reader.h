#pragma once
// Reads a source front to back through bounded windows, so that a file of any
// size is searched in a fixed amount of memory. A window starts where the
// search needs it to: anything the search must see whole (a 40-byte header,
// a signature) and that crosses a window's end is read again at the start of
// the next one.
//
// Reading is synchronous. A reader thread filling the next window while one is
// searched was measured (bench/read_bench) and lost to this: copying from the
// page cache is the cost, searching a window that is still in the cache adds
// little, and the kernel's own read-ahead already overlaps disk reads.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "base/record_fields.h"
#include "platform/byte_source.h"

namespace gd {

// The most bytes a search needs to see whole at one position.
inline constexpr std::size_t kLargestPeek = 64;
// Small enough that a window is searched while the copy is still in the
// processor's cache.
inline constexpr std::size_t kDefaultWindowSize = std::size_t{256} << 10;

class WindowReader final : public ByteSource {
 public:
  struct Options {
    std::size_t window_size = kDefaultWindowSize;  // at least 2 × kLargestPeek
  };
  // Called before every window after the first with the position the search
  // has reached; returning false stops the reading: From then gives nothing.
  using WindowHook = std::function<bool(std::uint64_t position)>;

  WindowReader(ByteSource& source, Options options, WindowHook hook = {});

  // The bytes from pos to the end of a window that holds pos and at least
  // min(want, Size() - pos) bytes after it (want at most kLargestPeek).
  // Empty at the end of the source, or once the hook has stopped the reading.
  std::span<const std::uint8_t> From(std::uint64_t pos, std::size_t want = 1);
  bool Stopped() const { return stopped_; }

  std::uint64_t Size() const override { return size_; }
  // From the window in hand when it holds the bytes, otherwise from the
  // source: images larger than a window, or beyond it, are read by position.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;
  std::optional<std::span<const std::uint8_t>> InMemory() const override { return memory_; }

 private:
  bool Holds(std::uint64_t pos, std::size_t want) const {
    return has_window_ && pos >= base_ && pos - base_ + want <= length_;
  }
  bool MoveTo(std::uint64_t pos);

  ByteSource& source_;
  const std::size_t window_size_;
  const WindowHook hook_;
  const std::uint64_t size_;
  const std::optional<std::span<const std::uint8_t>> memory_;
  std::vector<std::uint8_t> bytes_;
  std::uint64_t base_ = 0;
  std::size_t length_ = 0;
  bool has_window_ = false;
  bool stopped_ = false;
};

// The record (base/record_fields.h) at pos, read through the reader's
// window; false when the source ends first.
template <class Record>
bool ReadRecordAt(WindowReader& reader, std::uint64_t pos, Record& record) {
  const std::span<const std::uint8_t> bytes = reader.From(pos, Record::kSize);
  if (bytes.size() < Record::kSize) return false;
  RecordFromBytes(bytes, record);
  return true;
}

}  // namespace gd
