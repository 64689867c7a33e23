// SHA-256 through Windows' Cryptography API: Next Generation (bcrypt.dll).
#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <climits>

#include "base/errors.h"
#include "platform/sha256.h"

namespace gd {
namespace {

[[noreturn]] void Fail() { throw ExtractError("SHA-256: BCrypt failed"); }

class Algorithm {
 public:
  Algorithm() {
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&handle_, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
      handle_ = nullptr;
    }
  }
  ~Algorithm() {
    if (handle_) ::BCryptCloseAlgorithmProvider(handle_, 0);
  }
  Algorithm(const Algorithm&) = delete;
  Algorithm& operator=(const Algorithm&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class Hash {
 public:
  explicit Hash(BCRYPT_ALG_HANDLE algorithm) {
    // No object buffer: the provider allocates the hash state itself.
    if (!BCRYPT_SUCCESS(::BCryptCreateHash(algorithm, &handle_, nullptr, 0, nullptr, 0, 0))) Fail();
  }
  ~Hash() { ::BCryptDestroyHash(handle_); }
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
  BCRYPT_HASH_HANDLE get() const { return handle_; }

 private:
  BCRYPT_HASH_HANDLE handle_ = nullptr;
};

}  // namespace

Sha256Digest Sha256(std::span<const std::uint8_t> bytes) {
  // Opening a provider is costly; one serves every call, from any thread.
  static const Algorithm algorithm;
  if (!algorithm.get()) Fail();
  Hash hash(algorithm.get());
  // BCryptHashData takes a 32-bit length.
  while (!bytes.empty()) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), ULONG_MAX);
    if (!BCRYPT_SUCCESS(::BCryptHashData(hash.get(), const_cast<PUCHAR>(bytes.data()),
                                         static_cast<ULONG>(n), 0))) {
      Fail();
    }
    bytes = bytes.subspan(n);
  }
  Sha256Digest digest{};
  if (!BCRYPT_SUCCESS(::BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0))) {
    Fail();
  }
  return digest;
}

}  // namespace gd
