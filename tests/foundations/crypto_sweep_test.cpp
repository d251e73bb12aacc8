// Every length from 0 to 300 through the digests, the checksum and Base64,
// against Python's hashlib, zlib and base64 when Python is at hand. Under the
// sanitizers this also shows that no length reads outside its buffer.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "crypto_test_bytes.h"
#include "foundations/aes128.h"
#include "foundations/base64.h"
#include "foundations/crc32.h"
#include "foundations/sha3.h"
#include "foundations/sha512.h"

namespace {

constexpr size_t kMaxLength = 300;

// For each length n: "sha3 sha512 crc base64" of Pattern(n), one line each.
std::vector<std::string> ReferenceLines() {
  std::string command = std::string(PYTHON3_EXE) +
                        " -c \"import hashlib,zlib,base64\n"
                        "for n in range(" + std::to_string(kMaxLength + 1) + "):\n"
                        "  b=bytes((i*37+11)%256 for i in range(n))\n"
                        "  print(hashlib.sha3_512(b).hexdigest(),hashlib.sha512(b).hexdigest(),"
                        "zlib.crc32(b),base64.b64encode(b).decode()+'.')\"";
  std::vector<std::string> lines;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr)
    return lines;
  std::string line;
  for (int ch; (ch = fgetc(pipe)) != EOF;) {
    if (ch == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line.push_back(static_cast<char>(ch));
    }
  }
  pclose(pipe);
  return lines;
}

}  // namespace

TEST(CryptoSweep, EveryLengthMatchesPython) {
  ASSERT_FALSE(std::string(PYTHON3_EXE).empty()) << "python3 is not installed";
  std::vector<std::string> lines = ReferenceLines();
  ASSERT_EQ(lines.size(), kMaxLength + 1);
  for (size_t n = 0; n <= kMaxLength; ++n) {
    std::istringstream fields(lines[n]);
    std::string sha3, sha512, base64;
    uint32_t crc = 0;
    fields >> sha3 >> sha512 >> crc >> base64;
    base64.pop_back();  // the "." that keeps an empty encoding a field
    std::string data = Pattern(n);
    EXPECT_EQ(HB_SHA3512(data), sha3) << n;
    EXPECT_EQ(SHA512HEX(Value(data)), sha512) << n;
    EXPECT_EQ(CRC32SUM(data), crc) << n;
    EXPECT_EQ(ENCODE64(data), base64) << n;
  }
}

TEST(CryptoSweep, EveryLengthKeepsItsShape) {
  for (size_t n = 0; n <= kMaxLength; ++n) {
    std::string data = Pattern(n);
    EXPECT_EQ(HB_SHA3512(data).size(), 128u);
    EXPECT_EQ(SHA512HEX(Value(data)).size(), 128u);
    std::string encoded = ENCODE64(data);
    EXPECT_EQ(encoded.size(), (n + 2) / 3 * 4);
    EXPECT_EQ(DECODE64(encoded), data) << n;
    // Arbitrary bytes decode to what their alphabet characters alone give.
    std::string alphabet_only;
    for (char ch : data)
      if (isalnum(static_cast<unsigned char>(ch)) || ch == '+' || ch == '/')
        alphabet_only.push_back(ch);
    size_t k = alphabet_only.size();
    std::string decoded = DECODE64(data);
    EXPECT_EQ(decoded, DECODE64(alphabet_only)) << n;
    EXPECT_EQ(decoded.size(), k / 4 * 3 + (k % 4 == 0 ? 0 : k % 4 - 1)) << n;
    EXPECT_EQ(AES128(Value(data), Value(data.substr(0, n % 20))).size(), 50u);
  }
}
