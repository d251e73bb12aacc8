// AES128: decryption of four ECB blocks under a 16-byte key, 50 bytes back.
#include <gtest/gtest.h>

#include "crypto_test_bytes.h"
#include "foundations/aes128.h"

namespace {

// FIPS-197 Appendix C.1.
const std::string kKey = FromHex("000102030405060708090a0b0c0d0e0f");
const std::string kPlain = FromHex("00112233445566778899aabbccddeeff");
const std::string kCipher = FromHex("69c4e0d86a7b0430d8cdb78070b4c55a");

std::string Times4(const std::string& block) { return block + block + block + block; }

}  // namespace

TEST(Aes128, Fips197ExampleGivenFourTimes) {
  std::string result = AES128(Value(Times4(kCipher)), Value(kKey));
  EXPECT_EQ(result, kPlain + kPlain + kPlain + kPlain.substr(0, 2));
  // Bytes beyond the first 64 of data and 16 of key are ignored.
  EXPECT_EQ(AES128(Value(Times4(kCipher) + "tail"), Value(kKey + "more")), result);
}

TEST(Aes128, RoutinesFollowTheStandard) {
  // FIPS-197 A.1: the last round key of 2b7e1516... is d014f9a8c9ee2589e13f0cc8b6630ca6.
  uint8_t key[16], round_keys[176];
  std::string k = FromHex("2b7e151628aed2a6abf7158809cf4f3c");
  std::copy(k.begin(), k.end(), key);
  KeyExpansion(round_keys, key);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(round_keys + 160), 16),
            FromHex("d014f9a8c9ee2589e13f0cc8b6630ca6"));
  // FIPS-197 B: 3925841d... decrypts to 3243f6a8... under that key.
  std::string block = FromHex("3925841d02dc09fbdc118597196a0b32");
  uint8_t state[16];
  std::copy(block.begin(), block.end(), state);
  InvCipher(state, round_keys);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(state), 16),
            FromHex("3243f6a8885a308d313198a2e0370734"));
}

TEST(Aes128, BlocksAreDecryptedIndependently) {
  const std::string base = Times4(kCipher);
  const std::string reference = AES128(Value(base), Value(kKey));
  for (size_t block = 0; block < 4; ++block) {
    std::string changed = base;
    changed[16 * block + 5] ^= 0x01;
    std::string result = AES128(Value(changed), Value(kKey));
    ASSERT_EQ(result.size(), 50u);
    for (size_t i = 0; i < 50; ++i) {
      if (i / 16 != block) {
        EXPECT_EQ(result[i], reference[i]) << "block " << block << " byte " << i;
      }
    }
    EXPECT_NE(result.substr(16 * block, block == 3 ? 2 : 16),
              reference.substr(16 * block, block == 3 ? 2 : 16));
  }
}

TEST(Aes128, ZeroBytesOfDataAndKeyAreUsed) {
  // Expected plaintexts from `openssl enc -d -aes-128-ecb -nopad`.
  struct Case {
    const char* key;
    const char* cipher;
    const char* plain;
  } cases[] = {
      {"00000000000000000000000000000001", "00004100ff0010000020007f00800001",
       "024fa587f928f9ba2cd69cdb5e2fe76b"},
      {"00000000000000000000000000000000", "3ad78e726c1ec02b7ebfe92b23d9ec34",
       "80000000000000000000000000000000"},
  };
  for (const Case& c : cases) {
    std::string plain = FromHex(c.plain);
    EXPECT_EQ(AES128(Value(Times4(FromHex(c.cipher))), Value(FromHex(c.key))),
              plain + plain + plain + plain.substr(0, 2))
        << c.key;
  }
}

TEST(Aes128, ShortArgumentsCountAsZeroPaddedAndKeepFiftyBytes) {
  const std::string data = Times4(kCipher);
  const std::string zero_key(16, '\0');
  for (size_t n = 0; n < 64; n += 7) {
    std::string padded = data.substr(0, n) + std::string(64 - n, '\0');
    EXPECT_EQ(AES128(Value(data.substr(0, n)), Value(kKey)), AES128(Value(padded), Value(kKey)))
        << n;
  }
  for (size_t n = 0; n < 16; ++n) {
    std::string padded = kKey.substr(0, n) + std::string(16 - n, '\0');
    EXPECT_EQ(AES128(Value(data), Value(kKey.substr(0, n))), AES128(Value(data), Value(padded)))
        << n;
  }
  // A key that is not a text counts as the empty text.
  EXPECT_EQ(AES128(Value(data), Value(12345)), AES128(Value(data), Value(zero_key)));
  EXPECT_EQ(AES128(Value(data), Value()), AES128(Value(data), Value("")));
  EXPECT_EQ(AES128(Value(), Value()).size(), 50u);
}
