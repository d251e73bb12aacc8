// The token exchange's answer as the program reads it: the 3.0 prefixes taken
// off by the program's own step, then the elements found by the reader.
#include <gtest/gtest.h>

#include "client/token_answer.h"
#include "request/reader.h"

namespace {

TEST(TokenAnswer, TokenResponseOf3_0IsReadAfterThePrefixesAreStripped) {
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
  const std::string plain = WithoutPrefixes(response);
  EXPECT_EQ(XMLBANYASZ(plain, "funcCode"), "OK");
  EXPECT_EQ(XMLBANYASZ(plain, "encodedExchangeToken"),
            "r4ZfGl5wXxZ7nGwOLwNa1q8zIgdoV7MqUf7nW8lXr6K8yQ5aNE2r6v3T5bQZpkrG");
  EXPECT_EQ(XMLBANYASZ(plain, "requestId"), "QK2022111464996278");
}

TEST(TokenAnswer, OnlyTheTagPrefixesNs1ToNs4AreRemoved) {
  const struct {
    std::string text, plain;
  } cases[] = {
      {"<ns1:a></ns1:a><ns4:b/></ns4:b>", "<a></a><b/></b>"},
      {"<ns5:a>x</ns5:a><ns0:b></ns0:b>", "<ns5:a>x</ns5:a><ns0:b></ns0:b>"},
      {"<ns12:a>ns2:text xmlns:ns2=\"u\"</ns12:a>", "<ns12:a>ns2:text xmlns:ns2=\"u\"</ns12:a>"},
      {"<NS2:a></NS2:a>", "<NS2:a></NS2:a>"},
      {"<ns3:<ns3:a>", "<<a>"},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WithoutPrefixes(c.text), c.plain) << c.text;
}

}  // namespace
