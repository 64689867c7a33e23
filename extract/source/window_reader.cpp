#include "extract/source/window_reader.h"

#include <algorithm>
#include <cstring>

#include "base/errors.h"

namespace gd {

WindowReader::WindowReader(ByteSource& source, Options options, WindowHook hook)
    : source_(source),
      window_size_(std::max(options.window_size, 2 * kLargestPeek)),
      hook_(std::move(hook)),
      size_(source.Size()),
      memory_(source.InMemory()),
      read_ahead_(options.read_ahead) {
  if (read_ahead_ != nullptr) bytes_ = read_ahead_->TakeBuffer();
}

WindowReader::~WindowReader() {
  DropReadAhead();
  if (read_ahead_ == nullptr) return;
  read_ahead_->GiveBack(std::move(bytes_));
  for (std::unique_ptr<Window>& window : spare_) read_ahead_->GiveBack(std::move(window->bytes));
}

std::span<const std::uint8_t> WindowReader::From(std::uint64_t pos, std::size_t want) {
  if (stopped_ || pos >= size_) return {};
  want = static_cast<std::size_t>(std::min<std::uint64_t>({want, kLargestPeek, size_ - pos}));
  if (memory_) return memory_->subspan(static_cast<std::size_t>(pos));
  if (!Holds(pos, want) && !MoveTo(pos, want)) return {};
  const auto at = static_cast<std::size_t>(pos - base_);
  return std::span<const std::uint8_t>(bytes_).subspan(at, length_ - at);
}

bool WindowReader::MoveTo(std::uint64_t pos, std::size_t want) {
  if (has_window_ && hook_ && !hook_(pos)) {
    stopped_ = true;
    return false;
  }
  // Until a read has succeeded the window holds nothing, so a failure leaves
  // no stale bytes behind.
  has_window_ = false;
  if (!TakeReadAhead(pos, want)) {
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(window_size_, size_ - pos));
    // No more than the file needs: most files are smaller than a window.
    if (bytes_.size() < length) WithOutOfMemory([&] { bytes_.resize(length); });
    if (source_.ReadAt(pos, std::span(bytes_).first(length)) != length) throw ReadError();
    base_ = pos;
    length_ = length;
  }
  has_window_ = true;
  QueueReadAhead(kWindowsAhead, ReadAhead::When::kSoon);
  return true;
}

bool WindowReader::TakeReadAhead(std::uint64_t pos, std::size_t want) {
  while (!ahead_.empty()) {
    std::unique_ptr<Window> window = std::move(ahead_.front());
    ahead_.pop_front();
    const bool wanted = pos >= window->base && pos - window->base + want <= window->length;
    const bool passed = !wanted && window->base + window->length <= pos;
    std::size_t got = 0;
    try {
      got = read_ahead_->Wait(window->read);
    } catch (...) {
      spare_.push_back(std::move(window));
      if (!passed) DropReadAhead();
      if (wanted) throw;  // as it would have failed read here
      if (!passed) return false;
      continue;
    }
    if (wanted && got != window->length) {
      spare_.push_back(std::move(window));
      DropReadAhead();
      throw ReadError();
    }
    if (wanted) {
      std::swap(bytes_, window->bytes);
      base_ = window->base;
      length_ = window->length;
    }
    spare_.push_back(std::move(window));
    if (wanted) return true;
    if (!passed) {
      // The search went back before the windows ahead: they start afresh
      // from where it is.
      DropReadAhead();
      return false;
    }
  }
  return false;
}

void WindowReader::StartReading() {
  // After the windows of the source in hand, which its search needs first.
  if (!has_window_ && ahead_.empty() && !memory_) QueueReadAhead(1, ReadAhead::When::kLater);
}

void WindowReader::QueueReadAhead(std::size_t windows, ReadAhead::When when) {
  if (read_ahead_ == nullptr) return;
  // Every window there will be, so that putting one back never allocates.
  if (spare_.capacity() < kWindowsAhead) WithOutOfMemory([this] { spare_.reserve(kWindowsAhead); });
  // Before the first window, base_ and length_ are 0: the first one read
  // ahead starts at 0.
  while (ahead_.size() < windows) {
    const std::uint64_t base = ahead_.empty() ? base_ : ahead_.back()->base;
    const std::size_t length = ahead_.empty() ? length_ : ahead_.back()->length;
    const std::uint64_t end = base + length;
    if (end >= size_) return;
    std::unique_ptr<Window> window;
    if (spare_.empty()) {
      window = WithOutOfMemory([] { return std::make_unique<Window>(); });
      window->bytes = read_ahead_->TakeBuffer();
    } else {
      window = std::move(spare_.back());
      spare_.pop_back();
    }
    // The last kLargestPeek bytes again, so that whatever the search looks at
    // from there on lies whole in the next window.
    window->base = end - std::min<std::uint64_t>(length / 2, kLargestPeek);
    window->length = static_cast<std::size_t>(std::min<std::uint64_t>(window_size_, size_ - window->base));
    if (window->bytes.size() < window->length) WithOutOfMemory([&] { window->bytes.resize(window->length); });
    read_ahead_->Start(window->read, source_, window->base, std::span(window->bytes).first(window->length), when);
    ahead_.push_back(std::move(window));
  }
}

void WindowReader::DropReadAhead() noexcept {
  for (std::unique_ptr<Window>& window : ahead_) {
    try {
      read_ahead_->Wait(window->read);  // it writes into the window's bytes
    } catch (...) {
      // A window nobody will look at.
    }
    spare_.push_back(std::move(window));  // room was made for every window
  }
  ahead_.clear();
}

std::optional<std::span<const std::uint8_t>> WindowReader::Held(std::uint64_t offset, std::size_t length) const {
  if (memory_) {
    if (offset > size_ || length > size_ - offset) return std::nullopt;
    return memory_->subspan(static_cast<std::size_t>(offset), length);
  }
  if (!Holds(offset, length)) return std::nullopt;
  return std::span<const std::uint8_t>(bytes_).subspan(static_cast<std::size_t>(offset - base_), length);
}

std::size_t WindowReader::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (memory_) {
    if (offset >= size_) return 0;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), size_ - offset));
    if (n != 0) std::memcpy(out.data(), memory_->data() + offset, n);
    return n;
  }
  if (Holds(offset, out.size())) {
    if (!out.empty()) std::memcpy(out.data(), bytes_.data() + (offset - base_), out.size());
    return out.size();
  }
  return source_.ReadAt(offset, out);
}

}  // namespace gd
