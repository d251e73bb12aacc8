// Every envelope, with valid settings and closed with its root's "Z" line,
// validates against the authority's XSD of its schema version. Where a root
// needs a body, the test writes the smallest one the schema accepts: for 3.0
// and 2.0 the body of the authority's own sample of that request.
#include <gtest/gtest.h>

#include <filesystem>

#include "foundations/files.h"
#include "request/writer.h"
#include "request_fixture.h"

namespace {

const std::filesystem::path kSchemas = NAV_SCHEMAS_DIR;

class SchemaTest : public RequestTest {
 protected:
  void SetUp() override {
    RequestTest::SetUp();
    if (std::string(XMLLINT_EXE).empty())
      GTEST_FAIL() << "xmllint is not installed (package libxml2-utils)";
    if (!std::filesystem::exists(kSchemas / "3.0" / "invoiceApi.xsd"))
      GTEST_FAIL() << "the authority's schemas are missing from " << kSchemas
                   << " (third_party/nav-schemas of the project, or NAV_SCHEMAS_DIR)";
  }

  // Writes the envelope, the body and the closing line; expects xmllint to
  // accept the file against the schema.
  void ExpectValid(const std::string& xsd_dir, const std::string& root,
                   const std::function<void()>& body) {
    Envelope(root, kContent, body);
    ASSERT_FALSE(raised_) << root;
    std::string output;
    const std::string schema = (kSchemas / xsd_dir / "invoiceApi.xsd").string();
    EXPECT_EQ(RunXmllint("--noout --schema '" + schema + "' '" + path_ + "'", &output), 0)
        << XMLSZINT << " " << root << " against " << xsd_dir << ":\n"
        << output;
    EXPECT_EQ(XMLSZINT, 0) << root;
  }
};

// The body of the authority's sample: everything after its software block up
// to its closing root tag.
std::string SampleBody(const std::string& sample_dir, const std::string& sample,
                       const std::string& root) {
  const std::string text = ReadFileBytes((kSchemas / sample_dir / sample).string());
  const std::string after = "</software>";
  const size_t from = text.find(after);
  const size_t to = text.rfind("</" + root + ">");
  if (from == std::string::npos || to == std::string::npos || to < from)
    return "<!-- no body -->";
  return text.substr(from + after.size(), to - from - after.size());
}

struct RootSample {
  const char* root;
  const char* sample;
};

// The nine roots of the 3.0 and 2.0 schemas; QueryInvoiceStatusRequest is a
// request of the 1.x schema only.
const RootSample kRoots[] = {
    {"TokenExchangeRequest", "tokenExchange.xml"},
    {"QueryTransactionStatusRequest", "queryTransactionStatus.xml"},
    {"QueryTaxpayerRequest", "queryTaxpayer.xml"},
    {"QueryInvoiceDataRequest", "queryInvoiceData.xml"},
    {"QueryInvoiceCheckRequest", "queryInvoiceCheck.xml"},
    {"QueryInvoiceDigestRequest", "queryInvoiceDigest_outbound_query_params.xml"},
    {"QueryInvoiceChainDigestRequest", "queryInvoiceChainDigest.xml"},
    {"ManageInvoiceRequest", "manageInvoice.xml"},
    {"ManageAnnulmentRequest", "manageAnnulment.xml"},
};

TEST_F(SchemaTest, EveryRootValidatesFrom2_0) {
  for (const char* xsd : {"3.0", "2.0"}) {
    const std::string samples = std::string("samples-") + xsd;
    for (const RootSample& r : kRoots) {
      SetValidSettings(xsd);
      const std::string body = SampleBody(samples, r.sample, r.root);
      ExpectValid(xsd, r.root, [&] { PUTBYTES(F1, body); });
    }
  }
}

// Below 2.0 the namespace is the 1.x one; its schema knows five of the roots.
TEST_F(SchemaTest, RootsOfTheFirstSchemaValidateFor1_0) {
  SetValidSettings("1.0");
  ExpectValid("1.1", "TokenExchangeRequest", [] {});
  ExpectValid("1.1", "QueryInvoiceStatusRequest", [] { XMLBE("transactionId", "2Q1KZ1DAD6GDLPXB"); });
  ExpectValid("1.1", "QueryTaxpayerRequest", [] { XMLBE("taxNumber", "22222222"); });
  ExpectValid("1.1", "QueryInvoiceDataRequest", [] {
    XMLBE("page", 1);
    XMLBE("invoiceQuery", Value(), "K");
    XMLBE("invoiceNumber", "KVL-2022-1");
    XMLBE("invoiceQuery", Value(), "Z");
  });
  ExpectValid("1.1", "ManageInvoiceRequest", [] {
    XMLBE("exchangeToken", "b1aca173-d9e8-4561-9237-0511eed99eaa2P0ZHLXBRI2U");
    XMLBE("invoiceOperations", Value(), "K");
    XMLBE("technicalAnnulment", "false");
    XMLBE("compressedContent", "false");
    XMLBE("invoiceOperation", Value(), "K");
    XMLBE("index", 1);
    XMLBE("operation", "CREATE");
    XMLBE("invoice", kContent);
    XMLBE("invoiceOperation", Value(), "Z");
    XMLBE("invoiceOperations", Value(), "Z");
  });
}

}  // namespace
