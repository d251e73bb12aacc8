// Where the envelope raises, what it leaves in the file, and settings of any
// content.
#include <gtest/gtest.h>

#include "foundations/codepage.h"
#include "foundations/levels.h"
#include "foundations/record.h"
#include "request/envelope.h"
#include "request/writer.h"
#include "request_fixture.h"

namespace {

class EnvelopeFailureTest : public RequestTest {};

TEST_F(EnvelopeFailureTest, MissingLoginRaisesInsideXmleljeCalledFromMain) {
  SetErrorHandler(RecordLevelsAndThrow);
  SetValidSettingsExcept("2.0", "LOGIN");

  g_levels_at_raise.clear();
  const std::string text = Write([] {
    ProcLevel main_level("MAIN");
    main_level.at(__LINE__);
    XMLELEJE("TokenExchangeRequest");
  });
  ASSERT_TRUE(raised_);
  EXPECT_EQ(raised_->code, 1003);
  EXPECT_EQ(raised_->operation, "LOGIN");
  ASSERT_EQ(g_levels_at_raise.size(), 2u);
  EXPECT_EQ(g_levels_at_raise[0].name, "XMLELEJE");
  EXPECT_EQ(g_levels_at_raise[1].name, "MAIN");
  EXPECT_GT(g_levels_at_raise[0].line, 0);
  EXPECT_GT(g_levels_at_raise[1].line, 0);
  // The declaration, the root, the header and the user's opening tag.
  const std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[7], "\t</header>");
  EXPECT_EQ(lines[8], "\t<user>");
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

struct MissingCase {
  const char* xsd;
  const char* root;
  const char* name;
  size_t lines_before;
};

const MissingCase kMissingCases[] = {
    {"3.0", "TokenExchangeRequest", "NL", 0},
    {"3.0", "TokenExchangeRequest", "XSDVERZIO", 1},
    {"3.0", "TokenExchangeRequest", "LOGIN", 9},
    {"3.0", "TokenExchangeRequest", "PASSWORD", 10},
    {"3.0", "TokenExchangeRequest", "TAXNUMBER", 11},
    {"3.0", "TokenExchangeRequest", "XMLKULCS", 12},
    {"3.0", "ManageInvoiceRequest", "OPERATION", 12},
    {"3.0", "TokenExchangeRequest", "SOFTWAREID", 15},
    {"3.0", "TokenExchangeRequest", "SOFTWARENAME", 16},
    {"2.0", "TokenExchangeRequest", "SOFTWAREMAINVERSION", 18},
    {"2.0", "TokenExchangeRequest", "SOFTWAREDEVNAME", 19},
    {"2.0", "TokenExchangeRequest", "SOFTWAREDEVCONTACT", 20},
};

TEST_F(EnvelopeFailureTest, MissingSettingRaisesWhereItIsRead) {
  for (const MissingCase& c : kMissingCases) {
    SetValidSettingsExcept(c.xsd, c.name);
    const std::string text = Write([&] { XMLELEJE(c.root, kContent); });
    ASSERT_TRUE(raised_) << c.name;
    EXPECT_EQ(raised_->code, 1003) << c.name;
    EXPECT_EQ(raised_->operation, c.name);
    EXPECT_EQ(Lines(text).size(), c.lines_before) << c.name;
  }
}

// Settings that are never read need not exist: OPERATION for the plain roots
// and below 2.0, the three later software fields below 2.0.
TEST_F(EnvelopeFailureTest, SettingsNotReadNeedNotExist) {
  for (const char* missing : {"OPERATION", "SOFTWAREMAINVERSION", "SOFTWAREDEVNAME",
                              "SOFTWAREDEVCONTACT"}) {
    SetValidSettingsExcept("1.0", missing);
    Envelope("ManageInvoiceRequest", kContent);
    EXPECT_FALSE(raised_) << missing;
  }
  SetValidSettingsExcept("3.0", "OPERATION");
  Envelope("QueryTaxpayerRequest");
  EXPECT_FALSE(raised_);
}

struct NumberCase {
  const char* xsd;
  const char* root;
  const char* name;
  bool raises;
};

const NumberCase kNumberCases[] = {
    {"3.0", "TokenExchangeRequest", "XMLKULCS", true},
    {"1.0", "TokenExchangeRequest", "XMLKULCS", true},
    {"3.0", "ManageAnnulmentRequest", "OPERATION", true},
    {"2.0", "ManageInvoiceRequest", "OPERATION", true},
    {"1.0", "ManageInvoiceRequest", "OPERATION", false},
    {"3.0", "TokenExchangeRequest", "OPERATION", false},
};

TEST_F(EnvelopeFailureTest, NumberAsKeyOrOperationRaisesPlusBeforeTheSignature) {
  for (const NumberCase& c : kNumberCases) {
    SetValidSettings(c.xsd);
    Settings().Set(c.name, Value(12345));
    const std::string text = Write([&] { XMLELEJE(c.root, kContent); });
    EXPECT_EQ(raised_.has_value(), c.raises) << c.xsd << " " << c.root << " " << c.name;
    if (!c.raises)
      continue;
    EXPECT_EQ(raised_->code, 1081);
    EXPECT_EQ(raised_->operation, "+");
    EXPECT_EQ(Lines(text).size(), 12u) << c.xsd << " " << c.root;
  }
}

// Numbers where texts are expected are written by the number rule; a number
// as the password is hashed as the empty text.
TEST_F(EnvelopeFailureTest, NumbersInTextSettings) {
  SetValidSettings("2.0");
  Settings().Set("LOGIN", Value(123456.7));
  Settings().Set("TAXNUMBER", Value(-11111111));
  Settings().Set("PASSWORD", Value(1));
  Settings().Set("SOFTWAREID", Value(1e15));
  const std::vector<std::string> lines = Lines(Envelope("TokenExchangeRequest"));
  EXPECT_FALSE(raised_);
  ASSERT_EQ(lines.size(), 23u);
  EXPECT_EQ(lines[9], "\t\t<login>123457</login>");
  // SHA-512 of the empty text.
  EXPECT_EQ(lines[10],
            "\t\t<passwordHash >CF83E1357EEFB8BDF1542850D66D8007D620E4050B5715DC83F4A921D36CE9CE47D0"
            "D13C5D85F2B0FF8318D2877EEC2F63B931BD47417A81A538327AF927DA3E</passwordHash>");
  EXPECT_EQ(lines[11], "\t\t<taxNumber>-11111111</taxNumber>");
  EXPECT_EQ(lines[15], "\t\t<softwareId>***********</softwareId>");
}

// Whatever the settings hold, the request stays well-formed XML: every
// markup byte of a value is escaped and every other byte becomes UTF-8.
TEST_F(EnvelopeFailureTest, AnySettingContentStaysWellFormed) {
  if (std::string(XMLLINT_EXE).empty())
    GTEST_FAIL() << "xmllint is not installed (package libxml2-utils)";
  std::string every_byte;  // all but the control bytes that XML 1.0 forbids
  for (int b = 0x20; b < 0x100; ++b)
    every_byte += static_cast<char>(b);
  const std::string values[] = {
      "&", "<", ">", "\"", "'", "&amp;", "]]>", "<!--", "</user>", "\t\r\n", "x  ",
      "\xA0rv\xD6zt\x8Br\x8B t\x81k\x94rf\xA3r\xA2g\x82p",  // árvíztűrő tükörfúrógép
      every_byte, std::string(100000, 'x') + "&<",
  };
  const char* names[] = {"LOGIN", "TAXNUMBER", "SOFTWAREID", "SOFTWARENAME",
                         "SOFTWAREMAINVERSION", "SOFTWAREDEVNAME", "SOFTWAREDEVCONTACT",
                         "XSDVERZIO", "PASSWORD", "XMLKULCS", "OPERATION"};
  for (const std::string& value : values) {
    SetValidSettings("3.0");
    for (const char* name : names)
      Settings().Set(name, Value(value));
    Envelope("ManageInvoiceRequest", Value(value));
    EXPECT_FALSE(raised_);
    std::string output;
    EXPECT_EQ(RunXmllint("--noout '" + path_ + "'", &output), 0)
        << value.substr(0, 40) << "\n" << output;
  }
}

// Control bytes are written unchanged, as the writer writes every value:
// nothing crashes, and the bytes stand in the file as given.
TEST_F(EnvelopeFailureTest, ControlBytesAreWrittenUnchanged) {
  SetValidSettings("3.0");
  const std::string control("a\x00\x01\x1b\x7f" "b", 6);
  Settings().Set("SOFTWARENAME", Value(control));
  const std::vector<std::string> lines = Lines(Envelope("TokenExchangeRequest"));
  EXPECT_FALSE(raised_);
  ASSERT_EQ(lines.size(), 23u);
  EXPECT_EQ(lines[16], "\t\t<softwareName>" + CP852TOUTF8(Value(control)) + "</softwareName>");
  EXPECT_NE(lines[16].find('\0'), std::string::npos);
}

}  // namespace
