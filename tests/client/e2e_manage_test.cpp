// e2e_manage_test.cpp: what the authority checks of the submission and the
// annulment beyond their files: the technicalAnnulment flag of schema 1.0,
// the requests of functions "7" and "8" under 1.0 (roots that the 1.1 schema
// does not declare, SHA-512 signatures with the CRC-32 of the content), the
// operation that the annulment signs, and a password and a signing key with
// accented letters hashed as their code-page 852 bytes.
#include <gtest/gtest.h>

#include "client/e2e_harness.h"

namespace {

using E2eManage = E2eTest;

// Below schema 2.0 the submission says whether it is a technical annulment:
// "true" for an OPERATION that begins with "ANNUL", case counting.
TEST_F(E2eManage, TechnicalAnnulmentFollowsTheOperationUnderSchema1_0) {
  struct Case {
    const char* operation;
    const char* technical_annulment;
    bool valid;   // an operation value that the 1.1 schema allows
  };
  const std::vector<Case> cases = {
      {"ANNUL", "true", true},
      {"annul", "false", false},
      {"ANNULMENT", "true", false},
      {"CREATE", "false", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.operation);
    E2eWorkspace ws;
    ws.UseAuthority();
    Params p = ws.ParamsFor("1", "1.0");
    p["operation"] = Quoted(c.operation);
    E2eRun run = ws.Run(p);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    const std::string request = E2eWorkspace::Read(ws.Out("A12_invoicerequest.xml"));
    EXPECT_EQ(ElementText(request, "technicalAnnulment"), c.technical_annulment);
    EXPECT_EQ(ElementText(request, "operation"), c.operation);
    EXPECT_LT(request.find("<technicalAnnulment>"), request.find("<compressedContent>"));
    std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[1].fields["check xsd"] == "ok", c.valid) << logged[1].fields["check xsd"];
    if (c.valid) {
      EXPECT_EQ(logged[1].fields["accepted"], "yes");
    }
  }
}

// Under 1.0 the annulment and the chain digest query post roots that the 1.1
// schema does not declare; every other check of the authority passes: the
// user, and the SHA-512 signature, which for the annulment takes the CRC-32
// of the annulment content.
TEST_F(E2eManage, AnnulmentAndChainDigestUnderSchema1_0) {
  struct Case {
    const char* funkcio;
    const char* operation;
    const char* root;
    const char* request;
    size_t requests;
  };
  const std::vector<Case> cases = {
      {"7", "manageAnnulment", "ManageAnnulmentRequest", "teszt_annulrequest.xml", 2},
      {"8", "queryInvoiceChainDigest", "QueryInvoiceChainDigestRequest",
       "A2022_01_queryinvoicechainrequest.xml", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.funkcio);
    E2eWorkspace ws;
    // The annulment document has no 1.1 schema of its own to be checked by.
    ws.UseAuthority(R"("accept_undeclared_root": true, "check_annulment_xsd": false)");
    E2eRun run = ws.Run(ws.ParamsFor(c.funkcio, "1.0"));
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
    ASSERT_EQ(logged.size(), c.requests);
    LoggedRequest last = logged.back();
    EXPECT_EQ(last.operation, c.operation);
    EXPECT_EQ(last.fields["path"], std::string("/invoiceService/") + c.operation);
    EXPECT_EQ(last.fields["root"], c.root);
    EXPECT_EQ(last.fields["check xsd"],
              std::string("root ") + c.root + " is not declared by the 1.1 schema");
    EXPECT_EQ(last.fields["check password"], "ok");
    EXPECT_EQ(last.fields["check signature"], "ok");
    EXPECT_EQ(last.fields["accepted"], "yes");
    const std::string request = E2eWorkspace::Read(ws.Out(c.request));
    EXPECT_NE(request.find(std::string("<") + c.root +
                           " xmlns=\"http://schemas.nav.gov.hu/OSA/1.0/api\""),
              std::string::npos);
    // The version that makes the authority expect SHA-512 with the CRC-32.
    EXPECT_EQ(ElementText(request, "requestVersion"), "1.0");
  }
}

// For function "7" the signature takes OPERATION from the parameter file,
// while the annulment operation in the body stays "ANNUL": the authority
// accepts the request only when told that the signature names that value.
TEST_F(E2eManage, AnnulmentSignsTheOperationOfTheParameterFile) {
  for (const char* version : {"3.0", "2.0"}) {
    for (bool told : {true, false}) {
      SCOPED_TRACE(std::string(version) + (told ? ", STORNO accepted" : ", ANNUL only"));
      E2eWorkspace ws;
      ws.UseAuthority(told ? R"("annul_operation": "STORNO")" : "");
      Params p = ws.ParamsFor("7", version);
      p["operation"] = Quoted("STORNO");
      E2eRun run = ws.Run(p);
      EXPECT_EQ(run.exit_code, 0) << run.err;
      const std::string request = E2eWorkspace::Read(ws.Out("teszt_annulrequest.xml"));
      EXPECT_NE(request.find("<annulmentOperation>ANNUL</annulmentOperation>"), std::string::npos);
      EXPECT_EQ(request.find("STORNO"), std::string::npos);
      std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
      ASSERT_EQ(logged.size(), 2u);
      EXPECT_EQ(logged[1].fields["accepted"], told ? "yes" : "no");
      EXPECT_EQ(logged[1].fields["check signature"] == "ok", told);
    }
  }
}

// The password and the signing key are hashed as the bytes that the program
// holds them in, code page 852 (ó 0xA2, ő 0x8B, é 0x82), not as UTF-8: the
// authority is given exactly those bytes and refuses the UTF-8 ones.
TEST_F(E2eManage, PasswordAndKeyWithAccentsAreHashedAsCodePage852Bytes) {
  const std::string password = "Jelszó1ő";
  const std::string key = "ab-cd12-3456789abcdé1XY2ZW3VU4TS";
  const std::string password_852 = R"("password_hex": "4a656c737aa2318b")";
  const std::string key_852 =
      R"("xmlkulcs_hex": "61622d636431322d333435363738396162636482315859325a57335655345453")";
  const std::string password_utf8 = R"("password": ")" + password + "\"";
  const std::string key_utf8 = R"("xmlkulcs": ")" + key + "\"";
  struct Case {
    const char* name;
    std::string config;
    const char* password_check;
    const char* signature_check;   // nullptr: not reached
  };
  const std::vector<Case> cases = {
      {"both as 852 bytes", password_852 + ", " + key_852, "ok", "ok"},
      {"password as UTF-8", password_utf8 + ", " + key_852, nullptr, nullptr},
      {"key as UTF-8", password_852 + ", " + key_utf8, "ok", nullptr},
  };
  for (const char* version : {"3.0", "1.0"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(version) + ", " + c.name);
      E2eWorkspace ws;
      ws.UseAuthority(c.config);
      Params p = ws.ParamsFor("1", version);
      p["password"] = Quoted(password);
      p["xmlkulcs"] = Quoted(key);
      E2eRun run = ws.Run(p);
      EXPECT_EQ(run.exit_code, 0) << run.err;
      std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
      const bool accepted = c.signature_check && std::string(c.signature_check) == "ok";
      // The submission follows only an accepted token exchange.
      ASSERT_EQ(logged.size(), accepted ? 2u : 1u);
      for (LoggedRequest& r : logged) {
        EXPECT_EQ(r.fields["accepted"], accepted ? "yes" : "no") << r.operation;
        EXPECT_EQ(r.fields["check password"] == "ok", c.password_check != nullptr);
        EXPECT_EQ(r.fields["check signature"] == "ok", accepted);
      }
    }
  }
}

}  // namespace
