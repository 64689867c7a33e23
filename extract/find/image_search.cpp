#include "extract/find/image_search.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "extract/dib/dib_shape.h"
#include "extract/dib/dib_versions.h"
#include "extract/find/byte_search.h"
#include "extract/find/gif_carver.h"
#include "extract/find/header_size_search.h"
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
    const std::span<const std::uint8_t> bytes = reader_.From(header_pos_, 2);
    if (bytes.size() < 2) return std::nullopt;
    const std::size_t at = FindHeaderMarker(bytes, 0);
    if (at == kNoMatch) {
      header_pos_ += bytes.size() & ~std::size_t{1};  // every whole pair was looked at
      continue;
    }
    const std::uint64_t pos = header_pos_ + at;
    FoundImage image;
    switch (Examine(pos, image)) {
      case Verdict::kRecorded:
        header_pos_ = pos + image.length;
        return image;
      case Verdict::kRejected:
        header_pos_ = pos + kInfoHeaderSize;  // a rejected candidate is skipped whole
        break;
      case Verdict::kEndOfSearch:
        return std::nullopt;
    }
  }
}

std::optional<FoundImage> ImageSearch::NextEveryImage() {
  for (;;) {
    const std::uint64_t base = std::min(header_pos_, signature_pos_);
    // Four bytes at least, so that a header size crossing the window's end
    // moves the search on to the next window.
    const std::span<const std::uint8_t> bytes = reader_.From(base, 4);
    if (bytes.empty()) return std::nullopt;
    const std::uint64_t end = base + bytes.size();

    if (!pending_marker_ && header_pos_ < end) {
      const std::size_t at = FindHeaderSize(bytes, static_cast<std::size_t>(header_pos_ - base));
      if (at != kNoMatch) {
        pending_marker_ = base + at;
      } else {
        // None in the rest of this window: not looked for again while the
        // signatures in it are, only the last three bytes with the next.
        header_pos_ = std::max(header_pos_, end >= reader_.Size() ? end : end - 3);
      }
    }
    // Signatures before the next header candidate come first.
    const std::uint64_t limit = pending_marker_.value_or(end);
    if (signature_pos_ < limit) {
      const std::size_t at = FindSignatureStart(bytes.first(static_cast<std::size_t>(limit - base)),
                                                static_cast<std::size_t>(signature_pos_ - base));
      if (at != kNoMatch) {
        const std::uint64_t pos = base + at;
        signature_pos_ = pos + 1;
        if (std::optional<FoundImage> image = TrySignature(pos)) {
          JumpTo(pos + image->length);
          return image;
        }
        continue;
      }
      // A pair crossing the window's end is looked at with the next window.
      signature_pos_ = pending_marker_ || end >= reader_.Size() ? limit : std::max(signature_pos_, limit - 1);
    }

    if (pending_marker_) {
      const std::uint64_t pos = *pending_marker_;
      pending_marker_.reset();
      if (std::optional<DibLayout> layout = ProbeBitmap(reader_, pos, image_end_)) {
        FoundImage image;
        image.kind = ImageKind::kDib;
        image.offset = pos;
        image.length = static_cast<std::uint64_t>(layout->extent);
        image.dib = *layout;
        JumpTo(pos + image.length);
        return image;
      }
      // A header may begin inside a rejected candidate: a chance size in
      // front of a real header, or the size field of a bitmap file header.
      header_pos_ = pos + 1;
      continue;
    }

    // Nothing in this window: every size with its three bytes after it, and
    // every byte, was looked at.
    if (header_pos_ < end) header_pos_ = end >= reader_.Size() ? end : std::max(header_pos_, end - 3);
    if (end >= reader_.Size()) return std::nullopt;
  }
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
  signature_pos_ = pos;
  header_pos_ = pos;
  image_end_ = pos;
  pending_marker_.reset();
}

}  // namespace gd
