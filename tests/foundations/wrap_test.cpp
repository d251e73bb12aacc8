// Cutting texts into lines of 150 columns, and the linear line reader.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "foundations/wrap.h"

namespace {

const int64_t W = 150;

std::string Pad(const std::string& s) { return s + std::string(W - s.size(), ' '); }
std::string Bytes(size_t n, char c = 'x') { return std::string(n, c); }

std::vector<std::string> AllLines(const std::string& text) {
  std::vector<std::string> lines;
  for (int64_t n = 1; n <= WRAPCOUNT(text, W); ++n) lines.push_back(WRAPLINE(text, W, n));
  return lines;
}

}  // namespace

TEST(Wrap, ExamplesAtWidth150) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"empty", "", {}},
      {"four bytes", "abcd", {Pad("abcd")}},
      {"with CR LF", "abcd\r\n", {Pad("abcd")}},
      {"two lines", "abcd\r\nefgh", {Pad("abcd"), Pad("efgh")}},
      {"lone LF", "abcd\nefgh\r\n", {Pad("abcd\nefgh")}},
      {"lone CR", "abcd\refgh\r\n", {Pad("abcd\refgh")}},
      {"only CR LF", "\r\n", {Pad("")}},
      {"blank line", "a\r\n\r\n", {Pad("a"), Pad("")}},
      {"blank between", "a\r\n\r\nb", {Pad("a"), Pad(""), Pad("b")}},
      {"150 bytes", Bytes(150) + "\r\n", {Bytes(150)}},
      {"151 bytes", Bytes(150) + "y", {Bytes(150), Pad("y")}},
      {"300 bytes", Bytes(300), {Bytes(150), Bytes(150)}},
      {"blank in column 151", Bytes(150) + " y", {Bytes(150), Pad("y")}},
      {"break after ab", "ab " + Bytes(149), {Pad("ab "), Pad(Bytes(149))}},
      {"blank in column 1", " " + Bytes(160), {" " + Bytes(149), Pad(Bytes(11))}},
      {"TAB x", "\tx", {Pad("    x")}},
      {"a TAB b", "a\tb", {Pad("a   b")}},
      {"TAB past the width", Bytes(148) + "\tyy", {Pad(Bytes(148)), Pad("yy")}},
      {"soft break", "a\x8D\nb", {Pad("ab")}},
      {"soft break after a blank", "ab \x8D\n" + Bytes(149), {Pad("ab "), Pad(Bytes(149))}},
      {"last break wins", "a b " + Bytes(147) + "z", {Pad("a b "), Pad(Bytes(147) + "z")}},
      {"TAB as the break", "ab\t" + Bytes(148), {Pad("ab  "), Pad(Bytes(148))}},
      {"CR LF after the width", Bytes(150) + "\r\n" + "b", {Bytes(150), Pad("b")}},
      {"0x8D alone", "a\x8D" "b", {Pad("a\x8D" "b")}},
      {"NUL bytes", std::string("a\0b", 3), {Pad(std::string("a\0b", 3))}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WRAPCOUNT(c.text, W), static_cast<int64_t>(c.lines.size())) << c.what;
    EXPECT_EQ(AllLines(c.text), c.lines) << c.what;
  }
}

TEST(Wrap, LinesOutsideTheTextAndValuesThatAreNotTexts) {
  EXPECT_EQ(WRAPLINE("ab\r\ncd", W, 0), "");
  EXPECT_EQ(WRAPLINE("ab\r\ncd", W, -3), "");
  EXPECT_EQ(WRAPLINE("ab\r\ncd", W, 3), Pad(""));  // the empty line at the end
  EXPECT_EQ(WRAPLINE("ab\r\ncd", W, 4), "");
  EXPECT_EQ(WRAPLINE("", W, 1), Pad(""));
  EXPECT_EQ(WRAPLINE("", W, 2), "");
  EXPECT_EQ(WRAPCOUNT(Value(5), W), 0);
  EXPECT_EQ(WRAPLINE(Value(), W, 1), "");
  EXPECT_EQ(WRAPCOUNT("abc", 0), 0);
  EXPECT_EQ(WRAPLINE("abc", 0, 1), "");
  EXPECT_EQ(WRAPCOUNT("\t\t", 1), 2);  // narrow widths still end
  EXPECT_EQ(WRAPLINE("\t\t", 1, 1), " ");
}

TEST(Wrap, LineReaderGivesTheLinesOfWraplineAndEveryLineIsFullWidth) {
  std::mt19937 random(1107);
  const char alphabet[] = {'a', 'b', ' ', ' ', '\t', '\r', '\n', '\x8D', '\0'};
  for (int round = 0; round < 300; ++round) {
    std::string text(random() % 700, '\0');
    for (char& c : text) c = alphabet[random() % sizeof alphabet];
    int64_t width = round % 3 == 0 ? W : 1 + random() % 12;
    std::vector<std::string> expected;
    for (int64_t n = 1; n <= WRAPCOUNT(text, width); ++n) {
      expected.push_back(WRAPLINE(text, width, n));
      ASSERT_EQ(static_cast<int64_t>(expected.back().size()), width) << text;
    }
    std::vector<std::string> read;
    LineReader reader(text, width);
    while (!reader.AtEnd()) read.push_back(reader.Next());
    ASSERT_EQ(read, expected) << text;
    EXPECT_EQ(reader.Next(), "");
  }
}

TEST(Wrap, LineReaderOwnsItsText) {
  LineReader reader(std::string("first\r\nsecond"), W);  // the temporary is gone
  EXPECT_EQ(reader.Next(), Pad("first"));
  EXPECT_EQ(reader.Next(), Pad("second"));
  EXPECT_TRUE(reader.AtEnd());
}
