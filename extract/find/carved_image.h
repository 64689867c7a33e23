#pragma once
// What a carver reports about an image file found whole inside other bytes.
// The file is copied out byte for byte, so only its extent and a few facts
// for the run's log are kept.

#include <cstdint>

namespace gd {

struct CarvedImage {
  std::uint64_t length = 0;  // bytes from the first signature byte through the file's last byte
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bits = 0;  // bits per pixel as the format stores them
};

}  // namespace gd
