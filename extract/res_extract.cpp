#include "extract/res_extract.h"

#include "extract/messages.h"
#include "extract/path_util.h"
#include "extract/scanner.h"
#include "extract/writer.h"

namespace gd {

namespace {

bool IsBitmapFileExtension(std::string_view ext) {
  return StartsWithNoCase(ext, "BMP") || StartsWithNoCase(ext, "DIB");
}

}  // namespace

TResExtract::TResExtract(FileSystem& fs, StatusSink& status, ProgressSink& progress, MessageSink& messages)
    : fs_(fs), status_(status), progress_(progress), messages_(messages) {}

bool TResExtract::CheckSaveDir() {
  if (fs_.FolderExists(save_dir_)) return true;
  messages_.ShowMessage(MissingSaveDirMessage(save_dir_));
  return false;
}

void TResExtract::BeginRun() {
  image_count_ = 0;
  if (delete_first_) DeleteSavedBitmaps(save_dir_);
}

int TResExtract::ExtractFromFiles(const std::vector<std::string>& files) {
  if (!CheckSaveDir()) return 0;
  BeginRun();
  for (const std::string& file : files) ExtractFromFile(file);
  return image_count_;
}

int TResExtract::ExtractFromFolder(const std::string& folder) {
  if (!CheckSaveDir()) return 0;
  BeginRun();
  ScanFolder(AddBackslash(folder));
  return image_count_;
}

void TResExtract::ScanFolder(const std::string& folder) {
  // The save folder is never searched, so a run never reads its own output.
  if (SameFolderPath(folder, save_dir_)) return;
  const std::unique_ptr<FolderListing> listing = fs_.ListFolder(folder);
  if (!listing) return;
  DirEntry entry;
  while (listing->Next(entry)) {
    if (progress_.IsCancelled()) break;  // the file in hand was finished first
    if (entry.name == "." || entry.name == "..") continue;
    switch (entry.kind) {
      case EntryKind::kFolder:
        ScanFolder(folder + entry.name + kPathSeparator);
        break;
      case EntryKind::kFile:
        ExtractFromFile(folder + entry.name);
        break;
      case EntryKind::kLinkedFolder:  // following links could walk for ever
      case EntryKind::kOther:
        break;
    }
  }
}

void TResExtract::ExtractFromFile(const std::string& path) {
  const std::string ext = ExtensionOf(path);
  if (IsBitmapFileExtension(ext)) return;
  if ((exclude_flags_ & kNoIcoFile) && StartsWithNoCase(ext, "ICO")) return;
  if ((exclude_flags_ & kNoCurFile) && StartsWithNoCase(ext, "CUR")) return;

  status_.ShowStatus(path);
  const std::optional<FileBytes> file = fs_.LoadFile(path);
  if (!file) return;  // cannot be opened: passed over without a word
  const std::span<const std::uint8_t> data = file->bytes();

  const std::vector<std::size_t> headers = FindImages(data, kMaxImagesPerFile);
  for (std::size_t i = 0; i < headers.size(); ++i) {
    const BitmapInfoHeader h = ParseInfoHeader(data.subspan(headers[i]));
    if ((exclude_flags_ & kNoCurRes) && IsCursorShape(h)) continue;
    if ((exclude_flags_ & kNoIcoRes) && IsIconShape(h)) continue;
    // save_dir_ is read afresh: it may change while a folder walk lets the
    // user interface run.
    const std::string name = OutputName(save_dir_, path, i);
    if (fs_.FileExists(name)) continue;
    SaveImage(data, headers[i], name);
  }
}

void TResExtract::SaveImage(std::span<const std::uint8_t> data, std::size_t offset, const std::string& file_name) {
  fs_.WriteNewFile(file_name, BuildBitmapFile(data, offset));
  ++image_count_;
  progress_.SetCount(image_count_);
}

void TResExtract::DeleteSavedBitmaps(const std::string& folder) {
  const std::unique_ptr<FolderListing> listing = fs_.ListFolder(folder);
  if (!listing) return;
  DirEntry entry;
  while (listing->Next(entry)) {
    if (entry.kind != EntryKind::kFile || entry.hidden || entry.system) continue;
    const std::string_view name = entry.name;
    if (name.size() < 4 || !EqualsNoCase(name.substr(name.size() - 4), ".bmp")) continue;
    fs_.DeleteFile(folder + entry.name);  // one that cannot go stays, silently
  }
}

}  // namespace gd
