#include "platform/sha256.h"

namespace gd {

std::string HexDigest(const Sha256Digest& digest) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * digest.size());
  for (const std::uint8_t b : digest) {
    out += kHex[b >> 4];
    out += kHex[b & 0x0f];
  }
  return out;
}

}  // namespace gd
