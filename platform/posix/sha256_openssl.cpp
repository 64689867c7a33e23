// SHA-256 through OpenSSL's libcrypto (the EVP interface: the older SHA256_*
// functions are deprecated in OpenSSL 3).
#include <openssl/evp.h>

#include "base/errors.h"
#include "platform/sha256.h"

namespace gd {

Sha256Digest Sha256(std::span<const std::uint8_t> bytes) {
  Sha256Digest digest{};
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1 ||
      length != digest.size()) {
    throw ExtractError("SHA-256: libcrypto failed");
  }
  return digest;
}

}  // namespace gd
