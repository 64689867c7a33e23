#pragma once
// SHA-256 through the platform's cryptography library.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace gd {

using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest Sha256(std::span<const std::uint8_t> bytes);

// Lower-case hexadecimal, 64 characters.
std::string HexDigest(const Sha256Digest& digest);

}  // namespace gd
