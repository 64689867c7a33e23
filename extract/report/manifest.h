#pragma once
// The manifest: one CSV row per image a run writes, for scripts and
// spreadsheets to pick the images up by where they came from.

#include <cstddef>
#include <string>
#include <string_view>

#include "extract/report/image_log.h"

namespace gd {

// The header line's fields, in column order.
inline constexpr std::string_view kManifestHeader = "source,offset,kind,width,height,bits,file,sha256";

// One CSV field: as it is, or, when it holds a comma, a double quote, CR or
// LF, inside double quotes with each quote doubled.
std::string CsvField(std::string_view text);

class Manifest : public ImageLog {
 public:
  // Hashes the file's bytes at once: they are gone after the call.
  void ImageWritten(const WrittenImage& image) override;

  // The whole file in UTF-8 without a byte-order mark: the header line, then
  // one row per image in the order written. Every line, the last included,
  // ends in CR LF, the line break of the CSV standard.
  std::string Csv() const;

  std::size_t rows() const { return rows_; }

 private:
  std::string text_;
  std::size_t rows_ = 0;
};

}  // namespace gd
