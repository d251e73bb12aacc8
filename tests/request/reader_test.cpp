// The element-text reader: the first opening tag to the first closing tag.
#include <gtest/gtest.h>

#include "request/reader.h"

namespace {

struct ReadCase {
  const char* what;
  std::string text;
  std::string tag;
  std::string result;
};

const ReadCase kReadCases[] = {
    {"plain element", "<funcCode>OK</funcCode>", "funcCode", "OK"},
    {"inside a document", "<a><b>1</b><funcCode>ERROR</funcCode></a>", "funcCode", "ERROR"},
    {"not there", "<a>1</a>", "funcCode", ""},
    {"no closing tag", "<funcCode>OK", "funcCode", ""},
    {"attributes are not matched", "<funcCode x=\"1\">OK</funcCode>", "funcCode", ""},
    {"a prefix is not matched", "<ns2:funcCode>OK</ns2:funcCode>", "funcCode", ""},
    {"self-closing", "<funcCode/>", "funcCode", ""},
    {"empty element", "<funcCode></funcCode>", "funcCode", ""},
    {"closing tag first", "</funcCode><funcCode>OK</funcCode>", "funcCode", ""},
    {"first of several", "<t>1</t><t>2</t>", "t", "1"},
    {"nested: to the first closing tag", "<t>a<t>b</t>c</t>", "t", "a<t>b"},
    {"blanks and line breaks kept", "<t>\r\n  OK \t</t>", "t", "\r\n  OK \t"},
    {"entities not decoded", "<t>a&amp;b&lt;</t>", "t", "a&amp;b&lt;"},
    {"case matters", "<FuncCode>OK</FuncCode>", "funcCode", ""},
    {"bytes unchanged", std::string("<t>\xC3\xA1\x00z</t>", 11), "t", std::string("\xC3\xA1\x00z", 4)},
    {"a longer name is not the tag", "<tag2>x</tag2><tag>y</tag>", "tag", "y"},
    {"the empty text", "", "t", ""},
};

TEST(XmlBanyasz, ByTable) {
  for (const ReadCase& c : kReadCases)
    EXPECT_EQ(XMLBANYASZ(c.text, c.tag), c.result) << c.what;
}

}  // namespace
