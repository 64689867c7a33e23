#pragma once
// Failures that end a run. Their texts are what the user is shown.
//
// Who throws what, and who answers "none":
// - base/: ShortRead (a std::out_of_range) when a record or number is read
//   past the end of the bytes in hand: a caller's fault or a cut-off record,
//   never shown to the user.
// - platform/: the file services throw ReadError, WriteError and
//   CreateFileError, and for a run's outputs OutputWriteError
//   (base/write_failure.h), which the run words with its count; a name
//   already taken is no failure, the output is just not written. The PNG
//   encoders throw PngEncodeError; every service turns a
//   failed allocation into OutOfMemoryError (WithOutOfMemory below). A file or
//   folder that cannot be opened or listed is not a failure: the service
//   returns nullptr and the run passes it over silently.
// - extract/: the search answers "none" (std::nullopt) for bytes that are no
//   image; a measure that does not describe a picture is std::nullopt too.
//   Reading the source may throw ReadError and OutOfMemoryError, which end the
//   run. The GIF codec's own exceptions (gif/framework/exception.h, English
//   texts) never leave the engine: the GIF carver takes any of them to mean
//   "not a GIF" and answers none.
// - Front ends: the command-line tool shows an ExtractError's text and exits
//   with status 3; the Windows program shows it in a message box and goes on.

#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace gd {

class ExtractError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class OutOfMemoryError : public ExtractError {
 public:
  OutOfMemoryError() : ExtractError("メモリストリームの拡大中にメモリが足りなくなりました") {}
};

class ReadError : public ExtractError {
 public:
  ReadError() : ExtractError("ストリームからの読み込みエラー") {}
};

class WriteError : public ExtractError {
 public:
  WriteError() : ExtractError("ストリームへの書き込みエラー") {}
};

class CreateFileError : public ExtractError {
 public:
  explicit CreateFileError(const std::string& path)
      : ExtractError("ファイル " + path + " を作成できません"), path_(path) {}
  // For front ends that tell the failure in another language.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Runs allocate(), turning a failed or impossible allocation into
// OutOfMemoryError.
template <class Allocate>
decltype(auto) WithOutOfMemory(Allocate&& allocate) {
  try {
    return std::forward<Allocate>(allocate)();
  } catch (const std::bad_alloc&) {
    throw OutOfMemoryError();
  } catch (const std::length_error&) {
    throw OutOfMemoryError();
  }
}

}  // namespace gd
