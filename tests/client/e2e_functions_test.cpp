// e2e_functions_test.cpp: every function of the program, for each schema
// version that has it, run end to end by the real kvitalink through the real
// curl against the test authority: the request and response file names, the
// authority accepting every request, the answers left in the response files,
// the exact curl command lines, and the token kept out of every file.
#include <gtest/gtest.h>

#include <filesystem>

#include "client/e2e_harness.h"

namespace {

using E2eFunctions = E2eTest;

const char kTestHost[] = "https://api-test.onlineszamla.nav.gov.hu/invoiceService/";

struct Exchange {
  const char* operation;
  const char* request;    // file names in the out directory
  const char* response;
};

struct FunctionCase {
  const char* funkcio;
  const char* version;
  std::vector<Exchange> exchanges;
};

std::vector<FunctionCase> AllFunctions() {
  const Exchange token = {"tokenExchange", "teszt_tokenrequest.xml", "teszt_tokenresponse.xml"};
  const Exchange token1 = {"tokenExchange", "A12_tokenrequest.xml", "A12_tokenresponse.xml"};
  const Exchange invoice = {"manageInvoice", "A12_invoicerequest.xml", "A12_invoiceresponse.xml"};
  const Exchange annul = {"manageAnnulment", "teszt_annulrequest.xml", "teszt_annulresponse.xml"};
  const Exchange status = {"queryTransactionStatus", "T1_queryrequest.xml", "T1_queryresponse.xml"};
  const Exchange status1 = {"queryInvoiceStatus", "T1_queryrequest.xml", "T1_queryresponse.xml"};
  const Exchange taxpayer = {"queryTaxpayer", "12345678_taxpayerrequest.xml",
                             "12345678_taxpayerresponse.xml"};
  const Exchange data = {"queryInvoiceData", "A2022_01_queryinvoicedatarequest.xml",
                         "A2022_01_queryinvoicedataresponse.xml"};
  const Exchange check = {"queryInvoiceCheck", "A2022_01_queryinvoicecheckrequest.xml",
                          "A2022_01_queryinvoicecheckresponse.xml"};
  const Exchange digest = {"queryInvoiceDigest", "2022-01-01_2022-01-31_queryinvoicedigestrequest.xml",
                           "2022-01-01_2022-01-31_queryinvoicedigestresponse.xml"};
  const Exchange chain = {"queryInvoiceChainDigest", "A2022_01_queryinvoicechainrequest.xml",
                          "A2022_01_queryinvoicechainresponse.xml"};
  std::vector<FunctionCase> cases;
  for (const char* v : {"3.0", "2.0", "1.0"}) {
    const bool from_2_0 = std::string(v) != "1.0";
    cases.push_back({"0", v, {token}});
    cases.push_back({"1", v, {token1, invoice}});
    cases.push_back({"2", v, {from_2_0 ? status : status1}});
    cases.push_back({"3", v, {taxpayer}});
    cases.push_back({"4", v, {data}});
    if (!from_2_0)
      continue;
    cases.push_back({"7", v, {token, annul}});
    cases.push_back({"5", v, {check}});
    cases.push_back({"6", v, {digest}});
    cases.push_back({"8", v, {chain}});
  }
  return cases;
}

// Every file below the directory whose bytes hold the text.
std::vector<std::string> FilesHolding(const std::string& dir, const std::string& text) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
    if (entry.is_regular_file() &&
        E2eWorkspace::Read(entry.path().string()).find(text) != std::string::npos)
      found.push_back(entry.path().string());
  return found;
}

std::string WithoutLineEnds(std::string text) {
  std::erase(text, '\r');
  std::erase(text, '\n');
  return text;
}

// "v" + the first character + "/" from "2.0" on (compared over three bytes).
std::string VersionSegment(const std::string& version) {
  return version.compare(0, 3, "2.0") < 0 ? "" : "v" + version.substr(0, 1) + "/";
}

std::vector<std::string> ExpectedCurlCall(const E2eWorkspace& ws, const std::string& version,
                                          const Exchange& e, const char* host = kTestHost,
                                          const std::string& timeout = "60") {
  std::vector<std::string> call = {ws.curl_dir + "//curl", "-X", "POST", "-s", "-k"};
  const std::string operation = e.operation;
  if (operation == "manageInvoice" || operation == "manageAnnulment")
    call.push_back("--http1.0");
  call.insert(call.end(), {"-m" + timeout, "-H", "Accept: application/xml", "-H",
                           "Content-Type: application/xml", "-d", "@" + ws.Out(e.request),
                           host + VersionSegment(version) + operation, "-o", ws.Out(e.response)});
  return call;
}

TEST_F(E2eFunctions, EveryFunctionAndVersionIsAcceptedAndLeavesItsFiles) {
  for (const FunctionCase& c : AllFunctions()) {
    SCOPED_TRACE(std::string("function ") + c.funkcio + ", schema " + c.version);
    E2eWorkspace ws;
    ws.UseAuthority();
    E2eRun run = ws.Run(ws.ParamsFor(c.funkcio, c.version));
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(E2eWorkspace::Exists(ws.root + "/param.txt"));

    std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
    std::vector<std::vector<std::string>> calls = ws.CurlCalls();
    ASSERT_EQ(logged.size(), c.exchanges.size());
    ASSERT_EQ(calls.size(), c.exchanges.size());
    std::vector<std::string> expected_files;
    for (size_t i = 0; i < c.exchanges.size(); ++i) {
      const Exchange& e = c.exchanges[i];
      SCOPED_TRACE(e.operation);
      EXPECT_EQ(logged[i].operation, e.operation);
      EXPECT_EQ(logged[i].fields["accepted"], "yes") << logged[i].body;
      EXPECT_EQ(logged[i].fields["http_version"],
                calls[i].size() > 5 && calls[i][5] == "--http1.0" ? "HTTP/1.0" : "HTTP/1.1");
      EXPECT_EQ(calls[i], ExpectedCurlCall(ws, c.version, e));
      // "-d @file" posts the file without its CR and LF bytes.
      EXPECT_EQ(WithoutLineEnds(E2eWorkspace::Read(ws.Out(e.request))), logged[i].body);
      EXPECT_TRUE(logged[i].answered);
      EXPECT_EQ(E2eWorkspace::Read(ws.Out(e.response)), logged[i].response);
      expected_files.push_back(e.request);
      expected_files.push_back(e.response);
    }
    std::sort(expected_files.begin(), expected_files.end());
    EXPECT_EQ(ws.OutFiles(), expected_files);

    if (logged[0].operation == "tokenExchange") {
      const std::string token = logged[0].fields["token"];
      ASSERT_EQ(token.size(), 48u);
      // Only the request that needs it, a submission or an annulment, holds it.
      std::vector<std::string> holding;
      if (c.exchanges.size() > 1)
        holding.push_back(ws.Out(c.exchanges[1].request));
      EXPECT_EQ(FilesHolding(ws.root, token), holding);
      if (c.exchanges.size() > 1) {
        EXPECT_EQ(logged[1].fields["exchange_token"], token);
      }
    }
  }
}

// Production host, another time limit, and the token length the authority
// chooses: the command line follows the settings.
TEST_F(E2eFunctions, CommandLineFollowsHostAndTimeLimit) {
  E2eWorkspace ws;
  ws.UseAuthority(R"("token_length": 50)");
  Params p = ws.ParamsFor("1", "2.0");
  p.erase("teszturl");
  p["timeout"] = "30";
  E2eRun run = ws.Run(p);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  const char* production = "https://api.onlineszamla.nav.gov.hu/invoiceService/";
  std::vector<std::vector<std::string>> calls = ws.CurlCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0], ExpectedCurlCall(ws, "2.0",
                                       {"tokenExchange", "A12_tokenrequest.xml",
                                        "A12_tokenresponse.xml"}, production, "30"));
  EXPECT_EQ(calls[1], ExpectedCurlCall(ws, "2.0",
                                       {"manageInvoice", "A12_invoicerequest.xml",
                                        "A12_invoiceresponse.xml"}, production, "30"));
  std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_EQ(logged[1].fields["accepted"], "yes");
  EXPECT_EQ(logged[0].fields["token"].size(), 50u);
}

// Setting texts that the shell would act on reach curl as they stand, item by
// item: the version segment of the URL, the time limit that overflows its
// width into "******", and paths with every special character. Nothing that
// a shell would do with them happens (no file is made by a command, no
// pattern is expanded, no output redirected).
TEST_F(E2eFunctions, SettingTextsReachCurlAsTheyStand) {
  struct Case {
    const char* version;
    const char* timeout;       // nullptr: the default
    const char* out_name;      // the out directory in the workspace
  };
  const char* const kPlain = "out";
  const std::vector<Case> cases = {
      {";3.0", nullptr, kPlain},
      {"|3.0", nullptr, kPlain},
      {"`3.0", nullptr, kPlain},
      {">3.0", nullptr, kPlain},
      {"$(touch MADE)3.0", nullptr, kPlain},   // below "2.0": no segment
      {"*3.0", nullptr, kPlain},
      {"3.0", "1234567", kPlain},               // -m******
      {"3.0", nullptr, "o $(touch MADE) `touch MADE`;|*>x&'q"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.version) + " " + (c.timeout ? c.timeout : "") + " " + c.out_name);
    E2eWorkspace ws(c.out_name);
    ws.UseCurlScript("exit 0");
    // What the shell would make of "-m******" and of "*" in a path.
    E2eWorkspace::Write(ws.root + "/-mGLOBBED", "");
    E2eWorkspace::Write(ws.out_dir + "/GLOBBED", "");
    Params p = ws.ParamsFor("3", c.version);
    if (c.timeout)
      p["timeout"] = c.timeout;
    E2eRun run = ws.Run(p);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::vector<std::vector<std::string>> calls = ws.CurlCalls();
    ASSERT_EQ(calls.size(), 1u);
    const std::string timeout = c.timeout ? "******" : "60";
    EXPECT_EQ(calls[0], ExpectedCurlCall(ws, c.version,
                                         {"queryTaxpayer", "12345678_taxpayerrequest.xml",
                                          "12345678_taxpayerresponse.xml"},
                                         kTestHost, timeout));
    EXPECT_TRUE(E2eWorkspace::Exists(ws.Out("12345678_taxpayerrequest.xml")));
    EXPECT_FALSE(E2eWorkspace::Exists(ws.root + "/MADE"));
    EXPECT_FALSE(E2eWorkspace::Exists(ws.root + "/x"));
    EXPECT_FALSE(E2eWorkspace::Exists(ws.root + "/q"));
  }
}

}  // namespace
