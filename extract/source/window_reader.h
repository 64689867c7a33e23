#pragma once
// Reads a source front to back through bounded windows, so that a file of any
// size is searched in a fixed amount of memory. A window starts where the
// search needs it to: anything the search must see whole (a 40-byte header,
// a signature) and that crosses a window's end is read again at the start of
// the next one.
//
// Given a ReadAhead, the reader keeps the next few windows being read on
// that thread while this one is searched, each starting a little before the
// end of the one before, so that a search moving on from near the end of a
// window finds the next one read. Where the search jumps further (past a
// large image), the windows it passes over are dropped. Without one, every
// window is read when it is needed.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "base/record_fields.h"
#include "extract/source/read_ahead.h"
#include "platform/byte_source.h"

namespace gd {

// The most bytes a search needs to see whole at one position.
inline constexpr std::size_t kLargestPeek = 64;
// Small enough that a window is searched while the copy is still in the
// processors' caches (second-level caches of 1 MiB a core are common, and
// windows are read ahead), large enough that handing windows between two
// threads costs little beside copying them. On Wine's program files 512 KiB
// searches a tenth faster than 1 MiB, and 256 KiB no faster again.
inline constexpr std::size_t kDefaultWindowSize = std::size_t{1} << 19;
// How many windows a reader with a ReadAhead keeps in flight.
inline constexpr std::size_t kWindowsAhead = 3;

class WindowReader final : public ByteSource {
 public:
  struct Options {
    std::size_t window_size = kDefaultWindowSize;  // at least 2 × kLargestPeek
    ReadAhead* read_ahead = nullptr;  // reads the source from a second thread
  };
  // Called before every window after the first with the position the search
  // has reached; returning false stops the reading: From then gives nothing.
  using WindowHook = std::function<bool(std::uint64_t position)>;

  WindowReader(ByteSource& source, Options options, WindowHook hook = {});
  ~WindowReader() override;
  WindowReader(const WindowReader&) = delete;
  WindowReader& operator=(const WindowReader&) = delete;

  // The bytes from pos to the end of a window that holds pos and at least
  // min(want, Size() - pos) bytes after it (want at most kLargestPeek).
  // Empty at the end of the source, or once the hook has stopped the reading.
  std::span<const std::uint8_t> From(std::uint64_t pos, std::size_t want = 1);
  bool Stopped() const { return stopped_; }
  // Has the first window read ahead, for a source that is searched next
  // while the one before is still being searched. Only with a ReadAhead.
  void StartReading();

  std::uint64_t Size() const override { return size_; }
  // From the window in hand when it holds the bytes, otherwise from the
  // source: images larger than a window, or beyond it, are read by position.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;
  std::optional<std::span<const std::uint8_t>> InMemory() const override { return memory_; }
  // The bytes [offset, offset + length) where they lie in memory already (in
  // the window in hand, or the whole source), without moving the window;
  // nullopt otherwise.
  std::optional<std::span<const std::uint8_t>> Held(std::uint64_t offset, std::size_t length) const;

 private:
  bool Holds(std::uint64_t pos, std::size_t want) const {
    return has_window_ && pos >= base_ && pos - base_ <= length_ && want <= length_ - (pos - base_);
  }
  struct Window {
    std::vector<std::uint8_t> bytes;
    std::uint64_t base = 0;
    std::size_t length = 0;
    ReadAhead::Read read;
  };

  bool MoveTo(std::uint64_t pos, std::size_t want);
  // Makes the window read ahead that holds [pos, pos + want) the one in
  // hand, dropping those before it; false when none does.
  bool TakeReadAhead(std::uint64_t pos, std::size_t want);
  void QueueReadAhead(std::size_t windows, ReadAhead::When when);
  void DropReadAhead() noexcept;

  ByteSource& source_;
  const std::size_t window_size_;
  const WindowHook hook_;
  const std::uint64_t size_;
  const std::optional<std::span<const std::uint8_t>> memory_;
  ReadAhead* const read_ahead_;
  std::vector<std::uint8_t> bytes_;
  std::uint64_t base_ = 0;
  std::size_t length_ = 0;
  bool has_window_ = false;
  std::deque<std::unique_ptr<Window>> ahead_;  // being read, in file order
  std::vector<std::unique_ptr<Window>> spare_;
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
