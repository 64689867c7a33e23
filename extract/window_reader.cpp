#include "extract/window_reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "extract/errors.h"

namespace gd {

WindowReader::WindowReader(ByteSource& source, Options options, WindowHook hook)
    : source_(source),
      options_{std::max(options.window_size, 2 * kWindowOverlap), options.read_ahead},
      hook_(std::move(hook)),
      size_(source.Size()),
      memory_(source.InMemory()) {}

WindowReader::~WindowReader() {
  if (worker_.joinable()) {
    {
      const std::lock_guard lock(mutex_);
      quit_ = true;
    }
    changed_.notify_all();
    worker_.join();
  }
}

std::span<const std::uint8_t> WindowReader::From(std::uint64_t pos, std::size_t want) {
  if (stopped_ || pos >= size_) return {};
  want = static_cast<std::size_t>(std::min<std::uint64_t>({want, kWindowOverlap, size_ - pos}));
  if (memory_) return memory_->subspan(static_cast<std::size_t>(pos));
  if (!(has_window_ && current_.Holds(pos, want)) && !MoveTo(pos, want)) return {};
  const auto at = static_cast<std::size_t>(pos - current_.base);
  return std::span<const std::uint8_t>(current_.bytes).subspan(at, current_.length - at);
}

bool WindowReader::MoveTo(std::uint64_t pos, std::size_t want) {
  if (has_window_ && hook_ && !hook_(pos)) {
    stopped_ = true;
    return false;
  }
  if (FinishReadAhead() && next_.Holds(pos, want)) {
    std::swap(current_, next_);
  } else {
    Fill(current_, pos);
  }
  has_window_ = true;
  // The next window starts early enough to hold whatever crosses this one's
  // end whole.
  if (options_.read_ahead && current_.end() < size_) StartReadAhead(current_.end() - kWindowOverlap);
  return true;
}

void WindowReader::Fill(Window& w, std::uint64_t base) {
  const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(options_.window_size, size_ - base));
  try {
    if (w.bytes.size() < options_.window_size) w.bytes.resize(options_.window_size);
  } catch (const std::bad_alloc&) {
    throw OutOfMemoryError();
  }
  // Until the read has succeeded the window holds nothing, so a failure
  // leaves no stale bytes behind.
  w.length = 0;
  w.base = base;
  if (source_.ReadAt(base, std::span(w.bytes).first(length)) != length) throw ReadError();
  w.length = length;
}

void WindowReader::StartReadAhead(std::uint64_t base) {
  if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
  {
    const std::lock_guard lock(mutex_);
    next_.base = base;
    requested_ = true;
    ahead_ = true;
  }
  changed_.notify_all();
}

bool WindowReader::FinishReadAhead() {
  if (!ahead_) return false;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !requested_; });
  ahead_ = false;
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  return true;
}

void WindowReader::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return requested_ || quit_; });
    if (quit_) return;
    const std::uint64_t base = next_.base;
    lock.unlock();
    std::exception_ptr error;
    try {
      Fill(next_, base);
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    error_ = error;
    requested_ = false;
    changed_.notify_all();
  }
}

std::size_t WindowReader::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (memory_) {
    if (offset >= size_) return 0;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), size_ - offset));
    std::memcpy(out.data(), memory_->data() + offset, n);
    return n;
  }
  if (has_window_ && current_.Holds(offset, out.size())) {
    if (!out.empty()) std::memcpy(out.data(), current_.bytes.data() + (offset - current_.base), out.size());
    return out.size();
  }
  return source_.ReadAt(offset, out);
}

}  // namespace gd
