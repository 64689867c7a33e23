#pragma once
// The file services the engine needs, one thin interface with a POSIX and a
// Win32 implementation. Paths are UTF-8; a folder path ends in kPathSeparator.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace gd {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
// Windows file names ignore the case of letters; the save-folder skip follows.
inline constexpr bool kPathsIgnoreCase = true;
#else
inline constexpr char kPathSeparator = '/';
inline constexpr bool kPathsIgnoreCase = false;
#endif

enum class EntryKind {
  kFile,
  kFolder,
  kLinkedFolder,  // symbolic link or junction to a folder: never walked into
  kOther,         // device, pipe, socket: never opened
};

struct DirEntry {
  std::string name;
  EntryKind kind = EntryKind::kFile;
  bool hidden = false;  // on POSIX: the name begins with "."
  bool system = false;  // never set on POSIX
};

class FolderListing {
 public:
  virtual ~FolderListing() = default;
  // The next entry, "." and ".." included; false at the end.
  virtual bool Next(DirEntry& entry) = 0;
};

// A whole file held in memory. Its storage is released (or handed back for
// the next load) with it.
class FileBytes {
 public:
  class Storage {
   public:
    virtual ~Storage() = default;
  };

  FileBytes() = default;
  FileBytes(std::uint8_t* data, std::size_t size, std::unique_ptr<Storage> storage)
      : data_(data), size_(size), storage_(std::move(storage)) {}

  std::uint8_t* data() { return data_; }  // for the loader to fill
  std::span<const std::uint8_t> bytes() const { return {data_, size_}; }
  std::size_t size() const { return size_; }

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::unique_ptr<Storage> storage_;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Entries of a folder (path ending in the separator), in the file system's
  // order; nullptr when it cannot be enumerated.
  virtual std::unique_ptr<FolderListing> ListFolder(const std::string& folder) = 0;

  // The whole file, opened so that others may read it but not write it.
  // nullopt when it cannot be opened (missing, locked, denied, not a regular
  // file). Throws ReadError on a short read, OutOfMemoryError when it does not
  // fit in memory.
  virtual std::optional<FileBytes> LoadFile(const std::string& path) = 0;

  // Creates (or replaces) the file and writes all bytes in one piece. Throws
  // CreateFileError or WriteError; a partly written file is removed.
  virtual void WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) = 0;

  virtual bool FileExists(const std::string& path) = 0;    // a file, not a folder
  virtual bool FolderExists(const std::string& path) = 0;  // a folder, not a file
  virtual bool DeleteFile(const std::string& path) = 0;

  // Creates the folder with any missing parents; true when it exists after.
  virtual bool CreateFolders(const std::string& path) = 0;
  // The path made absolute against the current folder, with "." and ".."
  // resolved textually.
  virtual std::string AbsolutePath(const std::string& path) = 0;
};

// The platform's implementation.
std::unique_ptr<FileSystem> MakeNativeFileSystem();

}  // namespace gd
