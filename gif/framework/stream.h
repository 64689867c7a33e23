#pragma once
// Byte streams with a position, as the codec reads them: a read delivers what
// is there (possibly less than asked, never an error) and leaves the rest of
// the caller's buffer untouched.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gif/framework/big_block.h"

namespace gd {

class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Copies up to buffer.size() bytes from the position on and advances past
  // them; returns how many came.
  virtual std::size_t Read(std::span<std::uint8_t> buffer) = 0;
  // Writes all of bytes at the position, growing the stream as needed; a
  // memory stream that cannot grow raises EMemoryStreamError.
  virtual void Write(std::span<const std::uint8_t> bytes) = 0;
  virtual std::size_t Size() const = 0;
  virtual std::size_t Position() const = 0;
  // A position beyond the end is allowed; reads there deliver nothing.
  virtual void SetPosition(std::size_t position) = 0;

  // Reads one byte into value; false (value unchanged) at the end.
  bool ReadByte(std::uint8_t& value);
};

// A stream held wholly in memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(ByteVector bytes) : bytes_(std::move(bytes)) {}
  explicit TMemoryStream(std::span<const std::uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}
  explicit TMemoryStream(const std::vector<std::uint8_t>& bytes) : TMemoryStream(std::span(bytes)) {}

  std::size_t Read(std::span<std::uint8_t> buffer) override;
  void Write(std::span<const std::uint8_t> bytes) override;
  std::size_t Size() const override { return bytes_.size(); }
  std::size_t Position() const override { return position_; }
  void SetPosition(std::size_t position) override { position_ = position; }

  // Grows or shrinks the stream; new bytes are 0. The position is kept. A
  // size that cannot be had raises EMemoryStreamError.
  void SetSize(std::size_t size);
  std::span<std::uint8_t> Memory() { return bytes_; }
  std::span<const std::uint8_t> Memory() const { return bytes_; }
  void Clear();
  // Hands over the bytes, leaving the stream empty at position 0.
  ByteVector Release();

  // Whole-file load and save; paths are UTF-8. Failures raise EFOpenError
  // and EFCreateError (WriteFileBytes below).
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;

 private:
  ByteVector bytes_;
  std::size_t position_ = 0;
};

// Writes bytes as the whole file at path (UTF-8), replacing it; a file that
// cannot be written raises EFCreateError and is removed.
void WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace gd
