#include "extract/report/manifest.h"

#include "base/path_util.h"
#include "platform/sha256.h"

namespace gd {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

void Manifest::ImageWritten(const WrittenImage& image) {
  text_ += CsvField(image.source);
  text_ += ',';
  text_ += std::to_string(image.offset);
  text_ += ',';
  text_ += KindName(image.kind);
  text_ += ',';
  text_ += std::to_string(image.width);
  text_ += ',';
  text_ += std::to_string(image.height);
  text_ += ',';
  text_ += std::to_string(image.bits);
  text_ += ',';
  text_ += CsvField(FileNameOf(image.file));
  text_ += ',';
  text_ += HexDigest(Sha256(image.bytes));
  text_ += kLineEnd;
  ++rows_;
}

std::string Manifest::Csv() const {
  std::string out;
  out.reserve(kManifestHeader.size() + kLineEnd.size() + text_.size());
  out += kManifestHeader;
  out += kLineEnd;
  out += text_;
  return out;
}

}  // namespace gd
