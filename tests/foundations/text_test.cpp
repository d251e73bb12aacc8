// The prefix comparison and its collation, and the text and number helpers.
#include <gtest/gtest.h>

#include <random>

#include "foundations/codepage.h"
#include "foundations/raise.h"
#include "foundations/text.h"

namespace {

const char* Name(Order o) {
  return o == Order::Less ? "less" : o == Order::Equal ? "equal" : "greater";
}

}  // namespace

TEST(Collation, WeightsFollowTheHungarianAlphabet) {
  const std::string capitals = Text852("AÁÄBCDEÉFGHIÍJKLMNOÓÖŐPQRSTUÚÜŰVWXYZ");
  const std::string smalls = Text852("aáäbcdeéfghiíjklmnoóöőpqrstuúüűvwxyz");
  ASSERT_EQ(capitals.size(), 36u);
  ASSERT_EQ(smalls.size(), 36u);
  std::vector<int> order;  // the bytes in ascending weight
  for (int b = 0x00; b <= 0x40; ++b) order.push_back(b);
  for (unsigned char c : capitals) order.push_back(c);
  for (int b = 0x5B; b <= 0x60; ++b) order.push_back(b);
  for (unsigned char c : smalls) order.push_back(c);
  for (int b = 0x7B; b <= 0xFF; ++b)
    if (capitals.find(static_cast<char>(b)) == std::string::npos &&
        smalls.find(static_cast<char>(b)) == std::string::npos)
      order.push_back(b);
  ASSERT_EQ(order.size(), 256u);
  for (int w = 0; w < 256; ++w) EXPECT_EQ(CollationWeight(static_cast<uint8_t>(order[w])), w) << order[w];
}

TEST(Prefixcmp, Examples) {
  struct Case {
    std::string left, right;
    Order expected;
  } cases[] = {
      {"2.0x", "2.0", Order::Equal},   {"2.00", "2.0", Order::Equal},
      {"10.0", "2.0", Order::Less},    {"10.0", "3.0", Order::Less},
      {"3", "3.0", Order::Less},       {"3", "2.0", Order::Greater},
      {"2", "2.0", Order::Less},       {"", "2.0", Order::Less},
      {" 3.0", "2.0", Order::Less},    {"2.5", "2.0", Order::Greater},
      {"2.5", "3.0", Order::Less},     {"v3", "3.0", Order::Greater},
      {"12", "1", Order::Equal},       {"ANS", "ANSI", Order::Less},
      {"anything", "", Order::Equal},  {"", "", Order::Equal},
      {"annul", "ANNUL", Order::Greater},
      {Text852("Á"), "B", Order::Less}, {"[", "a", Order::Less},
      {"{", "z", Order::Greater},      {"tesztURL", "teszt", Order::Equal},
      {std::string("a\0", 2), "a", Order::Equal}, {"a", std::string("a\0", 2), Order::Less},
  };
  for (const auto& c : cases)
    EXPECT_STREQ(Name(PREFIXCMP(c.left, c.right)), Name(c.expected)) << c.left << " vs " << c.right;

  EXPECT_TRUE(TextEq("2.0x", "2.0"));
  EXPECT_TRUE(TextNe("2", "2.0"));
  EXPECT_TRUE(TextGe("3", "2.0"));
  EXPECT_FALSE(TextGe("3", "3.0"));
  EXPECT_TRUE(TextLt("10.0", "2.0"));
  EXPECT_FALSE(ValueEq(Value(), Value("/?")));
  EXPECT_TRUE(ValueEq(Value("/?x"), Value("/?")));
  EXPECT_TRUE(ValueEq(Value(), Value()));
}

TEST(TextSearch, OccursinPosofLastposof) {
  EXPECT_FALSE(OCCURSIN("", "CN"));
  EXPECT_FALSE(OCCURSIN("UE", "CN"));
  EXPECT_TRUE(OCCURSIN("12", "012345678"));
  EXPECT_FALSE(OCCURSIN("9", "012345678"));
  EXPECT_FALSE(OCCURSIN("abc", "ab"));
  EXPECT_TRUE(OCCURSIN(std::string("\0", 1), std::string("a\0b", 3)));
  EXPECT_EQ(POSOF("ab", "xabab"), 2);
  EXPECT_EQ(LASTPOSOF("ab", "xabab"), 4);
  EXPECT_EQ(POSOF("", "abc"), 0);
  EXPECT_EQ(LASTPOSOF("", "abc"), 0);
  EXPECT_EQ(POSOF("abcd", "abc"), 0);
  EXPECT_EQ(LASTPOSOF("z", "abc"), 0);
}

TEST(TextCase, UpcaseTurnsTheHungarianLettersOnly) {
  EXPECT_EQ(UPCASE("0123456789abcdef"), "0123456789ABCDEF");
  EXPECT_EQ(UPCASE(Text852("számla")), Text852("SZÁMLA"));
  EXPECT_EQ(UPCASE(Text852("áäéíóöőúüű")), Text852("ÁÄÉÍÓÖŐÚÜŰ"));
  EXPECT_EQ(UPCASE("\x88"), "\x88");  // ł is not in the Hungarian alphabet
  EXPECT_EQ(UPCASE(std::string("a\0{", 3)), std::string("A\0{", 3));
}

TEST(TextTrim, BlankSets) {
  struct Case {
    std::string in, both, left, right;
  } cases[] = {
      {"\t x \t", "x \t", "x \t", "\t x \t"},
      {"   ", "", "", ""},
      {"\r\n \t  ", "", "", "\r\n \t"},
      {" \x0B" "a ", "\x0B" "a", "\x0B" "a ", " \x0B" "a"},
      {"\x0C", "\x0C", "\x0C", "\x0C"},
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TRIMBOTH(c.in), c.both) << c.in;
    EXPECT_EQ(TRIMLEFT(c.in), c.left) << c.in;
    EXPECT_EQ(TRIMRIGHT(c.in), c.right) << c.in;
  }
  EXPECT_TRUE(ISBLANK(Value(" \t\r\n")));
  EXPECT_TRUE(ISBLANK(Value("")));
  EXPECT_FALSE(ISBLANK(Value("\x0B")));
  EXPECT_TRUE(ISBLANK(Value(0)));
  EXPECT_FALSE(ISBLANK(Value(2)));
  EXPECT_TRUE(ISBLANK(Value()));
}

TEST(TextParts, LeftRightMid) {
  EXPECT_EQ(LEFTPART("abc", 0), "");
  EXPECT_EQ(LEFTPART("abc", -1), "");
  EXPECT_EQ(LEFTPART("abc", 2), "ab");
  EXPECT_EQ(LEFTPART("abc", 9), "abc");
  EXPECT_EQ(RIGHTPART(Value("abc"), 2), "bc");
  EXPECT_EQ(RIGHTPART(Value("abc"), 9), "abc");
  EXPECT_EQ(RIGHTPART(Value("abc"), 0), "");
  EXPECT_EQ(RIGHTPART(Value(123), 2), "");

  struct Case {
    int64_t start;
    std::optional<int64_t> count;
    std::string out;
  } cases[] = {
      {4, {}, ""},   {3, {}, "c"},  {1, {}, "abc"}, {0, {}, "abc"}, {2, 1, "b"},
      {2, 0, ""},    {1, -1, ""},   {-1, {}, "c"},  {-2, 1, "b"},   {-9, 2, "ab"},
      {2, 99, "bc"}, {INT64_MIN, 1, "a"}, {INT64_MAX, 1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(MIDPART("abc", c.start, c.count), c.out) << c.start;
}

TEST(TextMisc, LengthFirstByteRepeatKind) {
  EXPECT_EQ(LENGTHOF(Value(std::string("a\0b", 3))), 3);
  EXPECT_EQ(LENGTHOF(Value::List({Value(1), Value("x")})), 2);
  EXPECT_EQ(FIRSTBYTE("\xFF"), 255);
  EXPECT_EQ(FIRSTBYTE(""), 0);
  EXPECT_EQ(REPEATTEXT("ab", 3), "ababab");
  EXPECT_EQ(REPEATTEXT("ab", 0), "");
  EXPECT_EQ(REPEATTEXT("", 5), "");
  EXPECT_EQ(VALUEKIND(Value("x")), "C");
  EXPECT_EQ(VALUEKIND(Value(1)), "N");
  EXPECT_EQ(VALUEKIND(Value()), "U");
  EXPECT_EQ(VALUEKIND(Value::Logical(true)), "L");
  EXPECT_EQ(VALUEKIND(Value::Date(2451545)), "D");
  EXPECT_EQ(VALUEKIND(Value::List({})), "A");
}

TEST(TextReplace, LeftToRightWithoutRescanning) {
  struct Case {
    std::string text, search, replacement, out;
  } cases[] = {
      {"aaa", "aa", "b", "ba"},       {"abc", "", "x", "abc"},
      {"ab", "abc", "x", "ab"},       {"a/b/c", "/", "", "abc"},
      {"aXa", "a", "aa", "aaXaa"},    {"xyz", "xyz", "", ""},
      {std::string("a\0b", 3), std::string("\0", 1), "-", "a-b"},
  };
  for (const auto& c : cases) EXPECT_EQ(REPLACEALL(c.text, c.search, c.replacement), c.out) << c.text;
  EXPECT_EQ(REPLACEALL(Value("a-b"), Value("-")), "ab");
}

TEST(TextReplace, NonTextRaisesTheArgumentError) {
  for (auto [text, search] : {std::pair{Value(5), Value("a")}, std::pair{Value("a"), Value()}}) {
    try {
      REPLACEALL(text, search, Value(""));
      FAIL() << "no error raised";
    } catch (const RaisedError& e) {
      EXPECT_EQ(e.error.subsystem, "BASE");
      EXPECT_EQ(e.error.code, 1126);
      EXPECT_EQ(e.error.description, Text852("Paraméter hiba"));
      EXPECT_EQ(e.error.operation, "REPLACEALL");
    }
  }
}

TEST(TextCenter, PadsWithTheOddBlankOnTheRight) {
  std::string t(23, 'x');
  EXPECT_EQ(CENTERTEXT(t, 80), std::string(28, ' ') + t + std::string(29, ' '));
  EXPECT_EQ(CENTERTEXT("abc", 2), "ab");
  EXPECT_EQ(CENTERTEXT("ab", 4), " ab ");
  EXPECT_EQ(CENTERTEXT("ab", 0), "");
  EXPECT_EQ(CENTERTEXT("ab", -3), "");
}

TEST(TextNumbers, NumtextAndZeropad) {
  struct Case {
    double number;
    std::optional<double> width;
    std::string out;
  } numtext[] = {
      {60, 6, "    60"},        {2.5, 6, "     3"},       {-2.5, 6, "    -3"},
      {-0.4, 6, "     0"},      {1234567, 6, "******"},   {-123456, 6, "******"},
      {4294967295.0, {}, "4294967295"}, {0, {}, "         0"}, {3, 1, "3"},
      {9.5, 1, "*"},            {-1, 1, "*"},             {999999.5, 6, "******"},
      {0.49999999999999994, 2, " 0"}, {7, 3.9, "  7"},    {1e20, 22, " 100000000000000000000"},
      {123456789012345678.0, 18, "123456789012345700"},   {1e300, 5, "*****"},
      {5, 0, ""},               {5, -2, ""},
  };
  for (const auto& c : numtext) EXPECT_EQ(NUMTEXT(c.number, c.width), c.out) << c.number;
  EXPECT_EQ(NUMTEXT(std::nan(""), 3), "***");

  struct ZeroCase {
    double number, width;
    std::string out;
  } zeropad[] = {
      {86399.5, 5, "86400"}, {7, 3, "007"},      {0.4, 5, "00000"}, {86399.499, 5, "86399"},
      {-7, 4, "-007"},       {1234, 3, "***"},  {-12, 3, "-12"},   {0, 1, "0"},
  };
  for (const auto& c : zeropad) EXPECT_EQ(ZEROPAD(c.number, c.width), c.out) << c.number;
}

TEST(TextSweep, AnyBytesAreSafe) {
  std::mt19937 random(1106);
  for (int round = 0; round < 2000; ++round) {
    std::string a(random() % 12, '\0'), b(random() % 4, '\0');
    for (char& c : a) c = static_cast<char>(random() % 256);
    for (char& c : b) c = static_cast<char>("ab \t\0"[random() % 5]);
    int64_t n = static_cast<int64_t>(random() % 30) - 15;
    EXPECT_EQ(UPCASE(a).size(), a.size());
    EXPECT_LE(TRIMBOTH(a).size(), a.size());
    EXPECT_LE(MIDPART(a, n, n + 3).size(), a.size());
    EXPECT_LE(REPLACEALL(a, b, "").size(), a.size());
    EXPECT_EQ(OCCURSIN(b, a), POSOF(b, a) > 0);
    bool begins_with = b.empty() || a.compare(0, b.size(), b) == 0;
    EXPECT_EQ(PREFIXCMP(a, b) == Order::Equal, begins_with);
  }
}
