#pragma once
// The kinds of image the search finds.

#include <string_view>

namespace gd {

enum class ImageKind { kDib, kPng, kGif };

// "dib", "png", "gif".
std::string_view KindName(ImageKind kind);

}  // namespace gd
