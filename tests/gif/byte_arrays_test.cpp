#include "gif/byte_arrays.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace gd {
namespace {

constexpr const char* kOutOfBounds = "Dynamic array index out of bounds";
constexpr const char* kRowLength = "Row doesn't have equal number of elements as Matrix row";
constexpr const char* kNoMemory = "Not enough contiguous memory available";

template <class E, class F>
void ExpectThrowWith(F f, const char* message) {
  try {
    f();
    ADD_FAILURE() << "no exception; expected: " << message;
  } catch (const E& e) {
    EXPECT_STREQ(e.what(), message);
  }
}

TEST(BigByteArray, EmptyArrayHasNoStorageAndNoValidIndex) {
  TBigByteArray a(0);
  EXPECT_EQ(a.Count(), 0);
  EXPECT_EQ(a.Data(), nullptr);
  ExpectThrowWith<EIndexOutOfBounds>([&] { a.SetItem(1, 7); }, kOutOfBounds);
}

TEST(BigByteArray, IndicesAreOneBasedAndChecked) {
  TBigByteArray a(3);
  a.SetItem(1, 10);
  a.SetItem(3, 30);
  EXPECT_EQ(a.Data()[0], 10);
  EXPECT_EQ(a.Data()[2], 30);
  for (std::int32_t bad : {0, 4, -1, std::numeric_limits<std::int32_t>::min()})
    ExpectThrowWith<EIndexOutOfBounds>([&] { a.SetItem(bad, 99); }, kOutOfBounds);
  EXPECT_EQ(a.Data()[0], 10);  // a failed store changes nothing
  EXPECT_EQ(a.Data()[2], 30);
}

TEST(BigByteArray, CountsThatCannotBeHeldRaiseNotEnoughMemory) {
  // A negative count must not turn into a huge unsigned allocation.
  for (std::int32_t bad : {-1, std::numeric_limits<std::int32_t>::min()})
    ExpectThrowWith<ENotEnoughMemory>([&] { TBigByteArray a(bad); }, kNoMemory);
}

TEST(ByteArray2D, EmptyMatrixIsValid) {
  TByteArray2D m(0, 0);
  EXPECT_EQ(m.ColCount(), 0);
  EXPECT_EQ(m.RowCount(), 0);
}

TEST(ByteArray2D, SetRowChecksRowIndexBeforeLength) {
  TByteArray2D m(5, 3);
  TBigByteArray right(5);
  TBigByteArray wrong(4);
  struct Case {
    std::int32_t row;
    const TBigByteArray* values;
    bool index_error;
  };
  const Case cases[] = {{4, &right, true}, {0, &wrong, true}, {-3, &right, true},
                        {2, &wrong, false}, {4, &wrong, true}};
  for (const Case& c : cases) {
    if (c.index_error)
      ExpectThrowWith<EIndexOutOfBounds>([&] { m.SetRow(c.row, *c.values); }, kOutOfBounds);
    else
      ExpectThrowWith<Exception>([&] { m.SetRow(c.row, *c.values); }, kRowLength);
  }
}

TEST(ByteArray2D, RowsAreStoredOneAfterAnother) {
  TByteArray2D m(2, 3);
  TBigByteArray row(2);
  for (std::int32_t r = 1; r <= 3; ++r) {
    row.SetItem(1, static_cast<std::uint8_t>(10 * r));
    row.SetItem(2, static_cast<std::uint8_t>(10 * r + 1));
    m.SetRow(r, row);
  }
  const std::uint8_t expected[] = {10, 11, 20, 21, 30, 31};
  EXPECT_EQ(std::memcmp(m.Data().Data(), expected, 6), 0);

  auto copy = m.GetRow(2);
  ASSERT_EQ(copy->Count(), 2);
  EXPECT_EQ(copy->Data()[0], 20);
  EXPECT_EQ(copy->Data()[1], 21);
  copy->SetItem(1, 99);  // the copy is the caller's own
  EXPECT_EQ(m.Data().Data()[2], 20);
  EXPECT_THROW(m.GetRow(0), EIndexOutOfBounds);
  EXPECT_THROW(m.GetRow(4), EIndexOutOfBounds);
}

TEST(ByteArray2D, SizesBeyondThirtyTwoBitsRaiseNotEnoughMemory) {
  // 65535 × 65535 wraps a 32-bit product; it must be refused, not allocated
  // at the wrapped size.
  struct Case {
    std::int32_t cols, rows;
  };
  const Case cases[] = {{65535, 65535}, {65536, 32768}, {std::numeric_limits<std::int32_t>::max(), 2},
                        {-1, -1},       {-1, 5},        {0, -5}};
  for (const Case& c : cases)
    ExpectThrowWith<ENotEnoughMemory>([&] { TByteArray2D m(c.cols, c.rows); }, kNoMemory);
}

}  // namespace
}  // namespace gd
