#pragma once
// The extraction engine: runs over a list of files or a folder tree, finds the
// images in each file and writes them into the save folder.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "extract/find/image_search.h"
#include "extract/run/run_options.h"
#include "extract/run/ui_sinks.h"
#include "extract/source/read_ahead.h"
#include "extract/write/write_queue.h"
#include "platform/byte_source.h"
#include "platform/file_system.h"
#include "platform/sha256.h"

namespace gd {

// At most this many images are considered per source file, unless every
// image is asked for.
inline constexpr std::size_t kMaxImagesPerFile = 1000;

// How many files after the one in hand are opened and read ahead.
inline constexpr std::size_t kFilesAhead = 3;

// Sources larger than this report how far through them a run is.
inline constexpr std::uint64_t kFileProgressThreshold = std::uint64_t{64} << 20;

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

  // The whole configuration of the runs that follow.
  void SetOptions(RunOptions options) { options_ = std::move(options); }
  const RunOptions& Options() const { return options_; }

  // The three settings the main window changes on their own (the save
  // folder from its ... button), under their own names.
  void SetSaveDir(std::string path) { options_.save_dir = std::move(path); }
  void SetExcludeFlags(std::uint8_t flags) { options_.exclude_flags = flags; }
  void SetDeleteFirst(bool flag) { options_.delete_first = flag; }
  const std::string& SaveDir() const { return options_.save_dir; }
  std::uint8_t ExcludeFlags() const { return options_.exclude_flags; }
  bool DeleteFirst() const { return options_.delete_first; }
  int ImageCount() const { return image_count_; }

  // The steps of a run, callable on their own.
  void ScanFolder(const std::string& folder);
  void ExtractFromFile(const std::string& path);
  void DeleteSavedBitmaps(const std::string& folder);
  void SaveImage(std::span<const std::uint8_t> data, std::size_t offset, const std::string& file_name);

 private:
  // A file opened for the search, its reader's first window perhaps being
  // read already; file is null when it could not be opened, or is passed
  // over by name.
  struct OpenSource {
    std::string path;
    std::shared_ptr<ByteSource> file;  // shared with the copies queued from it
    std::unique_ptr<WindowReader> reader;
  };

  bool BeginRun();
  // ScanFolder, inside a run.
  void ScanFolderTree(const std::string& folder);
  // Whether the run passes the file over for its extension.
  bool SkipsByName(const std::string& path) const;
  std::unique_ptr<OpenSource> Open(const std::string& path);
  // ExtractFromFile, with the files that come after it (the first
  // kFilesAhead of them are opened, and their first windows read, while it
  // is searched).
  void ExtractFromFile(const std::string& path, std::span<const std::string> then);
  // source reads file through the search's windows; file itself may be
  // read from the write queue's thread.
  void WriteImage(const std::shared_ptr<ByteSource>& file, WindowReader& source, const std::string& path,
                  const FoundImage& image, std::size_t index);
  // Runs a run's body; a file that cannot be written is told with the
  // number of images written before it.
  void TellingWrittenBefore(const std::function<void()>& run);
  // Runs body, and then writes and counts every file it queued, unless it
  // is part of a run that does so at its end.
  void WritingAll(const std::function<void()>& body);
  // Counts a file the write queue has written, and tells the user and the log.
  void Written(const WrittenImage& image);

  FileSystem& fs_;
  StatusSink& status_;
  ProgressSink& progress_;
  MessageSink& messages_;

  RunOptions options_;
  int image_count_ = 0;
  // Inside a folder walk, Cancel is also asked for between the windows of a
  // large file.
  bool poll_between_windows_ = false;
  // Output files are written behind the search, across sources: waiting for
  // a source's last file before searching the next would leave one thread
  // idle for each source. With unique pictures a source's files are written
  // first, so that the names they take are seen before a picture is known.
  WriteQueue writes_{fs_, std::size_t{16} << 20};
  bool in_run_ = false;  // inside WritingAll
  // Reads the next window of a large source while one is searched.
  ReadAhead read_ahead_;
  // The files searched next, in order, opened early: small files go by
  // faster than one can be handed from thread to thread.
  std::deque<std::unique_ptr<OpenSource>> prepared_;
  const WriteQueue::Collector collect_written_ = [this](const WrittenImage& image) { Written(image); };
  // The pictures written in this run, for SetUnique.
  std::set<Sha256Digest> written_pictures_;
};

}  // namespace gd
