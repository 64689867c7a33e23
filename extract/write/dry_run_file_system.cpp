#include "extract/write/dry_run_file_system.h"

namespace gd {

namespace {

// A folder path with its final separator, so that "a/" and "a" are one folder.
std::string FolderKey(const std::string& path) {
  if (path.empty() || path.back() == kPathSeparator) return path;
  return path + kPathSeparator;
}

}  // namespace

std::unique_ptr<FolderListing> DryRunFileSystem::ListFolder(const std::string& folder) {
  return real_.ListFolder(folder);
}

std::unique_ptr<ByteSource> DryRunFileSystem::OpenFile(const std::string& path) { return real_.OpenFile(path); }

void DryRunFileSystem::WriteNewFile(const std::string& path, std::span<const std::uint8_t> /*bytes*/) {
  const std::lock_guard lock(mutex_);
  written_.insert(path);
  deleted_.erase(path);
}

bool DryRunFileSystem::FileExists(const std::string& path) {
  {
    const std::lock_guard lock(mutex_);
    if (written_.contains(path)) return true;
    if (deleted_.contains(path)) return false;
  }
  return real_.FileExists(path);
}

bool DryRunFileSystem::NameTaken(const std::string& path) {
  {
    const std::lock_guard lock(mutex_);
    if (written_.contains(path)) return true;
    if (deleted_.contains(path)) return false;
  }
  return real_.NameTaken(path);
}

bool DryRunFileSystem::FolderExists(const std::string& path) {
  {
    const std::lock_guard lock(mutex_);
    if (created_folders_.contains(FolderKey(path))) return true;
  }
  return real_.FolderExists(path);
}

bool DryRunFileSystem::DeleteFile(const std::string& path) {
  if (!FileExists(path)) return false;
  const std::lock_guard lock(mutex_);
  written_.erase(path);
  deleted_.insert(path);
  return true;
}

bool DryRunFileSystem::CreateFolders(const std::string& path) {
  if (path.empty()) return false;
  if (real_.FolderExists(path)) return true;
  // A file standing where the folder would go makes the real creation fail.
  if (real_.FileExists(path)) return false;
  const std::lock_guard lock(mutex_);
  created_folders_.insert(FolderKey(path));
  return true;
}

std::string DryRunFileSystem::AbsolutePath(const std::string& path) { return real_.AbsolutePath(path); }

}  // namespace gd
