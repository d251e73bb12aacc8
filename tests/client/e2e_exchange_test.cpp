// e2e_exchange_test.cpp: what the exchange leaves in the response file: the
// no-answer texts, the ANSI rewrite, the bytes as received otherwise, the old
// response deleted first, and the faults of curl and of the authority.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <filesystem>

#include "client/e2e_harness.h"

namespace {

using E2eExchange = E2eTest;

const char kNoTokenAnswer[] = "HIBA - Nincs válasz a NAV online számla rendszerből (token kérés)!";
const char kNoSendingAnswer[] =
    "HIBA - Nincs válasz a NAV online számla rendszerből (számla küldés)!";
const char kAccented[] = "Árvíztűrő tükörfúrógép";

struct NoAnswerCase {
  const char* name;
  const char* funkcio;
  const char* config;
  const char* response;     // the response file that the run leaves
  const char* text;         // its content; nullptr: no file at all
};

// Whatever keeps the answer away, an older response is deleted first and the
// no-answer text (Windows-1250, no line end) takes its place; a query leaves
// no response file.
TEST_F(E2eExchange, NoAnswerLeavesTheNoAnswerTextOrNothing) {
  const std::vector<NoAnswerCase> cases = {
      {"token, silent", "0", R"("operations": {"tokenExchange": {"mode": "silent"}})",
       "teszt_tokenresponse.xml", kNoTokenAnswer},
      {"submission, silent", "1", R"("operations": {"manageInvoice": {"mode": "silent"}})",
       "A12_invoiceresponse.xml", kNoSendingAnswer},
      {"annulment, silent", "7", R"("operations": {"manageAnnulment": {"mode": "silent"}})",
       "teszt_annulresponse.xml", kNoSendingAnswer},
      {"query, silent", "3", R"("operations": {"queryTaxpayer": {"mode": "silent"}})",
       "12345678_taxpayerresponse.xml", nullptr},
      {"token, past the time limit", "0",
       R"("operations": {"tokenExchange": {"mode": "slow", "seconds": 4}})",
       "teszt_tokenresponse.xml", kNoTokenAnswer},
      {"query, past the time limit", "2",
       R"("operations": {"queryTransactionStatus": {"mode": "slow", "seconds": 4}})",
       "T1_queryresponse.xml", nullptr},
  };
  for (const NoAnswerCase& c : cases) {
    for (const char* charcode : {"", "ANSI"}) {
      SCOPED_TRACE(std::string(c.name) + ", charcode " + charcode);
      E2eWorkspace ws;
      ws.UseAuthority(c.config);
      E2eWorkspace::Write(ws.Out(c.response), "older answer");
      Params p = ws.ParamsFor(c.funkcio);
      p["timeout"] = "1";
      if (*charcode)
        p["charcode"] = Quoted(charcode);
      E2eRun run = ws.Run(p);
      EXPECT_EQ(run.exit_code, 0);
      EXPECT_EQ(run.err, "");
      if (c.text)
        EXPECT_EQ(E2eWorkspace::Read(ws.Out(c.response)), Utf8To1250(c.text));
      else
        EXPECT_FALSE(E2eWorkspace::Exists(ws.Out(c.response)));
    }
  }
}

// curl gone after the check (here: between the token exchange and the
// submission): the submission finds no answer.
TEST_F(E2eExchange, CurlRemovedAfterTheCheckCountsAsNoAnswer) {
  E2eWorkspace ws;
  ws.UseAuthority();
  const std::string wrapper = ws.curl_dir + "/authority-curl";
  std::filesystem::rename(ws.curl_dir + "/curl", wrapper);
  ws.UseCurlScript("rm -f \"$0\"\nexec " + ShellQuoted(wrapper) + " \"$@\"");
  E2eWorkspace::Write(ws.Out("A12_invoiceresponse.xml"), "older answer");
  E2eRun run = ws.Run(ws.ParamsFor("1"));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(TestAuthority::Get().Requests().size(), 1u);
  EXPECT_EQ(E2eWorkspace::Read(ws.Out("A12_invoiceresponse.xml")), Utf8To1250(kNoSendingAnswer));
}

// curl that cannot run, is killed, or writes nothing: the same ends.
TEST_F(E2eExchange, CurlFaultsCountAsNoAnswer) {
  struct Case {
    const char* name;
    const char* script;   // nullptr: a curl file that cannot be executed
  };
  const std::vector<Case> cases = {
      {"writes nothing", "exit 0"},
      {"killed", "kill -9 $$"},
      {"fails", "exit 7"},
      {"cannot be executed", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* funkcio : {"0", "4"}) {
      E2eWorkspace ws;
      if (c.script) {
        ws.UseCurlScript(c.script);
      } else {
        ws.UseCurlScript("exit 0");
        chmod((ws.curl_dir + "/curl").c_str(), 0644);
      }
      const std::string response = *funkcio == '0' ? "teszt_tokenresponse.xml"
                                                   : "A2022_01_queryinvoicedataresponse.xml";
      E2eWorkspace::Write(ws.Out(response), "older answer");
      E2eRun run = ws.Run(ws.ParamsFor(funkcio));
      EXPECT_EQ(run.exit_code, 0) << run.err;
      EXPECT_FALSE(run.parameter_file_left);
      if (*funkcio == '0')
        EXPECT_EQ(E2eWorkspace::Read(ws.Out(response)), Utf8To1250(kNoTokenAnswer));
      else
        EXPECT_FALSE(E2eWorkspace::Exists(ws.Out(response)));
    }
  }
}

// CHARCODE "ANSI" (in any case, or any longer text) rewrites the answer in
// Windows-1250 and drops one trailing 0x1A; "" and "UTF8" keep the bytes as
// received.
TEST_F(E2eExchange, AnswersAreRewrittenOnlyForAnsi) {
  const std::string config = std::string(R"("operations": {"queryTaxpayer": {"message": ")") +
                             kAccented + R"(", "append_hex": "1a"}})";
  for (const char* charcode : {"", "UTF8", "ANSI", "ansi", "ANSI1250"}) {
    SCOPED_TRACE(std::string("charcode ") + charcode);
    E2eWorkspace ws;
    ws.UseAuthority(config);
    Params p = ws.ParamsFor("3");
    if (*charcode)
      p["charcode"] = Quoted(charcode);
    E2eRun run = ws.Run(p);
    EXPECT_EQ(run.exit_code, 0);
    std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
    ASSERT_EQ(logged.size(), 1u);
    const std::string& received = logged[0].response;
    ASSERT_EQ(received.back(), '\x1a');
    ASSERT_NE(received.find(kAccented), std::string::npos);
    const std::string file = E2eWorkspace::Read(ws.Out("12345678_taxpayerresponse.xml"));
    const bool ansi = std::string(charcode).size() >= 4 && std::string(charcode) != "UTF8";
    if (ansi)
      EXPECT_EQ(file, Utf8To1250(received.substr(0, received.size() - 1)));
    else
      EXPECT_EQ(file, received);
  }
}

// Under ANSI the token response is rewritten with its prefixes, while the
// token is read from the UTF-8 bytes without them: the submission goes on.
TEST_F(E2eExchange, TokenIsReadFromTheAnswerAsReceived) {
  E2eWorkspace ws;
  ws.UseAuthority(std::string(R"("operations": {"tokenExchange": {"message": ")") + kAccented +
                  R"("}})");
  Params p = ws.ParamsFor("1", "3.0");
  p["charcode"] = Quoted("ANSI");
  E2eRun run = ws.Run(p);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_EQ(logged[1].fields["accepted"], "yes");
  const std::string token_file = E2eWorkspace::Read(ws.Out("A12_tokenresponse.xml"));
  EXPECT_EQ(token_file, Utf8To1250(logged[0].response));
  EXPECT_NE(token_file.find("<ns2:funcCode>OK</ns2:funcCode>"), std::string::npos);
  EXPECT_EQ(E2eWorkspace::Read(ws.Out("A12_invoiceresponse.xml")), Utf8To1250(logged[1].response));
}

// Any bytes as an answer: an HTTP error page, NUL bytes and broken UTF-8 are
// kept or rewritten without harm.
TEST_F(E2eExchange, AnswersOfAnyBytesAreLeftForTheCaller) {
  const std::vector<const char*> configs = {
      R"("operations": {"manageInvoice": {"mode": "http500"}})",
      R"("operations": {"manageInvoice": {"mode": "garbage"}})",
      R"("operations": {"manageInvoice": {"mode": "raw", "body": ""}})",
  };
  for (const char* config : configs) {
    for (const char* charcode : {"", "ANSI"}) {
      SCOPED_TRACE(std::string(config) + " " + charcode);
      E2eWorkspace ws;
      ws.UseAuthority(config);
      Params p = ws.ParamsFor("1", "2.0");
      if (*charcode)
        p["charcode"] = Quoted(charcode);
      E2eRun run = ws.Run(p);
      EXPECT_EQ(run.exit_code, 0) << run.err;
      std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
      ASSERT_EQ(logged.size(), 2u);
      const std::string file = E2eWorkspace::Read(ws.Out("A12_invoiceresponse.xml"));
      if (!*charcode) {
        EXPECT_EQ(file, logged[1].response);
      } else if (logged[1].response.find('\xff') == std::string::npos) {
        EXPECT_EQ(file, Utf8To1250(logged[1].response));
      }
    }
  }
}

// A close request while curl runs ends the run once curl is done, before the
// answer is post-processed and before the submission.
TEST_F(E2eExchange, CloseRequestDuringCurlEndsTheRunBeforePostProcessing) {
  E2eWorkspace ws;
  ws.UseAuthority(std::string(R"("operations": {"tokenExchange": {"delay": 2, "message": ")") +
                  kAccented + R"("}})");
  Params p = ws.ParamsFor("1", "3.0");
  p["charcode"] = Quoted("ANSI");
  int pid = ws.Start(p);
  EXPECT_TRUE(TestAuthority::Get().WaitForRequest("tokenExchange"));
  kill(pid, SIGTERM);
  E2eRun run = ws.Wait(pid);
  EXPECT_EQ(run.exit_code, 0);
  std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(E2eWorkspace::Read(ws.Out("A12_tokenresponse.xml")), logged[0].response);
  EXPECT_FALSE(E2eWorkspace::Exists(ws.Out("A12_invoicerequest.xml")));
}

// A leading "." is an ordinary file name: the answers that curl writes under
// such names are kept, the submission goes on after the token exchange, and
// a query's answer is rewritten for ANSI.
TEST_F(E2eExchange, AnswersUnderNamesBeginningWithADotAreKept) {
  {
    SCOPED_TRACE("submission of .A12.xml");
    E2eWorkspace ws;
    ws.UseAuthority();
    const std::string invoice = ws.Out(".A12.xml");
    E2eWorkspace::Write(invoice, E2eWorkspace::Read(ws.invoice_path));
    Params p = ws.ParamsFor("1");
    p["invoicexml"] = Quoted(invoice);
    E2eRun run = ws.Run(p);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[1].operation, "manageInvoice");
    EXPECT_EQ(logged[1].fields["accepted"], "yes");
    EXPECT_EQ(E2eWorkspace::Read(ws.Out(".A12_tokenresponse.xml")), logged[0].response);
    EXPECT_EQ(E2eWorkspace::Read(ws.Out(".A12_invoiceresponse.xml")), logged[1].response);
  }
  {
    SCOPED_TRACE("query of .T under ANSI");
    E2eWorkspace ws;
    ws.UseAuthority();
    Params p = ws.ParamsFor("2");
    p["transactid"] = Quoted(".T");
    p["charcode"] = Quoted("ANSI");
    E2eRun run = ws.Run(p);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
    ASSERT_EQ(logged.size(), 1u);
    ASSERT_NE(logged[0].response, Utf8To1250(logged[0].response));   // accented letters
    EXPECT_EQ(E2eWorkspace::Read(ws.Out(".T_queryresponse.xml")), Utf8To1250(logged[0].response));
  }
}

}  // namespace
