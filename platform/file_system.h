#pragma once
// The file services the engine needs, one thin interface with a POSIX and a
// Win32 implementation (platform/posix, platform/win32). Paths are UTF-8; a
// folder path ends in kPathSeparator.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/path_util.h"
#include "platform/byte_source.h"

namespace gd {

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

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Entries of a folder (path ending in the separator), in the file system's
  // order; nullptr when it cannot be enumerated.
  virtual std::unique_ptr<FolderListing> ListFolder(const std::string& folder) = 0;

  // The file opened for reading by position, so that others may read it
  // meanwhile but not write it. nullptr when it cannot be opened (missing,
  // locked, denied, not a regular file). Its size is fixed at opening; a read
  // that finds the file shorter, or fails, throws ReadError.
  virtual std::unique_ptr<ByteSource> OpenFile(const std::string& path) = 0;

  // Creates (or replaces) the file and writes all bytes in one piece. Throws
  // CreateFileError or WriteError; a partly written file is removed.
  virtual void WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) = 0;

  // Puts the bytes under path as a new file, whole or not at all: they are
  // written aside and given the name in one step that fails when the name
  // exists (how depends on the system). False when the name was taken
  // in any form (file, folder, link, dangling link), by then or meanwhile;
  // what bears it is left as it is, and nothing is written through a link.
  // Throws OutputWriteError, leaving nothing behind. The default is for
  // stand-ins in tests, which need no atomicity.
  virtual bool CreateNewFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (NameTaken(path)) return false;
    WriteNewFile(path, bytes);
    return true;
  }
  // CreateNewFile with length bytes of source from offset, which must lie in
  // it. The source may be read on another thread meanwhile; where the system
  // can, the bytes go from file to file without passing through this
  // process. Throws ReadError when the source cannot give them.
  virtual bool CreateNewFileFrom(const std::string& path, ByteSource& source, std::uint64_t offset,
                                 std::uint64_t length) {
    std::vector<std::uint8_t> bytes =
        WithOutOfMemory([&] { return std::vector<std::uint8_t>(static_cast<std::size_t>(length)); });
    if (source.ReadAt(offset, bytes) != bytes.size()) throw ReadError();
    return CreateNewFile(path, bytes);
  }
  // Replaces whatever bears the name (a link itself, never its target) with
  // the whole file in one step. Throws OutputWriteError, leaving nothing
  // behind.
  virtual void ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    WriteNewFile(path, bytes);
  }
  // True when anything bears the name; links are not followed.
  virtual bool NameTaken(const std::string& path) { return FileExists(path); }
  // Removes the temporary files that runs killed while writing left in the
  // folder: those older than this call that no run holds open any more.
  virtual void RemoveLeftovers(const std::string& /*folder*/) {}

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
