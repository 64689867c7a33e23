#pragma once
// The exception classes that the GIF codec and its framework layer raise. Their
// messages are shown to the user as they are, so they are fixed texts.

#include <cstddef>
#include <stdexcept>
#include <string>

namespace gd {

// Root of the codec's exceptions; Message() is the text the user sees.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// The text both list classes use for a bad index; the index is 0-based.
std::string ListIndexMessage(std::ptrdiff_t index);

class EListError : public Exception {
 public:
  explicit EListError(std::ptrdiff_t index) : Exception(ListIndexMessage(index)) {}
};

class EStringListError : public Exception {
 public:
  explicit EStringListError(std::ptrdiff_t index) : Exception(ListIndexMessage(index)) {}
};

// A file that cannot be opened for reading or created for writing.
class EFOpenError : public Exception {
 public:
  explicit EFOpenError(const std::string& path) : Exception("Cannot open file \"" + path + "\"") {}
};

class EFCreateError : public Exception {
 public:
  explicit EFCreateError(const std::string& path)
      : Exception("Cannot create file \"" + path + "\"") {}
};

// A memory stream that cannot grow to the size a write or SetSize asks for.
class EMemoryStreamError : public Exception {
 public:
  EMemoryStreamError() : Exception("Out of memory while expanding memory stream") {}
};

// A picture that cannot be loaded: unknown extension or malformed bitmap.
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace gd
