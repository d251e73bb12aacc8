// The request envelope: its text for each schema version, its identifier,
// timestamp and signature, and where it raises.
#include <gtest/gtest.h>

#include "foundations/random.h"
#include "foundations/record.h"
#include "request/envelope.h"
#include "request/signature.h"
#include "request/writer.h"
#include "request_fixture.h"

namespace {

// SHA-512 of "Titkos-Jelszo1", upper-cased (Python's hashlib).
const char kPasswordHash[] =
    "337EDCECACECBCBDC265668EA5B92CBED6C48F42FB0A0C5A7CB6027CDFFB4AD643424BE54F6714875D"
    "551618844063D613C56916840698496AADC2997BB0DC14";

class EnvelopeTest : public RequestTest {};

// The golden files were computed outside the project, with Python's hashlib
// and zlib, from the pinned clock, the pinned draw and the valid settings.
struct GoldenCase {
  const char* xsd;
  const char* root;
  const char* content;
};

const GoldenCase kGoldenCases[] = {
    {"3.0", "TokenExchangeRequest", nullptr},
    {"2.0", "ManageAnnulmentRequest", kContent},     // SHA3-512 with the content digest
    {"2.5", "QueryTaxpayerRequest", nullptr},        // the 1.0 namespace, SHA3-512, six
    {"1.0", "ManageInvoiceRequest", kContent},       // SHA-512 with the CRC-32, three
};

TEST_F(EnvelopeTest, MatchesTheGoldenRequestOfEachVersion) {
  for (const GoldenCase& c : kGoldenCases) {
    SetValidSettings(c.xsd);
    SetRandomState(kPinnedRandomState);
    const Value content = c.content ? Value(c.content) : Value();
    const std::string text = Envelope(c.root, content);
    const std::string golden = ReadFileBytes(std::string(TESTS_SOURCE_DIR) +
                                             "/request/golden/envelope-" + c.xsd + ".xml");
    ASSERT_FALSE(golden.empty()) << c.xsd;
    EXPECT_EQ(text, golden) << c.xsd;
    EXPECT_FALSE(raised_) << c.xsd;
  }
}

// The submission writes a placeholder, hands the content over in pieces as
// it writes the body, and then fills the signature in: the file must be the
// one written with the signature known at once, the golden one where there
// is one. Both digests, and both forms of the requestSignature tag.
TEST_F(EnvelopeTest, PendingSignatureFillsInTheSignatureOfTheContent) {
  const GoldenCase cases[] = {
      {"3.0", "ManageInvoiceRequest", nullptr},
      {"2.0", "ManageAnnulmentRequest", "golden"},
      {"1.0", "ManageInvoiceRequest", "golden"},
  };
  const std::string content = kContent;
  for (const GoldenCase& c : cases) {
    SetValidSettings(c.xsd);
    SetRandomState(kPinnedRandomState);
    const std::string pending = Write([&] {
      PendingSignature signature;
      XMLELEJE(c.root, signature);
      for (size_t at = 0; at < content.size(); at += 7)
        signature.Add(std::string_view(content).substr(at, 7));
      signature.Complete();
      XMLBE(c.root, Value(), "Z");
    });
    EXPECT_FALSE(raised_) << c.xsd;
    SetRandomState(kPinnedRandomState);
    const std::string at_once = Envelope(c.root, Value(content));
    EXPECT_EQ(pending, at_once) << c.xsd;
    if (c.content) {
      EXPECT_EQ(pending, ReadFileBytes(std::string(TESTS_SOURCE_DIR) + "/request/golden/envelope-" +
                                       c.xsd + ".xml"))
          << c.xsd;
    }
  }
}

struct VersionCase {
  const char* xsd;
  const char* request_namespace;
  bool prefixed;
  bool sha3;
  size_t software_elements;
};

const VersionCase kVersionCases[] = {
    {"3.0", "/OSA/3.0/api", true, true, 6},   {"3.1", "/OSA/3.0/api", true, true, 6},
    {"4.0", "/OSA/3.0/api", true, true, 6},   {"2.0", "/OSA/2.0/api", false, true, 6},
    {"2.01", "/OSA/2.0/api", false, true, 6}, {"2.5", "/OSA/1.0/api", false, true, 6},
    {"3", "/OSA/1.0/api", false, true, 6},    {"1.0", "/OSA/1.0/api", false, false, 3},
    {"2", "/OSA/1.0/api", false, false, 3},   {"10.0", "/OSA/1.0/api", false, false, 3},
    {"", "/OSA/1.0/api", false, false, 3},
};

TEST_F(EnvelopeTest, VersionDecidesNamespacesPrefixDigestAndSoftware) {
  for (const VersionCase& c : kVersionCases) {
    SetValidSettings(c.xsd);
    const std::string text = Envelope("TokenExchangeRequest");
    const std::vector<std::string> lines = Lines(text);
    ASSERT_GE(lines.size(), 20u) << c.xsd;
    const std::string base = "http://schemas.nav.gov.hu";
    const std::string root =
        c.prefixed ? "<TokenExchangeRequest xmlns:common=\"" + base + "/NTCA/1.0/common\" xmlns=\"" +
                         base + c.request_namespace + "\">"
                   : "<TokenExchangeRequest xmlns=\"" + base + c.request_namespace + "\">";
    EXPECT_EQ(lines[1], root) << c.xsd;
    const std::string p = c.prefixed ? "common:" : "";
    EXPECT_EQ(lines[2], "\t<" + p + "header>") << c.xsd;
    EXPECT_EQ(lines[5], "\t\t<" + p + "requestVersion>" + c.xsd + "</" + p + "requestVersion>");
    const std::string a1 = c.prefixed ? " cryptoType=\"SHA-512\"" : " ";
    EXPECT_EQ(lines[10], "\t\t<" + p + "passwordHash" + a1 + ">" + kPasswordHash + "</" + p +
                             "passwordHash>")
        << c.xsd;
    const std::string id = ElementText(text, p + "requestId");
    const std::string input = id + StampDigits(ElementText(text, p + "timestamp")) + kSampleSignKey;
    EXPECT_EQ(ElementText(text, p + "requestSignature"), SignatureOf(input, c.sha3)) << c.xsd;
    const std::string a2 = c.prefixed ? "requestSignature cryptoType=\"SHA3-512\">"
                                      : "requestSignature >";
    EXPECT_NE(text.find(a2), std::string::npos) << c.xsd;
    size_t software = 0;
    for (const std::string& line : lines)
      software += line.rfind("\t\t<software", 0) == 0;
    EXPECT_EQ(software, c.software_elements) << c.xsd;
    EXPECT_EQ(lines.back(), "</TokenExchangeRequest>");
  }
}

struct ClockCase {
  BrokenTime local;
  const char* id_head;  // "QK", the local date and seconds
  const char* timestamp;
};

const ClockCase kClockCases[] = {
    // The last half second of a day rounds up to 86400 seconds.
    {{2022, 11, 14, 23, 59, 59, 500}, "QK2022111486400", "2022-11-14T22:59:59.000Z"},
    {{2022, 11, 14, 23, 59, 59, 999}, "QK2022111486400", "2022-11-14T22:59:59.000Z"},
    {{2022, 11, 14, 23, 59, 59, 499}, "QK2022111486399", "2022-11-14T22:59:59.000Z"},
    {{2022, 11, 15, 0, 0, 0, 499}, "QK2022111500000", "2022-11-14T23:00:00.000Z"},
    // Summer time, and a UTC instant a year before the local one.
    {{2022, 7, 1, 12, 0, 0, 0}, "QK2022070143200", "2022-07-01T10:00:00.000Z"},
    {{2022, 1, 1, 0, 30, 0, 0}, "QK2022010101800", "2021-12-31T23:30:00.000Z"},
};

TEST_F(EnvelopeTest, IdentifierIsLocalAndTimestampIsUtc) {
  for (const ClockCase& c : kClockCases) {
    PinClock(c.local);
    SetRandomState(1);  // the first draw is 1
    const std::string text = Envelope("TokenExchangeRequest");
    const std::string id = ElementText(text, "common:requestId");
    EXPECT_EQ(id, std::string(c.id_head) + "001") << c.timestamp;
    EXPECT_EQ(id.size(), 18u);
    EXPECT_EQ(ElementText(text, "common:timestamp"), c.timestamp);
    const std::string input = id + StampDigits(c.timestamp) + kSampleSignKey;
    EXPECT_EQ(ElementText(text, "common:requestSignature"), SignatureOf(input, true));
  }
}

TEST_F(EnvelopeTest, EachRequestGetsTheNextDraw) {
  SetRandomState(1);  // draws 1, 85, 601
  std::string ids;
  for (int i = 0; i < 3; ++i)
    ids += ElementText(Envelope("TokenExchangeRequest"), "common:requestId").substr(15) + " ";
  EXPECT_EQ(ids, "001 085 601 ");
}

TEST_F(EnvelopeTest, EmptySoftwareFieldIsAnEmptyElement) {
  SetValidSettings("2.0");
  Settings().Set("SOFTWAREDEVNAME", Value(""));
  const std::vector<std::string> lines = Lines(Envelope("TokenExchangeRequest"));
  ASSERT_EQ(lines.size(), 23u);
  EXPECT_EQ(lines[19], "\t\t<softwareDevName></softwareDevName>");
}

// The content digest covers the Base64 text as passed, not the bytes it
// stands for; below 2.0 the CRC-32 of that text, and no OPERATION.
TEST_F(EnvelopeTest, ManageSignatureCoversTheBase64Text) {
  // SHA3-512 of "ANNUL" + kContent, upper-cased (Python's hashlib).
  EXPECT_EQ(ContentDigest(std::string("ANNUL") + kContent),
            "7495DA168671FE008635B97852EC1E9FF4E5B4183B4F7E8BD4C0530A14D425E4"
            "E75D691ED28B29AE52A73578E0795F443245A14531DA30E6B25C3E6E4408A62E");
  // zlib.crc32 of kContent.
  EXPECT_EQ(ContentChecksum(kContent), "3286057168");

  SetValidSettings("1.0");
  Settings().Set("OPERATION", Value(5));
  Envelope("ManageInvoiceRequest", kContent);
  EXPECT_FALSE(raised_);
}

}  // namespace
