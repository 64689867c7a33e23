#pragma once
// Binary records described once. A record type lists its fields in file order
// in a static Fields(record, visit), which calls visit on each field; these
// templates turn any such record into its little-endian bytes and back, so a
// record's layout is never written out twice. Fields are unsigned or signed
// integers of 8, 16 or 32 bits and arrays of bytes or characters, packed
// without gaps.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "base/byte_reader.h"

namespace gd {

namespace record_detail {

template <class T>
constexpr std::size_t FieldSize(const T& field) {
  return sizeof(field);
}

template <class T>
void Put(std::uint8_t*& p, const T& field) {
  if constexpr (std::is_integral_v<T>) {
    using U = std::make_unsigned_t<T>;
    const auto v = static_cast<U>(field);
    for (std::size_t i = 0; i < sizeof(T); ++i) *p++ = static_cast<std::uint8_t>(v >> (8 * i));
  } else {
    static_assert(sizeof(typename T::value_type) == 1, "arrays of bytes or characters only");
    for (auto c : field) *p++ = static_cast<std::uint8_t>(c);
  }
}

template <class T>
void Get(ByteReader& r, T& field) {
  if constexpr (std::is_integral_v<T>) {
    using U = std::make_unsigned_t<T>;
    U v = 0;
    const auto bytes = r.Bytes(sizeof(T));
    for (std::size_t i = 0; i < sizeof(T); ++i) v = static_cast<U>(v | (static_cast<U>(bytes[i]) << (8 * i)));
    field = static_cast<T>(v);
  } else {
    static_assert(sizeof(typename T::value_type) == 1, "arrays of bytes or characters only");
    for (auto& c : field) c = static_cast<typename T::value_type>(r.U8());
  }
}

}  // namespace record_detail

// The number of bytes the record's fields take.
template <class Record>
constexpr std::size_t FieldBytes() {
  Record record{};
  std::size_t n = 0;
  Record::Fields(record, [&n](const auto& field) { n += record_detail::FieldSize(field); });
  return n;
}

template <class Record>
std::array<std::uint8_t, Record::kSize> RecordBytes(const Record& record) {
  static_assert(FieldBytes<Record>() == Record::kSize, "the fields do not add up to the record's size");
  std::array<std::uint8_t, Record::kSize> bytes{};
  std::uint8_t* p = bytes.data();
  Record::Fields(record, [&p](const auto& field) { record_detail::Put(p, field); });
  return bytes;
}

// Decodes the first Record::kSize bytes; throws ShortRead when fewer.
template <class Record>
void RecordFromBytes(std::span<const std::uint8_t> bytes, Record& record) {
  static_assert(FieldBytes<Record>() == Record::kSize, "the fields do not add up to the record's size");
  ByteReader r(bytes);
  if (!r.Has(Record::kSize)) throw ShortRead();
  Record::Fields(record, [&r](auto& field) { record_detail::Get(r, field); });
}

// The record decoded from the first Record::kSize bytes; throws ShortRead
// when fewer.
template <class Record>
Record RecordFrom(std::span<const std::uint8_t> bytes) {
  Record record{};
  RecordFromBytes(bytes, record);
  return record;
}

}  // namespace gd
