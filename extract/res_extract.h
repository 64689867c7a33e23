#pragma once
// The extraction engine: runs over a list of files or a folder tree, finds the
// images in each file and writes them into the save folder.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "extract/file_system.h"
#include "extract/host.h"
#include "extract/image_log.h"
#include "extract/image_search.h"
#include "extract/png_encoder.h"
#include "extract/sha256.h"
#include "extract/window_reader.h"
#include "extract/write_queue.h"

namespace gd {

// What a run leaves out.
enum ExcludeFlag : std::uint8_t {
  kNoIcoFile = 1,  // files whose extension begins with "ico"
  kNoCurFile = 2,  // files whose extension begins with "cur"
  kNoIcoRes = 4,   // icon-shaped images
  kNoCurRes = 8,   // cursor-shaped images
};

// At most this many images are considered per source file, unless every
// image is asked for.
inline constexpr std::size_t kMaxImagesPerFile = 1000;

// Sources larger than this report how far through them a run is.
inline constexpr std::uint64_t kFileProgressThreshold = std::uint64_t{64} << 20;

enum class OutputFormat { kBmp, kPng };

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
  // Files and folders mixed, each in the order given, folders walked whole;
  // Cancel is asked for before each source after the first and inside
  // folders.
  int ExtractFromSources(const std::vector<std::string>& sources);

  // True when SaveDir names an existing folder; otherwise tells the user.
  bool CheckSaveDir();

  void SetSaveDir(std::string path) { save_dir_ = std::move(path); }
  void SetExcludeFlags(std::uint8_t flags) { exclude_flags_ = flags; }
  void SetDeleteFirst(bool flag) { delete_first_ = flag; }
  const std::string& SaveDir() const { return save_dir_; }
  std::uint8_t ExcludeFlags() const { return exclude_flags_; }
  bool DeleteFirst() const { return delete_first_; }
  int ImageCount() const { return image_count_; }

  // Beyond the standard run: every image a file holds (PNG and GIF too, icons
  // measured as icons, no limit per file), bitmaps written as PNG with their
  // transparency (the encoder must then be set), no picture written twice in
  // a run, and a log of each image written.
  void SetAllImages(bool flag) { all_images_ = flag; }
  void SetOutputFormat(OutputFormat format) { format_ = format; }
  void SetPngEncoder(PngEncoder* encoder) { png_encoder_ = encoder; }
  void SetUnique(bool flag) { unique_ = flag; }
  void SetImageLog(ImageLog* log) { image_log_ = log; }
  void SetFileProgress(FileProgressSink* sink) { file_progress_ = sink; }
  // How sources are read: window size and read-ahead. For tests and
  // measurements; the defaults suit every run.
  void SetReadOptions(WindowReader::Options options) { read_options_ = options; }

  // The steps of a run, callable on their own.
  void ScanFolder(const std::string& folder);
  void ExtractFromFile(const std::string& path);
  void DeleteSavedBitmaps(const std::string& folder);
  void SaveImage(std::span<const std::uint8_t> data, std::size_t offset, const std::string& file_name);

 private:
  bool BeginRun();
  void WriteImage(ByteSource& source, const std::string& path, const FoundImage& image, std::size_t index);
  // Runs a run's body; a file that cannot be written is told with the
  // number of images written before it.
  void TellingWrittenBefore(const std::function<void()>& run);
  // Counts a file the write queue has written, and tells the user and the log.
  void Written(const WrittenImage& image);

  FileSystem& fs_;
  StatusSink& status_;
  ProgressSink& progress_;
  MessageSink& messages_;

  std::uint8_t exclude_flags_ = 0;
  int image_count_ = 0;
  bool delete_first_ = false;
  std::string save_dir_;

  bool all_images_ = false;
  OutputFormat format_ = OutputFormat::kBmp;
  PngEncoder* png_encoder_ = nullptr;
  bool unique_ = false;
  ImageLog* image_log_ = nullptr;
  FileProgressSink* file_progress_ = nullptr;
  WindowReader::Options read_options_;
  // Inside a folder walk, Cancel is also asked for between the windows of a
  // large file.
  bool poll_between_windows_ = false;
  // Output files are written behind the search; a source's files are all
  // written, and counted, before the next source is started.
  WriteQueue writes_{fs_, std::size_t{16} << 20};
  const WriteQueue::Collector collect_written_ = [this](const WrittenImage& image) { Written(image); };
  // The pictures written in this run, for SetUnique.
  std::set<Sha256Digest> written_pictures_;
};

}  // namespace gd
