#include "extract/find/image_kind.h"

namespace gd {

std::string_view KindName(ImageKind kind) {
  switch (kind) {
    case ImageKind::kDib:
      return "dib";
    case ImageKind::kPng:
      return "png";
    case ImageKind::kGif:
      return "gif";
    case ImageKind::kJpeg:
      return "jpeg";
  }
  return "dib";
}

}  // namespace gd
