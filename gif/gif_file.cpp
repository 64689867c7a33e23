#include "gif/gif_file.h"

#include <array>
#include <cstdio>
#include <string>

#include "gif/record_io.h"

namespace gd {

namespace {

constexpr std::uint8_t kExtensionIntroducer = 0x21;  // "!"
constexpr std::uint8_t kImageSeparator = 0x2C;       // ","
constexpr std::uint8_t kTrailer = 0x3B;              // ";"

bool VersionAccepted(const std::array<char, 3>& v) {
  static constexpr std::array<std::array<char, 3>, 4> kAccepted{
      {{'8', '7', 'a'}, {'8', '9', 'a'}, {'8', '7', 'A'}, {'8', '9', 'A'}}};
  for (const auto& a : kAccepted)
    if (v == a) return true;
  return false;
}

std::string UnrecognizedExtensionMessage(std::uint8_t label) {
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(label));
  return std::string("Unrecognized extension block.\r\nCode = $") + hex;
}

}  // namespace

TGifFile::TGifFile() : ColorTable(std::make_unique<TColorTable>(0)) {}

void TGifFile::ReadHeader(TStream& stream) {
  ReadRecord(stream, Header);
  if (!VersionAccepted(Header.Version)) throw EGifException("Gif Version must be 87a or 89a");
}

void TGifFile::ReadScreenDescriptor(TStream& stream) {
  ReadRecord(stream, ScreenDescriptor);
  DecodePackedFields();
}

void TGifFile::DecodePackedFields() {
  const std::uint8_t packed = ScreenDescriptor.PackedFields;
  HasColorTable = (packed & 0x80) != 0;
  BitsPerPixel = static_cast<std::uint8_t>((packed & 7) + 1);
  ColorTable->Count = 1 << BitsPerPixel;
}

void TGifFile::ReadColorTable(TStream& stream) {
  if (HasColorTable) ReadColorTableFrom(stream, *ColorTable);
}

std::unique_ptr<TExtensionList> TGifFile::ReadExtensions(TStream& stream, std::uint8_t& separator) {
  auto list = std::make_unique<TExtensionList>();
  while (separator == kExtensionIntroducer) {
    TExtension& extension = list->Items(list->Add(std::make_unique<TExtension>()));
    std::uint8_t label = 0;
    if (!stream.ReadByte(label)) {
      separator = kTrailer;
      break;
    }
    switch (label) {
      case 0xF9:
        extension.Kind = TExtensionKind::ekGraphicControl;
        ReadRecord(stream, extension.GraphicControl);
        break;
      case 0xFE:
        extension.Kind = TExtensionKind::ekComment;
        extension.SetSubBlocks(ReadSubBlocks(stream));
        break;
      case 0x01:
        extension.Kind = TExtensionKind::ekPlainText;
        ReadRecord(stream, extension.PlainTextHeader);
        extension.SetSubBlocks(ReadSubBlocks(stream));
        break;
      case 0xFF:
        extension.Kind = TExtensionKind::ekApplication;
        ReadRecord(stream, extension.ApplicationHeader);
        extension.SetSubBlocks(ReadSubBlocks(stream));
        break;
      default:
        throw EGifException(UnrecognizedExtensionMessage(label));
    }
    if (!stream.ReadByte(separator)) separator = kTrailer;
  }
  return list;
}

void TGifFile::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  std::size_t last_position = 0;
  ReadHeader(stream);
  ReadScreenDescriptor(stream);
  ReadColorTable(stream);
  // Only an empty stream leaves the separator unread, and then the loop below
  // does not start, so its first value never matters.
  std::uint8_t separator = kTrailer;
  stream.ReadByte(separator);
  while (separator != kTrailer && stream.Position() < stream.Size() &&
         stream.Position() != last_position) {
    last_position = stream.Position();
    std::unique_ptr<TExtensionList> extensions = ReadExtensions(stream, separator);
    if (separator == kImageSeparator) {
      auto image = std::make_unique<TGifSubImage>(static_cast<std::uint16_t>(ColorTable->Count), this);
      image->SetExtensions(std::move(extensions));
      image->LoadFromStream(stream);
      SubImages.Add(std::move(image));
      if (stream.Position() >= stream.Size() || !stream.ReadByte(separator)) separator = kTrailer;
    }
    // Otherwise the extensions belong to no image and go with the list.
  }
}

std::unique_ptr<TStringList> ReadSubBlocks(TStream& stream) {
  auto blocks = std::make_unique<TStringList>();
  std::array<std::uint8_t, 255> buffer{};
  std::uint8_t length = 0;
  while (stream.ReadByte(length) && length != 0) {
    const std::size_t got = stream.Read(std::span<std::uint8_t>(buffer.data(), length));
    if (got != 0) blocks->Add(std::string_view(reinterpret_cast<const char*>(buffer.data()), got));
    if (got != length) break;
  }
  return blocks;
}

}  // namespace gd
