#include "extract/find/image_search.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "extract/dib/dib_shape.h"
#include "extract/dib/dib_versions.h"
#include "extract/find/byte_search.h"
#include "extract/find/candidate_search.h"
#include "extract/find/gif_carver.h"
#include "extract/find/jpeg_carver.h"
#include "extract/find/png_carver.h"
#include "extract/find/scanner.h"

namespace gd {

SearchRules RulesFor(bool every_image) {
  SearchRules rules;
  if (every_image) {
    rules.measure = MeasureRules::kEveryImage;
    rules.carve_png = CarvePng;
    rules.carve_gif = CarveGif;
    rules.carve_jpeg = CarveJpeg;
  }
  return rules;
}

std::optional<FoundImage> ImageSearch::Next() {
  if (done_) return std::nullopt;
  std::optional<FoundImage> image =
      rules_.measure == MeasureRules::kStandard ? NextStandard() : NextEveryImage();
  if (!image) done_ = true;
  return image;
}

ImageSearch::Verdict ImageSearch::Examine(std::uint64_t pos, FoundImage& image) {
  const std::span<const std::uint8_t> bytes = reader_.From(pos, kInfoHeaderSize);
  // A candidate cut off by the end of the file ends the search.
  if (bytes.size() < kInfoHeaderSize) return Verdict::kEndOfSearch;
  if (!IsImageHeader(bytes.first<kInfoHeaderSize>())) return Verdict::kRejected;
  const std::optional<DibLayout> layout = Measure(RecordFrom<BitmapInfoHeader>(bytes), rules_.measure);
  // Zero or negative extents (top-down or wrapped headers) cannot be
  // measured, and moving by them would not move forward.
  if (!layout || layout->extent <= 0) return Verdict::kRejected;
  const auto extent = static_cast<std::uint64_t>(layout->extent);
  if (extent > reader_.Size() - pos) {
    return rules_.measure == MeasureRules::kStandard ? Verdict::kEndOfSearch : Verdict::kRejected;
  }
  image.kind = ImageKind::kDib;
  image.offset = pos;
  image.length = extent;
  image.dib = *layout;
  return Verdict::kRecorded;
}

std::optional<FoundImage> ImageSearch::NextStandard() {
  for (;;) {
    const std::span<const std::uint8_t> bytes = reader_.From(pos_, 2);
    if (bytes.size() < 2) return std::nullopt;
    const std::size_t at = FindHeaderMarker(bytes, 0);
    if (at == kNoMatch) {
      pos_ += bytes.size() & ~std::size_t{1};  // every whole pair was looked at
      continue;
    }
    const std::uint64_t pos = pos_ + at;
    FoundImage image;
    switch (Examine(pos, image)) {
      case Verdict::kRecorded:
        pos_ = pos + image.length;
        return image;
      case Verdict::kRejected:
        pos_ = pos + kInfoHeaderSize;  // a rejected candidate is skipped whole
        break;
      case Verdict::kEndOfSearch:
        return std::nullopt;
    }
  }
}

std::optional<FoundImage> ImageSearch::NextEveryImage() {
  for (;;) {
    const std::span<const std::uint8_t> bytes = reader_.From(pos_, kCandidateBytes);
    if (bytes.size() < kCandidateBytes) return std::nullopt;  // nothing left that an image would fit in
    const std::size_t at = FindCandidate(bytes, 0);
    if (at == kNoMatch) {
      // Every position with kCandidateBytes in this window was looked at;
      // the next window holds the rest whole.
      pos_ += bytes.size() - kCandidateBytes + 1;
      continue;
    }
    const std::uint64_t pos = pos_ + at;
    std::optional<FoundImage> image = IsSignatureStart(bytes[at]) ? TrySignature(pos) : TryHeader(pos);
    if (image) {
      JumpTo(pos + image->length);
      return image;
    }
    // A rejected candidate hides nothing: a header may begin inside it (a
    // chance size in front of a real header, or the size field of a bitmap
    // file header), and so may a signature.
    pos_ = pos + 1;
  }
}

std::optional<FoundImage> ImageSearch::TryHeader(std::uint64_t pos) {
  const std::optional<DibLayout> layout = ProbeBitmap(reader_, pos, image_end_);
  if (!layout) return std::nullopt;
  FoundImage image;
  image.kind = ImageKind::kDib;
  image.offset = pos;
  image.length = static_cast<std::uint64_t>(layout->extent);
  image.dib = *layout;
  return image;
}

std::optional<FoundImage> ImageSearch::TrySignature(std::uint64_t pos) {
  const std::span<const std::uint8_t> head = reader_.From(pos, kPngSignature.size());
  Carver carver = nullptr;
  ImageKind kind = ImageKind::kPng;
  if (IsPngSignature(head)) {
    carver = rules_.carve_png;
  } else if (IsGifSignature(head)) {
    carver = rules_.carve_gif;
    kind = ImageKind::kGif;
  } else if (IsJpegSignature(head)) {
    carver = rules_.carve_jpeg;
    kind = ImageKind::kJpeg;
  }
  if (carver == nullptr) return std::nullopt;
  const std::optional<CarvedImage> carved = carver(reader_, pos);
  if (!carved || carved->length == 0 || carved->length > reader_.Size() - pos) return std::nullopt;
  FoundImage image;
  image.kind = kind;
  image.offset = pos;
  image.length = carved->length;
  image.carved = *carved;
  return image;
}

void ImageSearch::JumpTo(std::uint64_t pos) {
  pos_ = pos;
  image_end_ = pos;
}

}  // namespace gd
