// Code page 852 to and from UTF-16, the form of the Windows calls' names and
// command lines: every byte through its character and back, and the units
// that no byte of 852 carries.
#include <gtest/gtest.h>

#include "foundations/codepage.h"
#include "foundations/codepage_utf16.h"

TEST(CodePageUtf16, EveryByteGoesThroughItsCharacterAndBack) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::u16string wide = Cp852ToUtf16(all);
  ASSERT_EQ(wide.size(), 256u);
  for (int b = 0; b < 256; ++b) EXPECT_EQ(wide[b], kCp852ToUnicode[b]) << b;
  EXPECT_EQ(Utf16ToCp852(wide), all);
  EXPECT_EQ(Cp852ToUtf16("\x8B\xB5"), u"\u0151\u00C1");   // őÁ
  EXPECT_EQ(Cp852ToUtf16(""), u"");
}

TEST(CodePageUtf16, UnitsThatNoByteCarries) {
  // Below 0x100 the byte of the same value ("à" is 0xE0, "Ó" in 852);
  // above it "?" ("€", a surrogate half).
  EXPECT_EQ(Utf16ToCp852(u"\u00E0\u20AC\xD83D"), "\xE0??");
}
