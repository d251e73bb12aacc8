// Writes of a request file that fail: whichever write or close of any
// request fails (a line, a piece of the invoice, the signature filled in
// after the body), the run stops before curl, the incomplete request is gone
// and no response appears; any other write leaves the request whole, and a
// no-answer text is written whole or not at all. The
// faults come from the file layer's seam, so this runs on every system.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "client/exchange_platform.h"
#include "client/functions.h"
#include "client/manage.h"
#include "foundations/files.h"
#include "foundations/raise.h"
#include "foundations/record.h"

namespace {

namespace fs = std::filesystem;

const char kToken[] = "0b7c5a8e-3f2d-4c1b-9e6a-7d8f9a0b1c2dKVITALINKTST";

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Outcome {
  bool stopped = false;   // the run ended early (with its message)
  int exit_code = -1;
};

class RequestFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::string("kv_request_failure_") +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directory(dir_);
    Record& s = Settings();
    s.Clear();
    for (const auto& [name, value] : std::vector<std::pair<const char*, const char*>>{
             {"PROGINEV", "KVITALINK  2022.01"}, {"NL", "\r\n"}, {"XSDVERZIO", "3.0"},
             {"LOGIN", "kvtestlogin01"}, {"PASSWORD", "Jelszo123"}, {"TAXNUMBER", "11111111"},
             {"XMLKULCS", "ab-cd12-3456789abcde1XY2ZW3VU4TS"}, {"TECHKULCS", "2K4N7Q9S3V6X8Z1B"},
             {"SOFTWAREID", "KVITALINK-TEST-001"}, {"SOFTWARENAME", "kvitalink tests"},
             {"SOFTWAREMAINVERSION", "2022.01"}, {"SOFTWAREDEVNAME", "kvitalink"},
             {"SOFTWAREDEVCONTACT", "dev@example.hu"}, {"OPERATION", "CREATE"},
             {"CHARCODE", ""}, {"CTIMEOUT", "5"}, {"CNAVURL", "127.0.0.1"}, {"CNAVURL2_3", "v3/"},
             {"CKOMMUNIKACIO", "..."}, {"TAXNUMBER2", "12345678"}, {"INVOICENUMBER", "A/2022 01"}})
      s.Set(name, Value(value));
    // No curl in it: an exchange that is reached finds no answer.
    s.Set("CURLDIR", Value(Path("no curl here")));
    s.Set("INVOICEXML", Value(dir_));
    std::string invoice = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<InvoiceData>";
    // Several pieces of the content, so that writes fall inside it.
    while (invoice.size() < 700 * 1024)
      invoice += "<line>0123456789 abcdefghij</line>\r\n";
    std::ofstream(Path("A12.xml"), std::ios::binary) << invoice + "</InvoiceData>\r\n";
  }
  void TearDown() override {
    InjectFileFault(FileCall::Write, 0);
    Settings().Clear();
    fs::remove_all(dir_);
  }

  std::string Path(const std::string& name) const { return dir_ + kDirSeparator + name; }

  Outcome Run(const std::function<void()>& function) {
    Outcome outcome;
    ::testing::internal::CaptureStderr();
    try {
      function();
    } catch (const EndRunSignal& end) {
      outcome.stopped = true;
      outcome.exit_code = end.exit_code;
    }
    const std::string err = ::testing::internal::GetCapturedStderr();
    if (outcome.stopped) {
      EXPECT_NE(err.find(" nem hozhat"), std::string::npos) << err;
    }
    return outcome;
  }

  std::string dir_;
};

struct FunctionCase {
  const char* name;
  const char* funkcio;
  const char* base;        // CXMLNEV below the directory, when the function reads it
  const char* request;
  const char* response;
  std::function<void(const std::string& dir)> run;
};

std::vector<FunctionCase> Functions() {
  return {
      {"token exchange", "0", nullptr, "teszt_tokenrequest.xml", "teszt_tokenresponse.xml",
       [](const std::string&) { TokenExchange(); }},
      {"submission", "1", "A12", "A12_invoicerequest.xml", "A12_invoiceresponse.xml",
       [](const std::string& dir) {
         MANAGEINV(Value(dir + kDirSeparator + "A12.xml"), kToken);
       }},
      {"annulment", "7", "teszt", "teszt_annulrequest.xml", "teszt_annulresponse.xml",
       [](const std::string&) { ANNULINV(kToken); }},
      {"taxpayer query", "3", nullptr, "12345678_taxpayerrequest.xml",
       "12345678_taxpayerresponse.xml", [](const std::string&) { QueryTaxpayer(); }},
  };
}

// The request of a whole run: its size (the same in every run: the varying
// parts have fixed widths) and no placeholder left in place of the signature.
bool IsWhole(const std::string& request, size_t size) {
  return request.size() == size && request.find(std::string(128, '0')) == std::string::npos &&
         request.find("</common:user>") != std::string::npos;
}

TEST_F(RequestFailure, AFailedWriteOrCloseStopsTheRunBeforeCurl) {
  for (const FunctionCase& f : Functions()) {
    SCOPED_TRACE(f.name);
    Settings().Set("FUNKCIO", Value(f.funkcio));
    if (f.base)
      Settings().Set("CXMLNEV", Value(Path(f.base)));
    const std::string request = Path(f.request), response = Path(f.response);
    for (FileCall call : {FileCall::Write, FileCall::Close}) {
      InjectFileFault(call, 0);
      ASSERT_FALSE(Run([&] { f.run(dir_); }).stopped);
      const size_t size = Slurp(request).size();
      ASSERT_TRUE(IsWhole(Slurp(request), size));
      const bool answered = fs::exists(response);   // the no-answer text
      const std::string no_answer = Slurp(response);
      const int calls = FileCallsSince(call);
      int stopped = 0;
      for (int nth = 1; nth <= calls; ++nth) {
        SCOPED_TRACE((call == FileCall::Write ? "write #" : "close #") + std::to_string(nth));
        fs::remove(request);
        fs::remove(response);
        InjectFileFault(call, nth);
        const Outcome outcome = Run([&] { f.run(dir_); });
        InjectFileFault(call, 0);
        if (outcome.stopped) {
          ++stopped;
          EXPECT_EQ(outcome.exit_code, 0);
          // Every write up to the request's close is one of the request's.
          if (call == FileCall::Write) {
            EXPECT_EQ(stopped, nth) << "a run went on past a failed write of its request";
          }
          EXPECT_FALSE(fs::exists(request));
          // The exchange would have left its no-answer text (or, for a
          // query, gone on without stopping).
          EXPECT_FALSE(fs::exists(response));
        } else {
          EXPECT_TRUE(IsWhole(Slurp(request), size));
          // A no-answer text that could not be written leaves no file at all.
          if (fs::exists(response)) {
            EXPECT_TRUE(answered);
            EXPECT_EQ(Slurp(response), no_answer);
          }
        }
      }
      // Every line of the request is a write of its own; one close is the
      // request's (the invoice read before it is closed too).
      EXPECT_GE(stopped, call == FileCall::Write ? 20 : 1);
    }
  }
}

// A file that cannot be read to its end is not sent in part: the read that
// fails, wherever it falls in the invoice, removes the request and ends the
// run before curl.
TEST_F(RequestFailure, AnInvoiceThatCannotBeReadToItsEndIsNotSent) {
  Settings().Set("FUNKCIO", Value("1"));
  Settings().Set("CXMLNEV", Value(Path("A12")));
  const auto run = [&] { MANAGEINV(Value(Path("A12.xml")), kToken); };
  InjectFileFault(FileCall::Read, 0);
  ASSERT_FALSE(Run(run).stopped);
  const int reads = FileCallsSince(FileCall::Read);
  ASSERT_GT(reads, 2);
  for (int nth = 1; nth <= reads; ++nth) {
    SCOPED_TRACE(nth);
    fs::remove(Path("A12_invoicerequest.xml"));
    fs::remove(Path("A12_invoiceresponse.xml"));
    InjectFileFault(FileCall::Read, nth);
    ::testing::internal::CaptureStderr();
    bool stopped = false;
    try {
      run();
    } catch (const EndRunSignal&) {
      stopped = true;
    }
    const std::string err = ::testing::internal::GetCapturedStderr();
    InjectFileFault(FileCall::Read, 0);
    EXPECT_TRUE(stopped);
    EXPECT_NE(err.find("A12.xml"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(Path("A12_invoicerequest.xml")));
    EXPECT_FALSE(fs::exists(Path("A12_invoiceresponse.xml")));
  }
}

}  // namespace
