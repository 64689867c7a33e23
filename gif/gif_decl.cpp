#include "gif/gif_decl.h"

#include <algorithm>

namespace gd {

void TByteBuffer::AddBlock(std::string_view block) {
  AddBlock(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(block.data()), block.size()));
}

void TByteBuffer::AddBlock(std::span<const std::uint8_t> block) {
  bytes_.insert(bytes_.end(), block.begin(), block.end());
  ends_.push_back(bytes_.size());
}

std::size_t TByteBuffer::ReadBlock(TStream& stream, std::size_t length) {
  const std::size_t at = bytes_.size();
  bytes_.resize(at + length);
  const std::size_t got = stream.Read(std::span<std::uint8_t>(bytes_.data() + at, length));
  bytes_.resize(at + got);
  ends_.push_back(bytes_.size());
  return got;
}

void TByteBuffer::Reserve(std::size_t blocks, std::size_t bytes) {
  ends_.reserve(ends_.size() + blocks);
  bytes_.reserve(bytes_.size() + bytes);
}

std::string TByteBuffer::GetBlock(std::int32_t number) const {
  if (number < 1 || number > BlockCount()) throw EStringListError(number - 1);
  const std::size_t i = static_cast<std::size_t>(number - 1);
  const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
  return std::string(reinterpret_cast<const char*>(bytes_.data()) + begin, ends_[i] - begin);
}

void TByteBuffer::Reset() {
  if (ends_.empty()) throw EStringListError(0);
  block_index_ = 1;
  cursor_ = 0;
}

std::uint8_t TByteBuffer::NextByte() {
  // Past the end of the current block: move on to the next one (an empty
  // block is passed over like any other exhausted one).
  while (block_index_ == 0 || cursor_ >= ends_[static_cast<std::size_t>(block_index_ - 1)]) {
    ++block_index_;
    if (block_index_ > BlockCount()) {
      const std::int32_t missing = block_index_ - 1;
      block_index_ = BlockCount();  // stay on the last block for later calls
      throw EStringListError(missing);
    }
  }
  return bytes_[cursor_++];
}

std::int32_t NextInterlacedRow(std::int32_t row, std::int32_t height, std::int32_t& pass) {
  static constexpr std::int32_t kFirst[] = {0, 4, 2, 1};
  static constexpr std::int32_t kStep[] = {8, 8, 4, 2};
  if (pass < 1 || pass > 4) {
    pass = 5;
    return std::max(row, height);
  }
  // 64 bits: row and height come from the caller unchecked.
  std::int64_t next = std::int64_t{row} + kStep[pass - 1];
  while (next >= height) {
    ++pass;
    if (pass > 4) return static_cast<std::int32_t>(std::min<std::int64_t>(next, INT32_MAX));
    next = kFirst[pass - 1];
  }
  return static_cast<std::int32_t>(next);
}

}  // namespace gd
