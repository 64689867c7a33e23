#pragma once
// Bounds-checked byte containers of the GIF codec: a 1-based byte array and a
// row-major byte matrix accessed a row at a time.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "gif/framework/big_block.h"
#include "gif/framework/exception.h"

namespace gd {

class EIndexOutOfBounds : public Exception {
 public:
  EIndexOutOfBounds() : Exception("Dynamic array index out of bounds") {}
};

class ENotEnoughMemory : public Exception {
 public:
  ENotEnoughMemory() : Exception("Not enough contiguous memory available") {}
};

class TBigByteArray {
 public:
  // Allocates count bytes, cleared to 0. A count that cannot be held
  // (negative, or memory refused) raises ENotEnoughMemory; 0 allocates
  // nothing.
  explicit TBigByteArray(std::int32_t count);
  TBigByteArray(const TBigByteArray&) = delete;
  TBigByteArray& operator=(const TBigByteArray&) = delete;

  std::int32_t Count() const { return count_; }
  std::uint8_t* Data() { return data_.get(); }
  const std::uint8_t* Data() const { return data_.get(); }
  std::span<std::uint8_t> Bytes() { return {data_.get(), Size()}; }
  std::span<const std::uint8_t> Bytes() const { return {data_.get(), Size()}; }

  // 1-based; an index outside 1 to Count raises EIndexOutOfBounds.
  void SetItem(std::int32_t index, std::uint8_t value);

  // The storage reaches kSlack bytes beyond Count so that decoders may copy in
  // whole words past the last byte; those bytes belong to nobody.
  static constexpr std::size_t kSlack = 16;

 private:
  std::size_t Size() const { return static_cast<std::size_t>(count_); }
  struct Free {
    std::size_t size;
    void operator()(std::uint8_t* p) const { FreeBigBlock(p, size); }
  };
  std::unique_ptr<std::uint8_t, Free> data_{nullptr, Free{0}};
  std::int32_t count_ = 0;
};

class TByteArray2D {
 public:
  // col_count × row_count bytes, cleared to 0. A product that does not fit a
  // TBigByteArray (or a negative count) raises ENotEnoughMemory.
  TByteArray2D(std::int32_t col_count, std::int32_t row_count);

  std::int32_t ColCount() const { return col_count_; }
  std::int32_t RowCount() const { return row_count_; }
  TBigByteArray& Data() { return data_; }
  const TBigByteArray& Data() const { return data_; }

  // A new array holding a copy of row (1-based); a row outside 1 to
  // RowCount raises EIndexOutOfBounds.
  std::unique_ptr<TBigByteArray> GetRow(std::int32_t row) const;
  // Overwrites row (1-based) with values: EIndexOutOfBounds for a bad row
  // first, then the plain Exception when values is not ColCount long.
  void SetRow(std::int32_t row, const TBigByteArray& values);
  // The same for bytes held elsewhere.
  void SetRow(std::int32_t row, std::span<const std::uint8_t> values);
  // Read access to row (1-based) without a copy; checked like GetRow.
  std::span<const std::uint8_t> Row(std::int32_t row) const;

 private:
  std::size_t RowOffset(std::int32_t row) const;

  TBigByteArray data_;
  std::int32_t col_count_;
  std::int32_t row_count_;
};

}  // namespace gd
