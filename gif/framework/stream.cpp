#include "gif/framework/stream.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <new>
#include <stdexcept>

#include "gif/framework/exception.h"

namespace gd {

namespace {

// Paths arrive as UTF-8; the file system wants them in its own encoding
// (UTF-16 on Windows).
std::filesystem::path PathFromUtf8(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

}  // namespace

bool TStream::ReadByte(std::uint8_t& value) {
  std::uint8_t byte = 0;
  if (Read(std::span<std::uint8_t>(&byte, 1)) != 1) return false;
  value = byte;
  return true;
}

std::size_t TMemoryStream::Read(std::span<std::uint8_t> buffer) {
  if (position_ >= bytes_.size()) return 0;
  const std::size_t n = std::min(buffer.size(), bytes_.size() - position_);
  if (n != 0) std::memcpy(buffer.data(), bytes_.data() + position_, n);
  position_ += n;
  return n;
}

void TMemoryStream::SetSize(std::size_t size) {
  try {
    bytes_.resize(size);
  } catch (const std::bad_alloc&) {
    throw EMemoryStreamError();
  } catch (const std::length_error&) {
    throw EMemoryStreamError();
  }
}

void TMemoryStream::Write(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  if (bytes.size() > std::numeric_limits<std::size_t>::max() - position_) throw EMemoryStreamError();
  const std::size_t end = position_ + bytes.size();
  if (end > bytes_.size()) SetSize(end);
  std::memcpy(bytes_.data() + position_, bytes.data(), bytes.size());
  position_ = end;
}

void TMemoryStream::Clear() {
  bytes_.clear();
  position_ = 0;
}

ByteVector TMemoryStream::Release() {
  ByteVector bytes = std::move(bytes_);
  bytes_ = ByteVector();
  position_ = 0;
  return bytes;
}

void TMemoryStream::LoadFromFile(const std::string& path) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary | std::ios::ate);
  if (!in) throw EFOpenError(path);
  ByteVector bytes;
  const std::streamoff size = in.tellg();
  if (size >= 0 && in.seekg(0)) {
    // One read into storage of the file's size.
    try {
      bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
      throw EMemoryStreamError();
    } catch (const std::length_error&) {
      throw EMemoryStreamError();
    }
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() != static_cast<std::streamsize>(bytes.size())) throw EFOpenError(path);
  } else {
    // Not a file with a size (a pipe, say): read until its end.
    in.clear();
    std::array<char, 65536> chunk;
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
      const auto got = static_cast<std::size_t>(in.gcount());
      bytes.insert(bytes.end(), chunk.data(), chunk.data() + got);
    }
    in.clear(in.rdstate() & std::ios::badbit);
  }
  if (in.bad()) throw EFOpenError(path);
  bytes_ = std::move(bytes);
  position_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& path) const { WriteFileBytes(path, bytes_); }

void WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::filesystem::path target = PathFromUtf8(path);
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (!out) throw EFCreateError(path);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    // A half-written file is worse than none.
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    throw EFCreateError(path);
  }
}

}  // namespace gd
