#pragma once
// Failures that end a run. Their texts are what the user is shown.

#include <stdexcept>
#include <string>

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

}  // namespace gd
