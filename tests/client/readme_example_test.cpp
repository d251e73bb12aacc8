// readme_example_test.cpp: the README's example parameter file, taken out of
// the README, saved as the README says (Windows-1250, CR LF) with only the
// paths put in that a caller puts in, submits its invoice to the test
// authority.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "client/e2e_harness.h"

namespace {

using ReadmeExample = E2eTest;

const char kBegin[] = "<!-- example parameter file: begin -->";
const char kEnd[] = "<!-- example parameter file: end -->";

// The lines between the two marker lines, without the code fences.
std::vector<std::string> ExampleLines(const std::string& readme) {
  std::vector<std::string> lines;
  std::istringstream in(readme);
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (line == kBegin) inside = true;
    else if (line == kEnd) return lines;
    else if (inside && line.rfind("```", 0) != 0) lines.push_back(line);
  }
  return {};
}

std::string KeyOf(const std::string& line) {
  std::string key = line.substr(0, line.find(":="));
  for (char& c : key) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return key;
}

}  // namespace

TEST_F(ReadmeExample, SubmitsTheInvoiceToTheTestAuthority) {
  const std::string readme = E2eWorkspace::Read(std::string(TESTS_SOURCE_DIR) + "/../README.md");
  const std::vector<std::string> lines = ExampleLines(readme);
  ASSERT_FALSE(lines.empty()) << "no example between \"" << kBegin << "\" and \"" << kEnd
                              << "\" in the README";

  E2eWorkspace ws;
  ws.UseAuthority();
  std::string text;
  for (const std::string& line : lines) {
    if (KeyOf(line) == "curldir") text += "curldir:=" + Quoted(ws.curl_dir);
    else if (KeyOf(line) == "invoicexml") text += "invoicexml:=" + Quoted(ws.invoice_path);
    else text += line;
    text += "\r\n";
  }
  E2eRun run = ws.RunFile(Utf8To1250(text));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_FALSE(run.parameter_file_left);

  std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
  ASSERT_EQ(logged.size(), 2u) << run.err;
  EXPECT_EQ(logged[0].operation, "tokenExchange");
  EXPECT_EQ(logged[1].operation, "manageInvoice");
  for (LoggedRequest& request : logged)
    EXPECT_EQ(request.fields["accepted"], "yes") << request.response;
  // The accented name went through Windows-1250 and reached the request as UTF-8.
  EXPECT_NE(logged[1].body.find("<softwareName>Példa számlázó</softwareName>"), std::string::npos)
      << logged[1].body.substr(0, 1500);

  const std::string answer = E2eWorkspace::Read(ws.Out("A12_invoiceresponse.xml"));
  EXPECT_EQ(answer, logged[1].response);
  EXPECT_NE(answer.find("funcCode>OK</"), std::string::npos) << answer;
  EXPECT_NE(answer.find("<transactionId>"), std::string::npos) << answer;
  EXPECT_EQ(ws.OutFiles(), (std::vector<std::string>{"A12_invoicerequest.xml", "A12_invoiceresponse.xml",
                                                     "A12_tokenrequest.xml", "A12_tokenresponse.xml"}));
}
