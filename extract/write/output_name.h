#pragma once
// The name each image is written under.

#include <cstddef>
#include <string>
#include <string_view>

namespace gd {

// "<save folder><base>-<extension>-<index>.<type>".
std::string OutputName(std::string_view save_dir, std::string_view source_path, std::size_t index,
                       std::string_view type = "bmp");

}  // namespace gd
