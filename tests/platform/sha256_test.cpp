// SHA-256 through the platform's library, against the standard's test vectors.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/sha256.h"

namespace gd {
namespace {

std::string HashOf(std::string_view text) {
  return HexDigest(Sha256({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}));
}

TEST(Sha256, StandardVectors) {
  const struct {
    std::string message;
    std::string_view digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      // 448 bits: the padding needs a block of its own.
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HashOf(c.message), c.digest) << c.message.size() << " bytes";
  }
}

TEST(Sha256, HashesOnlyTheSpanGiven) {
  const std::vector<std::uint8_t> buffer = {'x', 'a', 'b', 'c', 'y'};
  EXPECT_EQ(HexDigest(Sha256(std::span(buffer).subspan(1, 3))), HashOf("abc"));
}

TEST(HexDigest, LowerCaseTwoDigitsPerByte) {
  Sha256Digest d{};
  d[0] = 0x0f;
  d[1] = 0xa0;
  d[31] = 0xff;
  EXPECT_EQ(HexDigest(d), "0fa0" + std::string(58, '0') + "ff");
}

}  // namespace
}  // namespace gd
