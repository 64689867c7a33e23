#include "gif/picture/graphics.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <utility>

#include "base/bitmap_file_header.h"
#include "base/bitmap_info_header.h"
#include "gif/framework/exception.h"

namespace gd {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string WithoutDot(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  return Lower(extension);
}

// The registry lives in a function-local static so that it exists before the
// first registration, whatever the order in which the program starts up.
std::vector<TFileFormat>& Formats() {
  static std::vector<TFileFormat> formats;
  return formats;
}

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

}  // namespace

void TGraphic::LoadFromFile(const std::string& path) {
  TMemoryStream stream;
  stream.LoadFromFile(path);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& path) const {
  TMemoryStream stream;
  SaveToStream(stream);
  stream.SaveToFile(path);
}

TGraphicClass TBitmap::Class() {
  static const TGraphicClassInfo info{"TBitmap",
                                      []() -> std::unique_ptr<TGraphic> { return std::make_unique<TBitmap>(); }};
  return &info;
}

namespace {

constexpr std::size_t kHeadersSize = BitmapFileHeader::kSize + BitmapInfoHeader::kSize;

struct BitmapShape {
  std::uint32_t file_size;
  std::int32_t width;
  std::int32_t height;
  std::uint16_t bit_count;
};

// Checks the two headers of a bitmap file of which available bytes (headers
// included) can be had; raises EInvalidGraphic when they do not describe a
// whole, well-formed bitmap there.
BitmapShape CheckHeaders(std::span<const std::uint8_t, kHeadersSize> head, std::size_t available) {
  BitmapFileHeader file_header;
  RecordFromBytes(head, file_header);
  const BitmapInfoHeader info = RecordFrom<BitmapInfoHeader>(head.subspan(BitmapFileHeader::kSize));
  if (file_header.bfType != BitmapFileHeader::kType) InvalidBitmap();
  const std::uint32_t file_size = file_header.bfSize;
  const std::uint32_t off_bits = file_header.bfOffBits;
  const std::int32_t width = info.biWidth;
  const std::int32_t height = info.biHeight;
  const std::uint16_t bit_count = info.biBitCount;
  if (info.biSize < BitmapInfoHeader::kSize || info.biPlanes != 1 || info.biCompression != 0 || width < 0 ||
      height == INT32_MIN)
    InvalidBitmap();
  if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 24 && bit_count != 32)
    InvalidBitmap();
  // Everything in 64 bits: the header's numbers are untrusted.
  const std::uint64_t row = ((static_cast<std::uint64_t>(width) * bit_count + 31) / 32) * 4;
  const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -static_cast<std::int64_t>(height)
                                                                   : static_cast<std::int64_t>(height));
  const std::uint64_t needed = static_cast<std::uint64_t>(off_bits) + row * rows;
  if (off_bits < BitmapFileHeader::kSize + info.biSize || needed > file_size) InvalidBitmap();
  if (file_size > available) InvalidBitmap();
  return {file_size, width, height, bit_count};
}

}  // namespace

void TBitmap::LoadFromStream(TStream& stream) {
  std::array<std::uint8_t, kHeadersSize> head{};
  if (stream.Read(head) != head.size()) InvalidBitmap();
  const BitmapShape shape =
      CheckHeaders(head, head.size() + (stream.Size() - std::min(stream.Size(), stream.Position())));
  ByteVector file(shape.file_size);
  std::copy(head.begin(), head.end(), file.begin());
  const std::span<std::uint8_t> rest(file.data() + head.size(), file.size() - head.size());
  if (stream.Read(rest) != rest.size()) InvalidBitmap();
  file_ = std::move(file);
  width_ = shape.width;
  height_ = shape.height;
  bit_count_ = shape.bit_count;
}

void TBitmap::TakeFromStream(TMemoryStream& stream) {
  if (stream.Position() != 0) {
    LoadFromStream(stream);
    return;
  }
  const std::span<const std::uint8_t> bytes = std::as_const(stream).Memory();
  if (bytes.size() < kHeadersSize) InvalidBitmap();
  const BitmapShape shape = CheckHeaders(bytes.first<kHeadersSize>(), bytes.size());
  ByteVector file = stream.Release();
  file.resize(shape.file_size);
  file_ = std::move(file);
  width_ = shape.width;
  height_ = shape.height;
  bit_count_ = shape.bit_count;
}

void TBitmap::SaveToFile(const std::string& path) const { WriteFileBytes(path, file_); }

void TBitmap::SaveToStream(TStream& stream) const { stream.Write(file_); }

void TPicture::RegisterFileFormat(std::string_view extension, std::string_view description,
                                  TGraphicClass graphic_class) {
  TFileFormat format;
  format.Extension = WithoutDot(extension);
  format.Description = std::string(description);
  format.GraphicClass = graphic_class;
  Formats().push_back(std::move(format));
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphic_class) {
  std::erase_if(Formats(), [&](const TFileFormat& f) { return f.GraphicClass == graphic_class; });
}

TGraphicClass TPicture::FindGraphicClass(std::string_view extension) {
  const std::string key = WithoutDot(extension);
  const std::vector<TFileFormat>& formats = Formats();
  // Newest first: a later registration overrides an earlier one.
  for (auto f = formats.rbegin(); f != formats.rend(); ++f)
    if (f->Extension == key) return f->GraphicClass;
  return nullptr;
}

std::vector<TFileFormat> TPicture::FileFormats() { return Formats(); }

void TPicture::LoadFromFile(const std::string& path) {
  const std::filesystem::path p(std::u8string(path.begin(), path.end()));
  const std::u8string ext8 = p.extension().u8string();
  const std::string ext(ext8.begin(), ext8.end());
  const TGraphicClass graphic_class = FindGraphicClass(ext);
  if (graphic_class == nullptr)
    throw EInvalidGraphic("Unknown picture file extension (" + ext + ")");
  std::unique_ptr<TGraphic> graphic = graphic_class->Create();
  graphic->LoadFromFile(path);
  graphic_ = std::move(graphic);
}

}  // namespace gd
