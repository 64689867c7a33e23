#pragma once
// File services for a run that only reports: everything is read from the real
// file system, nothing is written, created or deleted there. What the run
// would have written, created or deleted is remembered and answered as if it
// had happened, so that the run makes the same decisions (names taken, files
// left alone) as a writing run would.

#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/file_system.h"

namespace gd {

class DryRunFileSystem final : public FileSystem {
 public:
  explicit DryRunFileSystem(FileSystem& real) : real_(real) {}

  std::unique_ptr<FolderListing> ListFolder(const std::string& folder) override;
  std::unique_ptr<ByteSource> OpenFile(const std::string& path) override;
  void WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
  bool FileExists(const std::string& path) override;
  // As the real one (a folder or a link takes a name too), after what the
  // run has written or deleted.
  bool NameTaken(const std::string& path) override;
  // Nothing of a report-only run is left over, and others' files stay.
  void RemoveLeftovers(const std::string& /*folder*/) override {}
  bool FolderExists(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  bool CreateFolders(const std::string& path) override;
  std::string AbsolutePath(const std::string& path) override;

 private:
  FileSystem& real_;
  // Files are "written" on the write queue's thread and looked for on the
  // run's.
  std::mutex mutex_;
  std::set<std::string> written_;
  std::set<std::string> deleted_;
  std::set<std::string> created_folders_;
};

}  // namespace gd
