// The request writer: one line per call, its tabs, escapes and depth.
#include <gtest/gtest.h>

#include "foundations/levels.h"
#include "foundations/record.h"
#include "request/writer.h"
#include "request_fixture.h"

namespace {

struct LineCase {
  const char* what;
  int64_t depth;
  std::string name;
  Value value;
  Value mode;
  Value attribute;
  std::string line;       // without the line end
  int64_t depth_after;
};

const LineCase kLineCases[] = {
    {"K at depth 0 has no tab", 0, "root", {}, "K", {}, "<root>", 1},
    {"Z back to depth 0 has no tab", 1, "root", {}, "Z", {}, "</root>", 0},
    {"K at depth 2", 2, "user", {}, "K", {}, "\t\t<user>", 3},
    {"Z lowers the depth before the line", 3, "user", {}, "Z", {}, "\t\t</user>", 2},
    {"leaf at depth 2", 2, "login", "abc", {}, {}, "\t\t<login>abc</login>", 2},
    {"explicit KZ is a leaf", 1, "a", "x", "KZ", {}, "\t<a>x</a>", 1},
    {"no value, no mode", 1, "a", {}, {}, {}, "\t<a></a>", 1},
    {"empty text", 1, "a", "", {}, {}, "\t<a></a>", 1},
    {"blanks only", 1, "a", "   ", {}, {}, "\t<a></a>", 1},
    {"leading blanks kept, trailing cut", 0, "a", "  x  ", {}, {}, "<a>  x</a>", 0},
    {"only 0x20 is cut at the end", 0, "a", "x\t\r\n ", {}, {}, "<a>x\t\r\n</a>", 0},
    {"the five escapes", 0, "a", "&\"'<>", {}, {}, "<a>&amp;&quot;&apos;&lt;&gt;</a>", 0},
    {"an entity is escaped again", 0, "a", "&amp;", {}, {}, "<a>&amp;amp;</a>", 0},
    {"control bytes unchanged", 0, "a", std::string("\x01\x1f", 2), {}, {},
     "<a>\x01\x1f</a>", 0},
    {"a\xA0 in a value becomes UTF-8", 0, "a", "\xA0", {}, {}, "<a>\xC3\xA1</a>", 0},
    {"a\xA0 in a name and attribute stays one byte", 0, "n\xA0", "v", {}, "b=\"\xA0\"",
     "<n\xA0 b=\"\xA0\">v</n\xA0>", 0},
    {"the number 1", 0, "a", 1, {}, {}, "<a>1</a>", 0},
    {"a negative number", 0, "a", -42, {}, {}, "<a>-42</a>", 0},
    {"a fraction is rounded", 0, "a", 2.5, {}, {}, "<a>3</a>", 0},
    {"a negative fraction is rounded away from zero", 0, "a", -2.5, {}, {}, "<a>-3</a>", 0},
    {"eleven places fit", 0, "a", -1234567890.0, {}, {}, "<a>-1234567890</a>", 0},
    {"a number too wide", 0, "a", 123456789012.0, {}, {}, "<a>***********</a>", 0},
    {"empty attribute gives one blank", 0, "h", "x", {}, "", "<h >x</h>", 0},
    {"blank attribute gives one blank", 0, "h", "x", {}, "   ", "<h >x</h>", 0},
    {"padded attribute is trimmed", 0, "h", "x", {}, "  t=\"1\"  ", "<h t=\"1\">x</h>", 0},
    {"attribute on an opening line", 0, "h", {}, "K", "t=\"1\"", "<h t=\"1\">", 1},
    {"the closing tag never carries the attribute", 1, "h", {}, "Z", "t=\"1\"", "</h>", 0},
    {"a value on a K line", 0, "h", "v", "K", {}, "<h>v", 1},
    {"a value on a Z line", 1, "h", "v", "Z", {}, "v</h>", 0},
    {"a mode without K or Z writes the value alone", 1, "h", "v", "X", {}, "v", 1},
};

class WriterTest : public RequestTest {};

TEST_F(WriterTest, LinesByTable) {
  for (const LineCase& c : kLineCases) {
    int64_t after = -99;
    const std::string text = Write([&] {
      XMLSZINT = c.depth;
      XMLBE(c.name, c.value, c.mode, c.attribute);
      after = XMLSZINT;
    });
    EXPECT_EQ(text, c.line + "\r\n") << c.what;
    EXPECT_EQ(after, c.depth_after) << c.what;
  }
}

TEST_F(WriterTest, NestedDocumentHasOneTabPerLevel) {
  const std::string text = Write([] {
    XMLBE("a", Value(), "K");
    XMLBE("b", Value(), "K");
    XMLBE("c", "1");
    XMLBE("b", Value(), "Z");
    XMLBE("a", Value(), "Z");
  });
  EXPECT_EQ(text, "<a>\r\n\t<b>\r\n\t\t<c>1</c>\r\n\t</b>\r\n</a>\r\n");
}

// Each call is one write, so the line end comes from NL as it stands then.
TEST_F(WriterTest, LineEndIsTheSettingNL) {
  Settings().Set("NL", Value("|"));
  EXPECT_EQ(Write([] { XMLBE("a", "x"); }), "<a>x</a>|");
}

TEST_F(WriterTest, MissingOrNumericLineEndRaisesInXMLBE) {
  SetErrorHandler(RecordLevelsAndThrow);
  Settings().Set("NL", Value(7));
  EXPECT_EQ(Write([] { XMLBE("a", Value(), "K"); }), "");
  ASSERT_TRUE(raised_);
  EXPECT_EQ(raised_->code, 1081);
  ASSERT_FALSE(g_levels_at_raise.empty());
  EXPECT_EQ(g_levels_at_raise[0].name, "XMLBE");

  Settings().Clear();
  Write([] { XMLBE("a", "x"); });
  ASSERT_TRUE(raised_);
  EXPECT_EQ(raised_->code, 1003);
  EXPECT_EQ(raised_->operation, "NL");
}

// A failed write is not reported, and the depth changes all the same.
TEST_F(WriterTest, NoFileLosesTheLineButKeepsTheDepth) {
  F1 = kNoFile;
  XMLSZINT = 0;
  XMLBE("a", Value(), "K");
  EXPECT_EQ(XMLSZINT, 1);
}

}  // namespace
