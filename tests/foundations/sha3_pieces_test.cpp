// SHA3-512 over bytes handed in pieces: the digest must not depend on where
// the pieces split, whether inside a block, on its boundary or around it.
// And the processor-specific permutation against the portable one.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "foundations/sha3.h"

namespace {

std::string Digest(const std::string& data) {
  uint8_t digest[64];
  Sha3_512(reinterpret_cast<const uint8_t*>(data.data()), data.size(), digest);
  return std::string(reinterpret_cast<char*>(digest), sizeof digest);
}

std::string PieceDigest(const std::string& data, size_t first, size_t second) {
  Sha3_512Context context;
  Sha3_512Begin(context);
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  Sha3_512Add(context, bytes, first);
  Sha3_512Add(context, bytes + first, second);
  Sha3_512Add(context, bytes + first + second, data.size() - first - second);
  uint8_t digest[64];
  Sha3_512End(context, digest);
  return std::string(reinterpret_cast<char*>(digest), sizeof digest);
}

TEST(Sha3Pieces, AnySplitGivesTheOneCallDigest) {
  std::string data;
  for (int i = 0; i < 300; ++i)
    data += static_cast<char>(i * 7 + 1);
  // Lengths around one and two blocks of 72 bytes, split in three pieces at
  // every pair of points, empty pieces included.
  for (size_t n : {0, 1, 71, 72, 73, 143, 144, 145, 300}) {
    const std::string part = data.substr(0, n);
    const std::string whole = Digest(part);
    for (size_t first = 0; first <= n; ++first)
      for (size_t second = 0; first + second <= n; second += 5)
        ASSERT_EQ(PieceDigest(part, first, second), whole) << n << " " << first << " " << second;
  }
}

TEST(Sha3Pieces, PortablePermutationMatchesTheOneInUse) {
  uint8_t state[200], portable[200];
  uint32_t seed = 1;
  for (int k = 0; k < 50; ++k) {
    for (uint8_t& byte : state) {
      seed = seed * 1103515245u + 12345u;
      byte = static_cast<uint8_t>(seed >> 24);
    }
    std::copy(std::begin(state), std::end(state), portable);
    KeccakF1600_StatePermute(state);
    KeccakF1600_PortablePermute(portable);
    ASSERT_TRUE(std::equal(std::begin(state), std::end(state), portable)) << k;
  }
}

}  // namespace
