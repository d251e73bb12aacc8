// e2e_large_invoice_test.cpp: a 100 MiB invoice submitted end to end. The
// program reads the file in pieces, once for the content digest and once for
// the body; the test authority must accept the request (its signature checked
// by Python's hashlib over the Base64 text that arrived), and that text must
// decode to the file less its trailing 0x1A.
#include <gtest/gtest.h>

#include "client/e2e_harness.h"
#include "foundations/base64.h"

namespace {

using E2eLargeInvoice = E2eTest;

// Every byte value, in a run that does not repeat at the pieces' size.
std::string InvoiceBytes(size_t n) {
  std::string bytes(n, '\0');
  uint32_t state = 20240101;
  for (char& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<char>(state >> 24);
  }
  return bytes;
}

// The text between the first "<name>" and the next "</name>".
std::string Element(const std::string& text, const std::string& name) {
  const size_t open = text.find("<" + name + ">");
  if (open == std::string::npos)
    return "<none>";
  const size_t from = open + name.size() + 2;
  return text.substr(from, text.find("</" + name + ">", from) - from);
}

TEST_F(E2eLargeInvoice, HundredMebibytesAreAcceptedWithTheirSignature) {
  E2eWorkspace ws;
  ws.UseAuthority();
  const std::string invoice = InvoiceBytes(size_t{100} << 20);
  E2eWorkspace::Write(ws.invoice_path, invoice + "\x1A");

  E2eRun run = ws.Run(ws.ParamsFor("1"), 280);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_EQ(logged[1].operation, "manageInvoice");
  EXPECT_EQ(logged[1].fields["check signature"], "ok");
  EXPECT_EQ(logged[1].fields["accepted"], "yes");
  const std::string content = Element(logged[1].body, "invoiceData");
  EXPECT_EQ(content.size(), invoice.size() / 3 * 4 + 4);
  EXPECT_TRUE(DECODE64(content) == invoice);
}

}  // namespace
