#include "extract/run/res_extract.h"

#include <algorithm>
#include <stdexcept>

#include "base/byte_reader.h"
#include "base/errors.h"
#include "base/path_util.h"
#include "base/write_failure.h"
#include "extract/dib/dib_pixels.h"
#include "extract/dib/dib_shape.h"
#include "extract/run/messages.h"
#include "extract/source/source_reading.h"
#include "extract/write/bitmap_file.h"
#include "extract/write/output_name.h"
#include "platform/sha256.h"

namespace gd {

namespace {

bool IsBitmapFileExtension(std::string_view ext) {
  return StartsWithNoCase(ext, "BMP") || StartsWithNoCase(ext, "DIB");
}

// Pixels beyond this many stay in a bitmap file: a header found by chance in
// a memory dump may measure gigabytes, and turning it into RGBA would take
// four times as much memory again.
constexpr std::uint64_t kMaxDecodedPixels = std::uint64_t{1} << 26;

// A picture's identity: its size and its pixels.
Sha256Digest PictureDigest(const RgbaImage& image) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(8 + image.rgba.size());
  LeWriter w(bytes);
  w.U32(image.width);
  w.U32(image.height);
  w.Bytes(image.rgba);
  return Sha256(bytes);
}

// Sets a flag for as long as it lives, and puts the old value back after.
class FlagScope {
 public:
  FlagScope(bool& flag, bool value) : flag_(flag), old_(flag) { flag_ = value; }
  ~FlagScope() { flag_ = old_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
  bool old_;
};

}  // namespace

TResExtract::TResExtract(FileSystem& fs, StatusSink& status, ProgressSink& progress, MessageSink& messages)
    : fs_(fs), status_(status), progress_(progress), messages_(messages) {}

bool TResExtract::CheckSaveDir() {
  if (fs_.FolderExists(options_.save_dir)) return true;
  messages_.ShowMessage(MissingSaveDirMessage(options_.save_dir));
  return false;
}

bool TResExtract::BeginRun() {
  if (!CheckSaveDir()) return false;
  image_count_ = 0;
  written_pictures_.clear();
  fs_.RemoveLeftovers(options_.save_dir);
  if (options_.delete_first) DeleteSavedBitmaps(options_.save_dir);
  return true;
}

int TResExtract::ExtractFromFiles(const std::vector<std::string>& files) {
  if (!BeginRun()) return 0;
  TellingWrittenBefore([&] {
    for (const std::string& file : files) ExtractFromFile(file);
  });
  return image_count_;
}

int TResExtract::ExtractFromFolder(const std::string& folder) {
  if (!BeginRun()) return 0;
  TellingWrittenBefore([&] { ScanFolderTree(AddBackslash(folder)); });
  return image_count_;
}

int TResExtract::ExtractFromSources(const std::vector<std::string>& sources) {
  if (!BeginRun()) return 0;
  const FlagScope polling(poll_between_windows_, true);
  TellingWrittenBefore([&] {
    for (std::size_t i = 0; i < sources.size(); ++i) {
      if (i > 0 && progress_.IsCancelled()) break;
      if (fs_.FolderExists(sources[i])) {
        ScanFolderTree(AddBackslash(sources[i]));
      } else {
        std::size_t files = 0;  // how many sources after this one are files
        while (files < kFilesAhead && i + 1 + files < sources.size() && !fs_.FolderExists(sources[i + 1 + files])) {
          ++files;
        }
        ExtractFromFile(sources[i], std::span(sources).subspan(i + 1, files));
      }
    }
  });
  return image_count_;
}

void TResExtract::ScanFolder(const std::string& folder) {
  WritingAll([&] { ScanFolderTree(folder); });
}

void TResExtract::ScanFolderTree(const std::string& folder) {
  // The save folder is never searched, so a run never reads its own output.
  // Whole paths are compared: comparing only a leading part would skip
  // unrelated folders that share it.
  if (SameFolderPath(folder, options_.save_dir)) return;
  const std::unique_ptr<FolderListing> listing = fs_.ListFolder(folder);
  if (!listing) return;
  const FlagScope polling(poll_between_windows_, true);
  // A few entries ahead, so that the next files can be read while one is
  // searched.
  std::deque<DirEntry> ahead;
  bool listed = false;
  const auto fill = [&] {
    while (!listed && ahead.size() <= kFilesAhead) {
      DirEntry e;
      if (listing->Next(e)) {
        ahead.push_back(std::move(e));
      } else {
        listed = true;
      }
    }
  };
  fill();
  std::vector<std::string> then;
  while (!ahead.empty()) {
    const DirEntry entry = std::move(ahead.front());
    ahead.pop_front();
    fill();
    if (progress_.IsCancelled()) break;  // the file in hand was finished first
    if (entry.name == "." || entry.name == "..") continue;
    switch (entry.kind) {
      case EntryKind::kFolder:
        ScanFolderTree(folder + entry.name + kPathSeparator);
        break;
      case EntryKind::kFile:
        then.clear();
        for (const DirEntry& e : ahead) {
          if (e.kind != EntryKind::kFile) break;
          then.push_back(folder + e.name);
        }
        ExtractFromFile(folder + entry.name, then);
        break;
      case EntryKind::kLinkedFolder:  // following links could walk for ever
      case EntryKind::kOther:
        break;
    }
  }
}

bool TResExtract::SkipsByName(const std::string& path) const {
  const std::string ext = ExtensionOf(path);
  if (IsBitmapFileExtension(ext)) return true;
  if ((options_.exclude_flags & kNoIcoFile) && StartsWithNoCase(ext, "ICO")) return true;
  return (options_.exclude_flags & kNoCurFile) && StartsWithNoCase(ext, "CUR");
}

std::unique_ptr<TResExtract::OpenSource> TResExtract::Open(const std::string& path) {
  auto source = std::make_unique<OpenSource>();
  source->path = path;
  source->file = fs_.OpenFile(path);
  if (!source->file) return source;
  const std::uint64_t size = source->file->Size();
  // Between windows of a large file: how far the run is, and (in a folder
  // walk) Cancel. A cancelled file keeps the images already written.
  WindowReader::Options read = options_.read;
  if (read.read_ahead == nullptr) read.read_ahead = &read_ahead_;
  source->reader = std::make_unique<WindowReader>(*source->file, read, [this, size](std::uint64_t position) {
    if (options_.file_progress != nullptr && size > kFileProgressThreshold) options_.file_progress->ShowFileProgress(position, size);
    return !(poll_between_windows_ && progress_.IsCancelled());
  });
  return source;
}

void TResExtract::ExtractFromFile(const std::string& path) {
  WritingAll([&] { ExtractFromFile(path, {}); });
}

void TResExtract::ExtractFromFile(const std::string& path, std::span<const std::string> then) {
  std::unique_ptr<OpenSource> source;
  if (!prepared_.empty() && prepared_.front()->path == path) {
    source = std::move(prepared_.front());
    prepared_.pop_front();
  }
  // What is prepared must be what comes next; the rest is prepared now.
  std::size_t kept = 0;
  while (kept < prepared_.size() && kept < then.size() && prepared_[kept]->path == then[kept]) ++kept;
  prepared_.resize(kept);
  for (std::size_t i = kept; i < then.size() && i < kFilesAhead; ++i) {
    if (SkipsByName(then[i])) {
      prepared_.push_back(std::make_unique<OpenSource>(OpenSource{then[i], nullptr, nullptr}));
      continue;
    }
    prepared_.push_back(Open(then[i]));
    if (prepared_.back()->reader) prepared_.back()->reader->StartReading();
  }
  if (SkipsByName(path)) return;

  // The count shown keeps up with the files written behind the search.
  writes_.CollectWritten(collect_written_);
  status_.ShowStatus(path);
  if (!source) source = Open(path);
  if (!source->file) return;  // cannot be opened: passed over without a word
  WindowReader& reader = *source->reader;
  ImageSearch search(reader, RulesFor(options_.all_images));
  for (std::size_t index = 0; options_.all_images || index < kMaxImagesPerFile; ++index) {
    const std::optional<FoundImage> image = search.Next();
    if (!image) break;
    if (image->kind == ImageKind::kDib) {
      const BitmapInfoHeader& h = image->dib.source;
      if ((options_.exclude_flags & kNoCurRes) && IsCursorShape(h)) continue;
      if ((options_.exclude_flags & kNoIcoRes) && IsIconShape(h)) continue;
    }
    WriteImage(source->file, reader, path, *image, index);
  }
  if (options_.unique) writes_.Finish(collect_written_);
}

void TResExtract::WriteImage(const std::shared_ptr<ByteSource>& file, WindowReader& source, const std::string& path,
                             const FoundImage& image, std::size_t index) {
  WrittenImage written{path, image.offset, image.kind, 0, 0, 0, {}, {}};
  std::vector<std::uint8_t> bytes;
  std::optional<RgbaImage> pixels;
  std::string_view type = "bmp";
  bool encode_png = false;  // a bitmap written as PNG
  if (image.kind == ImageKind::kDib) {
    const DibLayout& layout = image.dib;
    const bool decodable = static_cast<std::uint64_t>(std::max(layout.written.biWidth, 0)) *
                               static_cast<std::uint64_t>(std::max<std::int64_t>(layout.rows, 0)) <=
                           kMaxDecodedPixels;
    if ((options_.format == OutputFormat::kPng || options_.unique) && decodable) {
      pixels = DecodeDibPixels(source, image.offset, layout);
    }
    // What has no pixels (no width, wrapped sizes) stays a bitmap file.
    if (options_.format == OutputFormat::kPng && pixels) {
      encode_png = true;
      type = "png";
      written.width = pixels->width;
      written.height = pixels->height;
      written.bits = 32;
    } else {
      written.width = layout.written.biWidth;
      written.height = layout.written.biHeight;
      written.bits = layout.written.biBitCount;
    }
  } else {
    type = image.kind == ImageKind::kPng ? "png" : image.kind == ImageKind::kGif ? "gif" : "jpg";
    written.width = image.carved.width;
    written.height = image.carved.height;
    written.bits = static_cast<int>(image.carved.bits);
  }
  // The save folder is read afresh: it may change while a folder walk lets the
  // user interface run.
  written.file = OutputName(options_.save_dir, path, index, type);
  if (fs_.NameTaken(written.file)) return;
  // The same picture is written once: known by its pixels where it has them,
  // by its bytes otherwise (an embedded PNG or GIF, a bitmap without pixels).
  if (options_.unique && pixels && !written_pictures_.insert(PictureDigest(*pixels)).second) return;

  if (encode_png) {
    if (options_.png_encoder == nullptr) throw std::logic_error("PNG output needs an encoder");
    writes_.Submit(WriteQueue::Item::AsPng(std::move(written), std::move(*pixels), *options_.png_encoder),
                   collect_written_);
    return;
  }
  // Embedded files go from source to output as they are, unless their bytes
  // are wanted here: to know a picture written before, or for the log.
  if (image.kind != ImageKind::kDib && !options_.unique &&
      (options_.image_log == nullptr || !options_.image_log->ReadsBytes())) {
    writes_.Submit(WriteQueue::Item::CopyOf(std::move(written), file, image.offset, image.length), collect_written_);
    return;
  }
  if (image.kind != ImageKind::kDib) {
    bytes = ReadRange(source, image.offset, image.length);
  } else {
    // Read again only where the window in hand does not hold it all.
    const std::uint64_t available = image.offset < source.Size() ? source.Size() - image.offset : 0;
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(BitmapSourceLength(image.dib), available));
    std::vector<std::uint8_t> read;
    std::optional<std::span<const std::uint8_t>> from = source.Held(image.offset, length);
    if (!from) from = read = ReadRange(source, image.offset, length);
    bytes = BuildBitmapFile(*from, image.dib);
  }
  if (options_.unique && !pixels && !written_pictures_.insert(Sha256(bytes)).second) return;

  writes_.Submit(WriteQueue::Item::OfBytes(std::move(written), std::move(bytes)), collect_written_);
}

void TResExtract::TellingWrittenBefore(const std::function<void()>& run) {
  // A file opened early is not held open after the run (where it could not
  // be deleted meanwhile).
  struct DropPrepared {
    std::deque<std::unique_ptr<OpenSource>>& prepared;
    ~DropPrepared() { prepared.clear(); }
  } drop_prepared{prepared_};
  try {
    WritingAll(run);
  } catch (const OutputWriteError& e) {
    throw OutputWriteError(e, OutputWriteFailedMessage(e, image_count_));
  }
}

void TResExtract::WritingAll(const std::function<void()>& body) {
  if (in_run_) {
    body();
    return;
  }
  const FlagScope running(in_run_, true);
  try {
    body();
    writes_.Finish(collect_written_);
  } catch (...) {
    // What was queued before the failure is written and counted.
    writes_.FinishQuietly(collect_written_);
    throw;
  }
}

void TResExtract::Written(const WrittenImage& image) {
  ++image_count_;
  progress_.SetCount(image_count_);
  if (options_.image_log != nullptr) options_.image_log->ImageWritten(image);
}

void TResExtract::SaveImage(std::span<const std::uint8_t> data, std::size_t offset, const std::string& file_name) {
  if (!fs_.CreateNewFile(file_name, BuildBitmapFile(data, offset))) return;
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
    // Names are compared as they are listed, so an 8.3 short alias ending in
    // .BMP does not make a longer name match.
    fs_.DeleteFile(folder + entry.name);  // one that cannot go stays, silently
  }
}

}  // namespace gd
