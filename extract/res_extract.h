#pragma once
// The extraction engine: runs over a list of files or a folder tree, finds the
// bitmaps in each file and writes them into the save folder.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "extract/file_system.h"
#include "extract/host.h"

namespace gd {

// What a run leaves out.
enum ExcludeFlag : std::uint8_t {
  kNoIcoFile = 1,  // files whose extension begins with "ico"
  kNoCurFile = 2,  // files whose extension begins with "cur"
  kNoIcoRes = 4,   // icon-shaped images
  kNoCurRes = 8,   // cursor-shaped images
};

// At most this many images are considered per source file.
inline constexpr std::size_t kMaxImagesPerFile = 1000;

class TResExtract {
 public:
  TResExtract(FileSystem& fs, StatusSink& status, ProgressSink& progress, MessageSink& messages);
  TResExtract(const TResExtract&) = delete;
  TResExtract& operator=(const TResExtract&) = delete;

  // Both runs return the number of images written; 0 when the save folder is
  // missing (the user has then been told). Failures other than a source file
  // that cannot be opened end the run as ExtractError.
  int ExtractFromFiles(const std::vector<std::string>& files);
  int ExtractFromFolder(const std::string& folder);

  // True when SaveDir names an existing folder; otherwise tells the user.
  bool CheckSaveDir();

  void SetSaveDir(std::string path) { save_dir_ = std::move(path); }
  void SetExcludeFlags(std::uint8_t flags) { exclude_flags_ = flags; }
  void SetDeleteFirst(bool flag) { delete_first_ = flag; }
  const std::string& SaveDir() const { return save_dir_; }
  std::uint8_t ExcludeFlags() const { return exclude_flags_; }
  bool DeleteFirst() const { return delete_first_; }
  int ImageCount() const { return image_count_; }

  // The steps of a run, callable on their own.
  void ScanFolder(const std::string& folder);
  void ExtractFromFile(const std::string& path);
  void DeleteSavedBitmaps(const std::string& folder);
  void SaveImage(std::span<const std::uint8_t> data, std::size_t offset, const std::string& file_name);

 private:
  void BeginRun();

  FileSystem& fs_;
  StatusSink& status_;
  ProgressSink& progress_;
  MessageSink& messages_;

  std::uint8_t exclude_flags_ = 0;
  int image_count_ = 0;
  bool delete_first_ = false;
  std::string save_dir_;
};

}  // namespace gd
