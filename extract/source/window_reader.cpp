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
      memory_(source.InMemory()) {}

std::span<const std::uint8_t> WindowReader::From(std::uint64_t pos, std::size_t want) {
  if (stopped_ || pos >= size_) return {};
  want = static_cast<std::size_t>(std::min<std::uint64_t>({want, kLargestPeek, size_ - pos}));
  if (memory_) return memory_->subspan(static_cast<std::size_t>(pos));
  if (!Holds(pos, want) && !MoveTo(pos)) return {};
  const auto at = static_cast<std::size_t>(pos - base_);
  return std::span<const std::uint8_t>(bytes_).subspan(at, length_ - at);
}

bool WindowReader::MoveTo(std::uint64_t pos) {
  if (has_window_ && hook_ && !hook_(pos)) {
    stopped_ = true;
    return false;
  }
  if (bytes_.size() < window_size_) WithOutOfMemory([this] { bytes_.resize(window_size_); });
  const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(window_size_, size_ - pos));
  // Until the read has succeeded the window holds nothing, so a failure
  // leaves no stale bytes behind.
  has_window_ = false;
  if (source_.ReadAt(pos, std::span(bytes_).first(length)) != length) throw ReadError();
  base_ = pos;
  length_ = length;
  has_window_ = true;
  return true;
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
