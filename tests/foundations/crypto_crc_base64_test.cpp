// CRC32SUM, ENCODE64, DECODE64 and HEXTEXT.
#include <gtest/gtest.h>

#include <vector>

#include "crypto_test_bytes.h"
#include "foundations/base64.h"
#include "foundations/crc32.h"
#include "foundations/hextext.h"

TEST(Crc32, CheckValueEmptyAndLargest) {
  EXPECT_EQ(CRC32SUM("123456789"), 3421780262u);
  EXPECT_EQ(CRC32SUM(""), 0u);
  // Four bytes appended to "kvitalink" bring the CRC to all ones (checked
  // with Python's zlib.crc32).
  EXPECT_EQ(CRC32SUM("kvitalink\xce\x32\xd8\x90"), 4294967295u);
  EXPECT_EQ(CRC32SUM(std::string("\0", 1)), 3523407757u);
  // Continued over pieces, the CRC of the whole.
  const auto* digits = reinterpret_cast<const uint8_t*>("123456789");
  EXPECT_EQ(Crc32Continue(Crc32Continue(Crc32(digits, 4), digits + 4, 0), digits + 4, 5),
            3421780262u);
}

namespace {
// RFC 4648 section 10.
const std::pair<const char*, const char*> kRfcVectors[] = {
    {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},        {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
};

std::string Without(std::string text, char drop) {
  std::erase(text, drop);
  return text;
}

// Puts filler after every character.
std::string Interleave(const std::string& text, const std::string& filler) {
  std::string out = filler;
  for (char ch : text)
    out += std::string(1, ch) + filler;
  return out;
}
}  // namespace

TEST(Base64, RfcVectorsBothWays) {
  for (auto [plain, encoded] : kRfcVectors) {
    EXPECT_EQ(ENCODE64(plain), encoded);
    EXPECT_EQ(DECODE64(encoded), plain) << encoded;
    EXPECT_EQ(DECODE64(Without(encoded, '=')), plain) << encoded;
    for (const std::string& filler : {std::string("\r\n"), std::string(" "), std::string("\x80"),
                                      std::string("\xff\t"), std::string(1, '\0')})
      EXPECT_EQ(DECODE64(Interleave(encoded, filler)), plain) << encoded;
  }
}

TEST(Base64, EncodingIsOneLine) {
  std::string encoded = ENCODE64(Pattern(100));
  EXPECT_EQ(encoded.size(), 136u);
  EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(encoded.substr(132), "Wg==");
}

TEST(Base64, LenientDecoding) {
  struct Case {
    std::string encoded;
    std::string plain;
  } cases[] = {
      // "=" does not end the decoding.
      {"Zg==Zm9v", "\x66\x06\x66\xf6"},
      // The URL-safe characters are not in the alphabet.
      {"Zm-9_v", "foo"},
      {"-_-_", ""},
      // Bits of the last character outside the result are dropped.
      {"Zg", "f"},
      {"Zh", "f"},
      {"Zm9", "fo"},
      // A fifth character alone gives nothing.
      {"Zm9vY", "foo"},
      {"Z", ""},
      {"====", ""},
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DECODE64(c.encoded), c.plain) << c.encoded;
}

TEST(HexText, BytesHighNibbleFirst) {
  const uint8_t bytes[] = {0x00, 0xAB, 0xFF};
  EXPECT_EQ(HEXTEXT(bytes, 3), "00abff");
  EXPECT_EQ(HEXTEXT(bytes, 0), "");
}

// The vector form in use here, and the pieces in which ENCODE64 builds a
// long result, give what the portable form gives: every short length, and
// lengths on both sides of the pieces of 3072 bytes.
TEST(Base64, PortableFormMatchesTheOneInUse) {
  const std::string data = Pattern(10000);
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 300; ++n)
    lengths.push_back(n);
  for (size_t n : {3071, 3072, 3073, 6143, 6144, 6146, 10000})
    lengths.push_back(n);
  for (size_t n : lengths) {
    std::string portable((n + 2) / 3 * 4, '\0');
    ASSERT_EQ(Encode64Portable(reinterpret_cast<const uint8_t*>(data.data()), n, portable.data()),
              portable.size());
    ASSERT_EQ(ENCODE64(data.substr(0, n)), portable) << n;
  }
}
