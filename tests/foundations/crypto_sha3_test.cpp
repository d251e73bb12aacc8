// HB_SHA3512: SHA3-512 digests in lower-case hex.
#include <gtest/gtest.h>

#include "crypto_test_bytes.h"
#include "foundations/sha3.h"

TEST(Sha3, DigestsOfStandardAndBoundaryTexts) {
  struct Case {
    std::string data;
    const char* digest;
  } cases[] = {
      // FIPS 202 examples.
      {"",
       "a69f73cca23a9ac5c8b567dc185a756e97c982164fe25859e0d1dcc1475c80a6"
       "15b2123af1f5f94c11e3e9402c3ac558f500199d95b6d3e301758586281dcd26"},
      {"abc",
       "b751850b1a57168a5693cd924b6b096e08f621827444f70d884f5d0240d2712e"
       "10e116e9192af3c91a7ec57647e3934057340b4cf408d5a56592f8274eec53f0"},
      // Both sides of the 72-byte block boundary; at 71 both padding bytes
      // fall into the last byte of the block.
      {Pattern(71),
       "bf5828621a2ea8d1d96d5a0100852a995705cd5a60bf13e8d5161dd8fc051f0a"
       "51c5c0cae86438659f1a0fb30efc8a1ed01a837fd93725245f24f3efcc79e1de"},
      {Pattern(72),
       "7163023fb85589362e8f184399accaa14e0d17da87dcc69cece725c9bef23b0e"
       "4dfb12ed015213d3e6f5c5cc98f23c20303dd5a2091df35815f5f242e7a9bfeb"},
      {Pattern(73),
       "c2823e8b428215ecacce41592b976554f6dbdb5aeba524cdcda69d3e86ac791f"
       "7750c24720fc0ffec0966909c519fb53a915f8c9c7b9caba1d2b25d5a3b97cab"},
      {Pattern(143),
       "184fc1e3dd25ba031bf141c649b7b235d73a43bd6eb469fcca15e7b7b209eb42"
       "77ddfba7bdb7a87cec74d960c6b6aa26bbc2e1922ad2d995eb7a5222d6bed1a0"},
      {Pattern(144),
       "aa338f9f30a37ff886c24a7b4beec1694f3a59a1dc4757e035155525dd791fd9"
       "f8e0247228421e60b4c6fa6fb11f1790c4ae40c90883dc5eafd0da054d2f09b8"},
      {Pattern(145),
       "39359856a4904c9273d5a33fd6927213abd7ba2d608748c4963ee796ee6aede8"
       "dd193c820de4b4e0c49880ce63ed09d4058f1c6ec1797c1c00c659c883980b8c"},
      {std::string(1000000, 'a'),
       "3c3a876da14034ab60627c077bb98f7e120a2a5370212dffb3385a18d4f38859"
       "ed311d0a9d5141ce9cc5c66ee689b266a8aa18ace8282a0e0db596c90b0a7b87"},
      // A zero byte is hashed like any other.
      {std::string("x\0y", 3),
       "0dfb3e049d206422b37576e233ab32a3e95eb21c33ee5ad869eae1a6562712e1"
       "b314843901099f90cceadccf682d3d2824f37a692e356155bf2c9c7726998fbe"},
      {"x",
       "0fdb27960308c51467edd49a0f5e0c434c9cca721f4c35bff005feabaf6010e7"
       "77a1137ee8187c5288af57578d18d502a0bbe4c022f5587541961e10132d9834"},
      // "é" as held in code page 852: the one byte 0x82.
      {"\x82",
       "7d16c44df25201c0002c736658620e26dfa8167e5abedbf8c49dc9adc77892aa"
       "8982af2ce105c13f6e0292ff260d83fa4c0f0bfa84a7ef310706c17c988c4e8f"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HB_SHA3512(c.data), c.digest) << "length " << c.data.size();
}

TEST(Sha3, PermutationOfTheZeroState) {
  // Keccak-f[1600] of the all-zero state: the first lane is f1258f7940e1dde7
  // (the Keccak team's published intermediate values), least significant byte
  // first.
  uint8_t state[200] = {};
  KeccakF1600_StatePermute(state);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(state), 8), FromHex("e7dde140798f25f1"));
}
