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

// The prefixes the caller strips from a 3.0 token response before reading.
std::string StripPrefixes(std::string text) {
  for (const char* open : {"<ns1:", "<ns2:", "<ns3:", "<ns4:"}) {
    const std::string close = std::string("</") + (open + 1);
    for (const std::string& p : {std::string(open), close})
      for (size_t at; (at = text.find(p)) != std::string::npos;)
        text.replace(at, p.size(), p[1] == '/' ? "</" : "<");
  }
  return text;
}

TEST(XmlBanyasz, TokenResponseOf3_0AfterThePrefixesAreStripped) {
  const std::string response =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
      "<TokenExchangeResponse xmlns=\"http://schemas.nav.gov.hu/OSA/3.0/api\" "
      "xmlns:ns2=\"http://schemas.nav.gov.hu/NTCA/1.0/common\" "
      "xmlns:ns3=\"http://schemas.nav.gov.hu/OSA/3.0/base\" "
      "xmlns:ns4=\"http://schemas.nav.gov.hu/OSA/3.0/data\">"
      "<ns2:header><ns2:requestId>QK2022111464996278</ns2:requestId>"
      "<ns2:timestamp>2022-11-14T17:03:17.000Z</ns2:timestamp>"
      "<ns2:requestVersion>3.0</ns2:requestVersion><ns2:headerVersion>1.0</ns2:headerVersion>"
      "</ns2:header>"
      "<ns2:result><ns2:funcCode>OK</ns2:funcCode></ns2:result>"
      "<software><softwareId>HU11111111KVLNK-01</softwareId></software>"
      "<encodedExchangeToken>r4ZfGl5wXxZ7nGwOLwNa1q8zIgdoV7MqUf7nW8lXr6K8yQ5aNE2r6v3T5bQZpkrG"
      "</encodedExchangeToken>"
      "<tokenValidityFrom>2022-11-14T17:03:17.000Z</tokenValidityFrom>"
      "<tokenValidityTo>2022-11-14T17:08:17.000Z</tokenValidityTo>"
      "</TokenExchangeResponse>";
  EXPECT_EQ(XMLBANYASZ(response, "funcCode"), "");  // still prefixed
  const std::string plain = StripPrefixes(response);
  EXPECT_EQ(XMLBANYASZ(plain, "funcCode"), "OK");
  EXPECT_EQ(XMLBANYASZ(plain, "encodedExchangeToken"),
            "r4ZfGl5wXxZ7nGwOLwNa1q8zIgdoV7MqUf7nW8lXr6K8yQ5aNE2r6v3T5bQZpkrG");
  EXPECT_EQ(XMLBANYASZ(plain, "requestId"), "QK2022111464996278");
}

}  // namespace
