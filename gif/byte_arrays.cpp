#include "gif/byte_arrays.h"

#include "gif/allocation_limit.h"

#include <cstring>
#include <limits>

namespace gd {

namespace {

std::int32_t CheckedProduct(std::int32_t a, std::int32_t b) {
  if (a < 0 || b < 0) throw ENotEnoughMemory();
  const std::int64_t product = static_cast<std::int64_t>(a) * b;
  if (product > std::numeric_limits<std::int32_t>::max()) throw ENotEnoughMemory();
  return static_cast<std::int32_t>(product);
}

}  // namespace

TBigByteArray::TBigByteArray(std::int32_t count) : count_(count) {
  if (count < 0 || static_cast<std::size_t>(count) > MaxGifAllocation()) throw ENotEnoughMemory();
  if (count == 0) return;
  // Cleared storage whose pages stay untouched until written.
  const std::size_t size = static_cast<std::size_t>(count) + kSlack;
  data_ = std::unique_ptr<std::uint8_t, Free>(static_cast<std::uint8_t*>(AllocateBigBlock(size)), Free{size});
  if (!data_) throw ENotEnoughMemory();
}

void TBigByteArray::SetItem(std::int32_t index, std::uint8_t value) {
  if (index < 1 || index > count_) throw EIndexOutOfBounds();
  data_.get()[index - 1] = value;
}

TByteArray2D::TByteArray2D(std::int32_t col_count, std::int32_t row_count)
    : data_(CheckedProduct(col_count, row_count)), col_count_(col_count), row_count_(row_count) {}

std::size_t TByteArray2D::RowOffset(std::int32_t row) const {
  if (row < 1 || row > row_count_) throw EIndexOutOfBounds();
  return static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(col_count_);
}

std::span<const std::uint8_t> TByteArray2D::Row(std::int32_t row) const {
  return data_.Bytes().subspan(RowOffset(row), static_cast<std::size_t>(col_count_));
}

std::unique_ptr<TBigByteArray> TByteArray2D::GetRow(std::int32_t row) const {
  const std::span<const std::uint8_t> source = Row(row);
  auto copy = std::make_unique<TBigByteArray>(col_count_);
  if (!source.empty()) std::memcpy(copy->Data(), source.data(), source.size());
  return copy;
}

void TByteArray2D::SetRow(std::int32_t row, const TBigByteArray& values) { SetRow(row, values.Bytes()); }

void TByteArray2D::SetRow(std::int32_t row, std::span<const std::uint8_t> values) {
  const std::size_t offset = RowOffset(row);
  if (values.size() != static_cast<std::size_t>(col_count_))
    throw Exception("Row doesn't have equal number of elements as Matrix row");
  if (col_count_ != 0) std::memcpy(data_.Data() + offset, values.data(), static_cast<std::size_t>(col_count_));
}

}  // namespace gd
