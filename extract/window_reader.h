#pragma once
// Reads a source front to back through bounded windows, so that a file of any
// size is searched in a fixed amount of memory. Consecutive windows overlap
// by kWindowOverlap bytes: anything the search must see whole (a 40-byte
// header, a signature) and that crosses an edge lies whole in the next
// window. With read-ahead, a thread of the reader's own fills the next
// window while the current one is searched.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "extract/byte_source.h"

namespace gd {

inline constexpr std::size_t kWindowOverlap = 64;
inline constexpr std::size_t kDefaultWindowSize = std::size_t{1} << 20;

class WindowReader final : public ByteSource {
 public:
  struct Options {
    std::size_t window_size = kDefaultWindowSize;  // at least 2 × kWindowOverlap
    bool read_ahead = true;
  };
  // Called before every window after the first with the position the search
  // has reached; returning false stops the reading: From then gives nothing.
  using WindowHook = std::function<bool(std::uint64_t position)>;

  WindowReader(ByteSource& source, Options options, WindowHook hook = {});
  ~WindowReader() override;
  WindowReader(const WindowReader&) = delete;
  WindowReader& operator=(const WindowReader&) = delete;

  // The bytes from pos to the end of a window that holds pos and at least
  // min(want, Size() - pos) bytes after it (want at most kWindowOverlap).
  // Empty at the end of the source, or once the hook has stopped the reading.
  std::span<const std::uint8_t> From(std::uint64_t pos, std::size_t want = 1);
  bool Stopped() const { return stopped_; }

  std::uint64_t Size() const override { return size_; }
  // From the window in hand when it holds the bytes, otherwise from the
  // source: images larger than a window, or beyond it, are read by position.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;
  std::optional<std::span<const std::uint8_t>> InMemory() const override { return memory_; }

 private:
  struct Window {
    std::uint64_t base = 0;
    std::size_t length = 0;
    std::vector<std::uint8_t> bytes;
    std::uint64_t end() const { return base + length; }
    bool Holds(std::uint64_t pos, std::size_t want) const { return pos >= base && pos + want <= end(); }
  };

  bool MoveTo(std::uint64_t pos, std::size_t want);
  void Fill(Window& w, std::uint64_t base);
  void StartReadAhead(std::uint64_t base);
  bool FinishReadAhead();  // false when none was under way
  void Work();

  ByteSource& source_;
  const Options options_;
  const WindowHook hook_;
  const std::uint64_t size_;
  std::optional<std::span<const std::uint8_t>> memory_;
  Window current_;
  bool has_window_ = false;
  bool stopped_ = false;

  // Read-ahead: the worker fills next_ at next_base_ when asked.
  Window next_;
  std::thread worker_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool requested_ = false;
  bool quit_ = false;
  bool ahead_ = false;  // a read-ahead was started and not yet collected
  std::exception_ptr error_;
};

}  // namespace gd
