#pragma once
// The kinds of image the search finds.

#include <string_view>

namespace gd {

enum class ImageKind { kDib, kPng, kGif, kJpeg };

// "dib", "png", "gif", "jpeg".
std::string_view KindName(ImageKind kind);

}  // namespace gd
