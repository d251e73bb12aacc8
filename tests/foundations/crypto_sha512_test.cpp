// SHA512HEX: SHA-512 digests in lower-case hex.
#include <gtest/gtest.h>

#include "crypto_test_bytes.h"
#include "foundations/hextext.h"
#include "foundations/sha512.h"

namespace {
const char kEmptyDigest[] =
    "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
    "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e";
}

TEST(Sha512, DigestsOfStandardAndBoundaryTexts) {
  struct Case {
    std::string data;
    const char* digest;
  } cases[] = {
      // FIPS 180-4 examples: empty, one block, two blocks.
      {"", kEmptyDigest},
      {"abc",
       "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
       "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno"
       "ijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
       "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018"
       "501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909"},
      {std::string(1000000, 'a'),
       "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973eb"
       "de0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b"},
      // From 112 bytes in the last block on, the length needs a block more.
      {Pattern(111),
       "4d1db900250c96436052fbca79c13acbf378aad9c35b87d94c3803264df61fd2"
       "2cbd327c8938d024db372abf4208934ee09367d571d6c670bf74ee07b83e7506"},
      {Pattern(112),
       "dfb715ca3478a894302ace39c42d1d6646e1044f2247a6274d8b42d155d2fdbe"
       "7017195e85cfba96bedc51f84c44638978a540039ff09c64cef6c0c5ccc8f7b6"},
      {Pattern(127),
       "f93a0e7465b294188e8aa2b1cc2e98bc8d5115d46f51c7a9ec599b9d9f96a80f"
       "ef6a4f226b648c89bd9eac23b3d64264898b568d915c66666c44cd0319e2ef56"},
      {Pattern(128),
       "0b4815d35f9d07b1a30de2790e1be2a720234295cd7b4d9e9af51719ff90019f"
       "1fe6d4e402a7dcc4177085023dc460ab743dad9b2c1dda42662bda5d3b2e155b"},
      {Pattern(129),
       "1809db04d02717483e04bc4333a14308bd2d0213ba7bf2c63f11eb1b8a0af825"
       "2e67fd104fd466fb95f945539824d8e4183155fa5ced0bee3dad46d9384a0bd5"},
      {std::string("x\0y", 3),
       "dcc0940b16c1acbf74f95c523175d25f98c67c2abec77fd2a1b1c3d77f6cc863"
       "5f7a2cc61636b93ee44f6ffad19778c91e97eb94aa1cd9c7b0e0b1a4f331011f"},
      {"x",
       "a4abd4448c49562d828115d13a1fccea927f52b4d5459297f8b43e42da89238b"
       "c13626e43dcb38ddb082488927ec904fb42057443983e88585179d50551afe62"},
      // "é" as held in code page 852: the one byte 0x82.
      {"\x82",
       "b5ca24ad8e16e18ecd6cebdfa12c1098b7f3a182afce22ae0072d56d8ea7651f"
       "9f03b53bb23d949439cbde7f88b67a1678424f6920e677a85fc0f319d11e2030"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SHA512HEX(Value(c.data)), c.digest) << "length " << c.data.size();
}

TEST(Sha512, ValueThatIsNotATextHashesAsEmpty) {
  EXPECT_EQ(SHA512HEX(Value(42)), kEmptyDigest);
  EXPECT_EQ(SHA512HEX(Value()), kEmptyDigest);
  EXPECT_EQ(SHA512HEX(Value::Logical(true)), kEmptyDigest);
}

// The form that runs on any processor gives the digests of the one in use,
// whichever that is here: every length across the first blocks, and "abc"
// against the standard.
TEST(Sha512, PortableFormMatchesTheOneInUse) {
  auto hex = [](void (*sha)(const uint8_t*, size_t, uint8_t*), const std::string& data) {
    uint8_t digest[64];
    sha(reinterpret_cast<const uint8_t*>(data.data()), data.size(), digest);
    return HEXTEXT(digest, sizeof digest);
  };
  EXPECT_EQ(hex(Sha512Portable, "abc"),
            "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
            "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
  const std::string data = Pattern(4096);
  for (size_t n = 0; n <= data.size(); n += n < 600 ? 1 : 97)
    ASSERT_EQ(hex(Sha512Portable, data.substr(0, n)), hex(Sha512, data.substr(0, n))) << n;
}
