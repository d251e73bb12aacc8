// e2e_token_test.cpp: the token exchange run by the real program against the
// test authority: the funcCode test, the prefixes of the 3.0 answers, the
// token's length and its check, the refusal of a token deciphered under a
// wrong key, and the hand-over to the submission.
#include <gtest/gtest.h>

#include "client/e2e_harness.h"

namespace {

using E2eToken = E2eTest;

const char kHeading[] = "KVITALINK  2022.01";
const char kRefused[] =
    "A token kérés sikeres, de a token dekódolása sikertelen, érvénytelen karaktereket "
    "tartalmaz!\n\nEllenőrizze az XML cserekulcsot az Online számla beállításoknál!\n";

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// A token answer of the authority, as the config members make it.
struct AnswerCase {
  const char* name;
  const char* version;
  const char* config;
};

// funcCode other than "OK...": the run ends without a message, and no older
// answer of the submission or the annulment is left beside the token answer.
TEST_F(E2eToken, RefusedTokenRequestEndsSilently) {
  const std::vector<AnswerCase> cases = {
      {"ERROR answer", "3.0", R"("operations": {"tokenExchange": {"mode": "error"}})"},
      {"prefix ns2 under 2.0", "2.0",
       R"("operations": {"tokenExchange": {"common_prefix": "ns2"}})"},
      {"prefix ns5 under 3.0", "3.0",
       R"("operations": {"tokenExchange": {"common_prefix": "ns5"}})"},
      {"lower-case ok", "3.0",
       R"("operations": {"tokenExchange": {"mode": "raw", "body": "<r><funcCode>ok</funcCode></r>"}})"},
      {"empty funcCode", "3.0",
       R"("operations": {"tokenExchange": {"mode": "raw", "body": "<r><funcCode></funcCode></r>"}})"},
      {"garbage", "3.0", R"("operations": {"tokenExchange": {"mode": "garbage"}})"},
  };
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* funkcio : {"1", "7"}) {
      SCOPED_TRACE(funkcio);
      const std::string base = *funkcio == '1' ? "A12" : "teszt";
      const std::string older = base + (*funkcio == '1' ? "_invoice" : "_annul") + "response.xml";
      E2eWorkspace ws;
      ws.UseAuthority(c.config);
      E2eWorkspace::Write(ws.Out(older), "older answer");
      E2eRun run = ws.Run(ws.ParamsFor(funkcio, c.version));
      EXPECT_EQ(run.exit_code, 0);
      EXPECT_EQ(run.err, "");
      EXPECT_EQ(ws.CurlCalls().size(), 1u);
      std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
      ASSERT_EQ(logged.size(), 1u);
      EXPECT_EQ(E2eWorkspace::Read(ws.Out(base + "_tokenresponse.xml")), logged[0].response);
      EXPECT_EQ(ws.OutFiles(),
                (std::vector<std::string>{base + "_tokenrequest.xml", base + "_tokenresponse.xml"}));
    }
  }
}

// The prefixes ns1 to ns4 are stripped from 3.0 on; any text that begins with
// OK lets the run go on. The submission then carries exactly the issued token.
TEST_F(E2eToken, AcceptedAnswersHandTheTokenOver) {
  const std::vector<AnswerCase> cases = {
      {"ns4 under 3.0", "3.0", R"("operations": {"tokenExchange": {"common_prefix": "ns4"}})"},
      {"no prefix under 3.0", "3.0", R"("operations": {"tokenExchange": {"common_prefix": ""}})"},
      {"49 bytes", "3.0", R"("token_length": 49)"},
      {"50 bytes", "2.0", R"("token_length": 50)"},
      {"48 bytes, 1.0", "1.0", R"("token_length": 48)"},
      {"token of bytes 33 and 126", "3.0",
       R"("token": "!!!!!!!!!!!!!!!!!!!!!!!!~~~~~~~~~~~~~~~~~~~~~~~~")"},
  };
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(c.name);
    E2eWorkspace ws;
    ws.UseAuthority(c.config);
    E2eRun run = ws.Run(ws.ParamsFor("1", c.version));
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.err, "");
    std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[1].fields["exchange_token"], logged[0].fields["token"]);
    EXPECT_EQ(logged[1].fields["accepted"], "yes") << logged[1].fields["check token"];
  }
}

// The deciphered block decides the token: 48 bytes and then those above 16;
// a byte below 33 refuses it with the message.
TEST_F(E2eToken, TokenBytesAreCutAndChecked) {
  const std::string body48(48, 'A');
  struct Case {
    const char* name;
    std::string block;     // 64 bytes, enciphered under the exchange key
    bool refused;
    size_t sent_length;    // the token's length in the submission
  };
  const std::vector<Case> cases = {
      {"48 and code 16", body48 + std::string(16, '\x10'), false, 48},
      {"49 and code 15", body48 + "B" + std::string(15, '\x0f'), false, 49},
      {"50 and code 33 up", body48 + "BC" + std::string(14, '\x0e'), false, 50},
      {"a blank at 49", body48 + " " + std::string(15, '\x0f'), true, 0},
      {"code 17 at 50", body48 + "B" + "\x11" + std::string(14, '\x0e'), true, 0},
      {"a blank among the first 48", " " + std::string(47, 'A') + std::string(16, '\x10'), true, 0},
      {"a zero byte at 1", std::string(1, '\0') + std::string(47, 'A') + std::string(16, '\x10'),
       true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.block.size(), 64u);
    E2eWorkspace ws;
    ws.UseAuthority(R"("encoded_token": ")" +
                    EncipheredToken(c.block, TestAuthority::ExchangeKey()) + "\"");
    E2eRun run = ws.Run(ws.ParamsFor("1", "3.0"));
    EXPECT_EQ(run.exit_code, 0);
    std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
    if (c.refused) {
      EXPECT_EQ(run.err, std::string(kHeading) + "\n\n" + kRefused);
      EXPECT_EQ(logged.size(), 1u);
      EXPECT_FALSE(E2eWorkspace::Exists(ws.Out("A12_invoicerequest.xml")));
      continue;
    }
    EXPECT_EQ(run.err, "");
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[1].fields["exchange_token"], c.block.substr(0, c.sent_length));
  }
}

TEST_F(E2eToken, WrongExchangeKeyGivesTheDecodingMessage) {
  E2eWorkspace ws;
  ws.UseAuthority(R"("token": "0b7c5a8e-3f2d-4c1b-9e6a-7d8f9a0b1c2dABCDEFGHIJKL")");
  Params p = ws.ParamsFor("7", "3.0");
  p["techkulcs"] = Quoted("XXXXXXXXXXXXXXXX");
  E2eRun run = ws.Run(p);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, std::string(kHeading) + "\n\n" + kRefused);
  EXPECT_EQ(TestAuthority::Get().Requests().size(), 1u);
  EXPECT_FALSE(E2eWorkspace::Exists(ws.Out("teszt_annulrequest.xml")));
}

// Bytes of code 128 and above pass the check: the submission goes out (the
// writer sends them as UTF-8, which the authority does not know as its token).
TEST_F(E2eToken, HighBytesPassTheCheck) {
  E2eWorkspace ws;
  ws.UseAuthority(R"("token_hex": ")" + Hex(std::string(48, '\xa0')) + "\"");
  E2eRun run = ws.Run(ws.ParamsFor("1", "3.0"));
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(TestAuthority::Get().Requests().size(), 2u);
  std::string request = E2eWorkspace::Read(ws.Out("A12_invoicerequest.xml"));
  std::string utf8_a0;   // "á" (0xA0 in code page 852) as UTF-8
  for (int i = 0; i < 48; ++i)
    utf8_a0 += "\xc3\xa1";
  EXPECT_NE(request.find("<exchangeToken>" + utf8_a0 + "</exchangeToken>"), std::string::npos);
}

// A missing TECHKULCS is read only after an "OK" answer and ends the run in
// the run-time error report; a refused answer never reads it.
TEST_F(E2eToken, MissingExchangeKeyIsReadOnlyAfterOk) {
  for (bool ok : {true, false}) {
    SCOPED_TRACE(ok ? "OK answer" : "ERROR answer");
    E2eWorkspace ws;
    ws.UseAuthority(ok ? "" : R"("operations": {"tokenExchange": {"mode": "error"}})");
    Params p = ws.ParamsFor("1", "3.0");
    p.erase("techkulcs");
    E2eRun run = ws.Run(p);
    EXPECT_EQ(run.exit_code, ok ? 1 : 0);
    if (ok) {
      EXPECT_NE(run.err.find("BASE/1003"), std::string::npos) << run.err;
      EXPECT_NE(run.err.find("TECHKULCS"), std::string::npos) << run.err;
    }
    EXPECT_TRUE(E2eWorkspace::Exists(ws.Out("A12_tokenresponse.xml")));
    EXPECT_FALSE(E2eWorkspace::Exists(ws.Out("A12_invoicerequest.xml")));
  }
}

}  // namespace
