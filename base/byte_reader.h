#pragma once
// Bounds-checked access to raw bytes. Every multi-byte number the program
// reads from or writes to a file goes through here, so bounds and byte order
// are decided in one place. The formats are little-endian but for PNG, whose
// numbers are big-endian: the reader takes both, the writer writes
// little-endian only.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <vector>

namespace gd {

class ShortRead : public std::out_of_range {
 public:
  ShortRead() : std::out_of_range("read past the end of the data") {}
};

// Reads from a fixed span, little-endian unless a name ends in Be; a read
// that the span cannot satisfy in full throws ShortRead and leaves the
// position where it was.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes, std::size_t position = 0)
      : bytes_(bytes), pos_(position <= bytes.size() ? position : bytes.size()) {}

  std::size_t size() const { return bytes_.size(); }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return bytes_.size() - pos_; }
  bool Has(std::size_t n) const { return n <= remaining(); }
  void Seek(std::size_t position) {
    if (position > bytes_.size()) throw ShortRead();
    pos_ = position;
  }
  void Skip(std::size_t n) { Seek(Checked(n) + n); }

  std::uint8_t U8() { return Take(1)[0]; }
  std::uint16_t U16() { auto b = Take(2); return Le16(b.data()); }
  std::uint32_t U32() { auto b = Take(4); return Le32(b.data()); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  // PNG's numbers are big-endian.
  std::uint32_t U32Be() { auto b = Take(4); return Be32(b.data()); }
  std::span<const std::uint8_t> Bytes(std::size_t n) { return Take(n); }

  static std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
  }
  static std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  }
  static std::uint32_t Be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
  }

 private:
  std::size_t Checked(std::size_t n) const {
    if (!Has(n)) throw ShortRead();
    return pos_;
  }
  std::span<const std::uint8_t> Take(std::size_t n) {
    std::size_t at = Checked(n);
    pos_ += n;
    return bytes_.subspan(at, n);
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t pos_;
};

// Appends little-endian numbers to a growing byte vector.
class LeWriter {
 public:
  explicit LeWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void U8(std::uint8_t v) { out_.push_back(v); }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  void Bytes(std::span<const std::uint8_t> b) { out_.insert(out_.end(), b.begin(), b.end()); }

 private:
  std::vector<std::uint8_t>& out_;
};

}  // namespace gd
