// e2e_queries_test.cpp: the query functions run by the real program: their
// checks and messages, the trimming of their keys, the file-name part of an
// invoice number, the direction and the bodies they send.
#include <gtest/gtest.h>

#include "client/e2e_harness.h"

namespace {

using E2eQueries = E2eTest;

const char kHeading[] = "KVITALINK  2022.01";

// The request's body: the lines after the software block.
std::string BodyOf(const std::string& request) {
  const std::string end = "</software>\r\n";
  size_t at = request.find(end);
  return at == std::string::npos ? "" : request.substr(at + end.size());
}

struct MessageCase {
  const char* name;
  const char* funkcio;
  const char* version;
  Params changes;                      // "" as value: the key is dropped
  const char* message;                 // standard error, lines after the heading
};

TEST_F(E2eQueries, ChecksEndTheRunWithTheirMessageAndWriteNothing) {
  const std::string twice = std::string(kHeading) + "\n\n";
  const std::vector<MessageCase> cases = {
      {"M8 data", "4", "3.0", {{"invoicenumber", ""}},
       "queryInvoiceData műveletnél nincs 'invoicenumber' sor!"},
      {"M8 number", "4", "3.0", {{"invoicenumber", "12"}},
       "queryInvoiceData műveletnél nincs 'invoicenumber' sor!"},
      {"M8 before M11", "5", "1.0", {{"invoicenumber", ""}},
       "queryInvoiceCheck műveletnél nincs 'invoicenumber' sor!"},
      {"M11", "5", "1.0", {}, "queryInvoiceCheck csak XSD 2.0-tól!"},
      {"M10 lap as text", "6", "3.0", {{"lap", Quoted("1")}},
       "queryInvoiceDigest műveletnél a paraméter fájlban kötelező sorok: datumtol, datumig, "
       "kibe, lap!"},
      {"M10 kibe missing", "6", "2.0", {{"kibe", ""}},
       "queryInvoiceDigest műveletnél a paraméter fájlban kötelező sorok: datumtol, datumig, "
       "kibe, lap!"},
      {"M10 before M12", "6", "1.0", {{"datumig", ""}},
       "queryInvoiceDigest műveletnél a paraméter fájlban kötelező sorok: datumtol, datumig, "
       "kibe, lap!"},
      {"M12", "6", "1.0", {}, "queryInvoiceDigest csak XSD 2.0-tól!"},
  };
  for (const MessageCase& c : cases) {
    SCOPED_TRACE(c.name);
    E2eWorkspace ws;
    ws.UseAuthority();
    Params p = ws.ParamsFor(c.funkcio, c.version);
    Change(p, c.changes);
    E2eRun run = ws.Run(p);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_FALSE(run.parameter_file_left);
    const std::string message = c.message;
    const bool heading_twice = message.find("csak XSD") != std::string::npos;
    EXPECT_EQ(run.err, std::string(kHeading) + "\n\n" + (heading_twice ? twice : "") + message + "\n");
    EXPECT_EQ(ws.OutFiles(), std::vector<std::string>());
    EXPECT_TRUE(ws.CurlCalls().empty());
  }
}

struct BodyCase {
  const char* name;
  const char* funkcio;
  const char* version;
  Params changes;
  const char* request;   // the request file's name
  const char* body;      // the lines after the software block, "\n" for CR LF
};

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text)
    out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

TEST_F(E2eQueries, NamesAndBodiesFollowTheKeys) {
  const std::vector<BodyCase> cases = {
      {"status, original default", "2", "3.0", {}, "T1_queryrequest.xml",
       "\t<transactionId>T1</transactionId>\n"
       "\t<returnOriginalRequest>false</returnOriginalRequest>\n"
       "</QueryTransactionStatusRequest>\n"},
      {"status below 2.0, a longer code", "23", "1.0", {{"original", Quoted("true")}},
       "T1_queryrequest.xml",
       "\t<transactionId>T1</transactionId>\n"
       "\t<returnOriginalRequest>true</returnOriginalRequest>\n"
       "</QueryInvoiceStatusRequest>\n"},
      {"data, number trimmed, outbound without kibe", "4", "3.0",
       {{"invoicenumber", Quoted(" A/2022 01 ")}, {"taxnumber2", Quoted("12345678")}},
       "A2022_01_queryinvoicedatarequest.xml",
       "\t<invoiceNumberQuery>\n"
       "\t\t<invoiceNumber>A/2022 01</invoiceNumber>\n"
       "\t\t<invoiceDirection>OUTBOUND</invoiceDirection>\n"
       "\t</invoiceNumberQuery>\n"
       "</QueryInvoiceDataRequest>\n"},
      {"data inbound with supplier", "45", "3.0",
       {{"kibe", Quoted("bejövő")}, {"taxnumber2", Quoted("12345678")}},
       "A2022_01_queryinvoicedatarequest.xml",
       "\t<invoiceNumberQuery>\n"
       "\t\t<invoiceNumber>A/2022 01</invoiceNumber>\n"
       "\t\t<invoiceDirection>INBOUND</invoiceDirection>\n"
       "\t\t<supplierTaxNumber>12345678</supplierTaxNumber>\n"
       "\t</invoiceNumberQuery>\n"
       "</QueryInvoiceDataRequest>\n"},
      {"check inbound without tax number", "56", "2.0", {{"kibe", Quoted("B")}},
       "A2022_01_queryinvoicecheckrequest.xml",
       "\t<invoiceNumberQuery>\n"
       "\t\t<invoiceNumber>A/2022 01</invoiceNumber>\n"
       "\t\t<invoiceDirection>INBOUND</invoiceDirection>\n"
       "\t</invoiceNumberQuery>\n"
       "</QueryInvoiceCheckRequest>\n"},
      {"check outbound, kimenő", "5", "3.0",
       {{"kibe", Quoted("kimenő")}, {"taxnumber2", Quoted("12345678")}},
       "A2022_01_queryinvoicecheckrequest.xml",
       "\t<invoiceNumberQuery>\n"
       "\t\t<invoiceNumber>A/2022 01</invoiceNumber>\n"
       "\t\t<invoiceDirection>OUTBOUND</invoiceDirection>\n"
       "\t</invoiceNumberQuery>\n"
       "</QueryInvoiceCheckRequest>\n"},
      {"data below 2.0", "4", "1.0", {{"kibe", Quoted("B")}},
       "A2022_01_queryinvoicedatarequest.xml",
       "\t<page>1</page>\n"
       "\t<invoiceQuery>\n"
       "\t\t<invoiceNumber>A/2022 01</invoiceNumber>\n"
       "\t</invoiceQuery>\n"
       "</QueryInvoiceDataRequest>\n"},
      {"the characters a file name cannot hold", "4", "3.0",
       {{"invoicenumber", Quoted("x<y>:|?*\\/z")}}, "xyz_queryinvoicedatarequest.xml",
       "\t<invoiceNumberQuery>\n"
       "\t\t<invoiceNumber>x&lt;y&gt;:|?*\\/z</invoiceNumber>\n"
       "\t\t<invoiceDirection>OUTBOUND</invoiceDirection>\n"
       "\t</invoiceNumberQuery>\n"
       "</QueryInvoiceDataRequest>\n"},
      {"digest, dates trimmed, page 2, kibe x", "6", "3.0",
       {{"datumtol", Quoted(" 2022-01-01 ")}, {"lap", "2"}, {"kibe", Quoted("x")}},
       "2022-01-01_2022-01-31_queryinvoicedigestrequest.xml",
       "\t<page>2</page>\n"
       "\t<invoiceDirection>OUTBOUND</invoiceDirection>\n"
       "\t<invoiceQueryParams>\n"
       "\t\t<mandatoryQueryParams>\n"
       "\t\t\t<invoiceIssueDate>\n"
       "\t\t\t\t<dateFrom>2022-01-01</dateFrom>\n"
       "\t\t\t\t<dateTo>2022-01-31</dateTo>\n"
       "\t\t\t</invoiceIssueDate>\n"
       "\t\t</mandatoryQueryParams>\n"
       "\t</invoiceQueryParams>\n"
       "</QueryInvoiceDigestRequest>\n"},
      {"chain, number untrimmed in the name", "8", "3.0",
       {{"invoicenumber", Quoted("A 1 ")}, {"kibe", Quoted("Bejövő")}},
       "A_1__queryinvoicechainrequest.xml",
       "\t<page>1</page>\n"
       "\t<invoiceChainQuery>\n"
       "\t\t<invoiceNumber>A 1</invoiceNumber>\n"
       "\t\t<invoiceDirection>INBOUND</invoiceDirection>\n"
       "\t</invoiceChainQuery>\n"
       "</QueryInvoiceChainDigestRequest>\n"},
      {"taxpayer", "3", "2.0", {{"taxnumber2", Quoted("87654321")}},
       "87654321_taxpayerrequest.xml",
       "\t<taxNumber>87654321</taxNumber>\n"
       "</QueryTaxpayerRequest>\n"},
  };
  for (const BodyCase& c : cases) {
    SCOPED_TRACE(c.name);
    E2eWorkspace ws;
    ws.UseAuthority();
    Params p = ws.ParamsFor(c.funkcio, c.version);
    Change(p, c.changes);
    E2eRun run = ws.Run(p);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(BodyOf(E2eWorkspace::Read(ws.Out(c.request))), WithCrLf(c.body));
    std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].fields["accepted"], "yes") << logged[0].fields["check xsd"];
  }
}

TEST_F(E2eQueries, ChainDigestNeedsATextInvoiceNumber) {
  for (const char* number : {"", "12"}) {
    SCOPED_TRACE(number);
    E2eWorkspace ws;
    ws.UseAuthority();
    Params p = ws.ParamsFor("8");
    if (*number)
      p["invoicenumber"] = number;
    else
      p.erase("invoicenumber");
    E2eRun run = ws.Run(p);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find(*number ? "REPLACEALL" : "INVOICENUMBER"), std::string::npos) << run.err;
    EXPECT_EQ(ws.OutFiles(), std::vector<std::string>());
    EXPECT_TRUE(ws.CurlCalls().empty());
  }
}

}  // namespace
