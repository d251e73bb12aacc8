// e2e_faults_test.cpp: faults of the input and of the file system, run by the
// real program: request files that cannot be created, a missing or read-only
// output directory, the invoice file missing, empty, not XML or large, the
// annulment's namespace by version, paths written with "\", and the
// run-time error reports.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>

#include "client/e2e_harness.h"

namespace {

using E2eFaults = E2eTest;

const char kHeading[] = "KVITALINK  2022.01";

std::string CannotCreate(const std::string& path) {
  return std::string(kHeading) + "\n\n" + path + " nem hozható létre!\n";
}

std::string Base64OfFile(const std::string& path) {
  return ShellOutput(std::string(OPENSSL_EXE) + " base64 -A -in " + ShellQuoted(path));
}

// A request file that cannot be created stops the run with the message, for
// every request: nothing is sent for it, and an older answer is gone before
// the first request, so that it cannot pass for this run's.
TEST_F(E2eFaults, RequestFileThatCannotBeCreatedStopsTheRun) {
  struct Case {
    const char* funkcio;
    const char* blocked;        // made a directory, so that it cannot be created
    const char* older;          // an older response
    size_t curl_calls;
  };
  const std::vector<Case> cases = {
      {"0", "teszt_tokenrequest.xml", "teszt_tokenresponse.xml", 0},
      {"1", "A12_invoicerequest.xml", "A12_invoiceresponse.xml", 1},
      {"7", "teszt_annulrequest.xml", "teszt_annulresponse.xml", 1},
      {"2", "T1_queryrequest.xml", "T1_queryresponse.xml", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.funkcio);
    E2eWorkspace ws;
    ws.UseAuthority();
    std::filesystem::create_directory(ws.Out(c.blocked));
    E2eWorkspace::Write(ws.Out(c.older), "older answer");
    E2eRun run = ws.Run(ws.ParamsFor(c.funkcio));
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_FALSE(run.parameter_file_left);
    EXPECT_EQ(run.err, CannotCreate(ws.Out(c.blocked)));
    EXPECT_EQ(ws.CurlCalls().size(), c.curl_calls);
    EXPECT_FALSE(E2eWorkspace::Exists(ws.Out(c.older)));
  }
}

// An older answer that cannot be deleted (here: read-only) would pass for
// this run's: the run stops with the message before anything is sent.
TEST_F(E2eFaults, AnOlderAnswerThatCannotBeDeletedStopsTheRun) {
  struct Case {
    const char* funkcio;
    const char* older;
  };
  for (const Case& c : {Case{"0", "teszt_tokenresponse.xml"}, Case{"1", "A12_invoiceresponse.xml"},
                        Case{"3", "12345678_taxpayerresponse.xml"}}) {
    SCOPED_TRACE(c.funkcio);
    E2eWorkspace ws;
    ws.UseAuthority();
    E2eWorkspace::Write(ws.Out(c.older), "older answer");
    chmod(ws.Out(c.older).c_str(), 0444);
    E2eRun run = ws.Run(ws.ParamsFor(c.funkcio));
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.err, CannotCreate(ws.Out(c.older)));
    EXPECT_TRUE(ws.CurlCalls().empty());
    EXPECT_EQ(E2eWorkspace::Read(ws.Out(c.older)), "older answer");
  }
}

TEST_F(E2eFaults, MissingOutputDirectoryStopsTheRun) {
  for (const char* funkcio : {"0", "3", "6"}) {
    SCOPED_TRACE(funkcio);
    E2eWorkspace ws;
    ws.UseAuthority();
    Params p = ws.ParamsFor(funkcio);
    const std::string missing = ws.root + "/no such dir";
    p["invoicexml"] = Quoted(missing);
    E2eRun run = ws.Run(p);
    EXPECT_EQ(run.exit_code, 0);
    const std::string request = *funkcio == '0' ? "/teszt_tokenrequest.xml"
                                : *funkcio == '3' ? "/12345678_taxpayerrequest.xml"
                                                  : "/2022-01-01_2022-01-31_queryinvoicedigestrequest.xml";
    EXPECT_EQ(run.err, CannotCreate(missing + request));
    EXPECT_TRUE(ws.CurlCalls().empty());
  }
}

// On this system a file name may hold a double quote, which FINVOICE keeps:
// the query goes out with the quote in its file names.
TEST_F(E2eFaults, DoubleQuoteInAnInvoiceNumberStaysInTheFileName) {
  E2eWorkspace ws;
  ws.UseAuthority();
  Params p = ws.ParamsFor("4");
  p["invoicenumber"] = "'A\"1'";
  E2eRun run = ws.Run(p);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  const std::string request = ws.Out("A\"1_queryinvoicedatarequest.xml");
  EXPECT_EQ(ElementText(E2eWorkspace::Read(request), "invoiceNumber"), "A&quot;1");
  EXPECT_TRUE(E2eWorkspace::Exists(ws.Out("A\"1_queryinvoicedataresponse.xml")));
}

// The invoice file is sent as its bytes in Base64, whatever they are; one
// trailing 0x1A is dropped.
TEST_F(E2eFaults, InvoiceFileOfAnyContentIsSent) {
  struct Case {
    const char* name;
    std::string bytes;
    bool missing;
    std::string sent;      // the bytes the request carries
  };
  const std::string xml = "<?xml version=\"1.0\"?><x>\xc3\xa1</x>\r\n";
  const std::vector<Case> cases = {
      {"one 0x1A of two dropped", "\x1a\x1a", false, "\x1a"},
      {"not XML", std::string("\x00\xff\x1a\x1a plain", 10), false,
       std::string("\x00\xff\x1a\x1a plain", 10)},
      {"trailing 0x1A", xml + "\x1a", false, xml},
      {"byte-order mark kept", "\xef\xbb\xbf" + xml, false, "\xef\xbb\xbf" + xml},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    E2eWorkspace ws;
    ws.UseAuthority();
    std::filesystem::remove(ws.invoice_path);
    if (!c.missing)
      E2eWorkspace::Write(ws.invoice_path, c.bytes);
    E2eRun run = ws.Run(ws.ParamsFor("1", "3.0"));
    EXPECT_EQ(run.exit_code, 0) << run.err;
    const std::string expected_file = ws.root + "/expected";
    E2eWorkspace::Write(expected_file, c.sent);
    EXPECT_EQ(ElementText(E2eWorkspace::Read(ws.Out("A12_invoicerequest.xml")), "invoiceData"),
              Base64OfFile(expected_file));
    std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[1].fields["check signature"], "ok");
    EXPECT_TRUE(E2eWorkspace::Exists(ws.Out("A12_invoiceresponse.xml")));
  }
}

// An invoice file that cannot be read, or that holds nothing once one
// trailing 0x1A is dropped, sends nothing: the message names the file, no
// request is written, and no older answer is left to pass for this run's.
TEST_F(E2eFaults, MissingUnreadableOrEmptyInvoiceSendsNothing) {
  struct Case {
    const char* name;
    std::function<void(const std::string& path)> make;
  };
  const std::vector<Case> cases = {
      {"missing", [](const std::string&) {}},
      {"empty", [](const std::string& path) { E2eWorkspace::Write(path, ""); }},
      {"only 0x1A", [](const std::string& path) { E2eWorkspace::Write(path, "\x1a"); }},
      {"a folder", [](const std::string& path) { std::filesystem::create_directory(path); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    E2eWorkspace ws;
    ws.UseAuthority();
    std::filesystem::remove(ws.invoice_path);
    c.make(ws.invoice_path);
    E2eWorkspace::Write(ws.Out("A12_invoiceresponse.xml"), "older answer");
    E2eRun run = ws.Run(ws.ParamsFor("1"));
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_FALSE(run.parameter_file_left);
    EXPECT_EQ(run.err, std::string(kHeading) + "\n\nA " + ws.invoice_path +
                           " számla fájl nem olvasható vagy üres!\n");
    EXPECT_TRUE(ws.CurlCalls().empty());
    EXPECT_EQ(ws.OutFiles(), std::vector<std::string>{});
  }
}

TEST_F(E2eFaults, LargeInvoiceIsSentWhole) {
  E2eWorkspace ws;
  ws.UseAuthority();
  std::string big = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<InvoiceData>";
  while (big.size() < 6 * 1024 * 1024)
    big += "<line>Árvíztűrő tükörfúrógép &amp; 0123456789</line>\r\n";
  big += "</InvoiceData>\r\n";
  E2eWorkspace::Write(ws.invoice_path, big);
  E2eRun run = ws.Run(ws.ParamsFor("1", "2.0"));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_EQ(logged[1].fields["accepted"], "yes") << logged[1].fields["check xsd"];
  const std::string sent = ElementText(logged[1].body, "invoiceData");
  EXPECT_GT(sent.size(), 8u * 1024 * 1024);
  EXPECT_TRUE(sent == Base64OfFile(ws.invoice_path));
}

// The annulment document names the annulment namespace of its schema version,
// and the authority checks it against that version's XSD.
TEST_F(E2eFaults, AnnulmentDocumentFollowsTheSchemaVersion) {
  for (const char* version : {"3.0", "2.0"}) {
    SCOPED_TRACE(version);
    E2eWorkspace ws;
    ws.UseAuthority();
    Params p = ws.ParamsFor("7", version);
    p["invoicenumber"] = Quoted(" A&<1 ");
    E2eRun run = ws.Run(p);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[1].fields["check signature"], "ok");
    const std::string encoded =
        ElementText(E2eWorkspace::Read(ws.Out("teszt_annulrequest.xml")), "invoiceAnnulment");
    const std::string encoded_file = ws.root + "/annulment.b64";
    E2eWorkspace::Write(encoded_file, encoded);
    const std::string document =
        ShellOutput(std::string(OPENSSL_EXE) + " base64 -d -A -in " + ShellQuoted(encoded_file));
    const std::string lines[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>",
        std::string("<InvoiceAnnulment xmlns=\"http://schemas.nav.gov.hu/OSA/") + version[0] +
            ".0/annul\">",
        "<annulmentReference> A&<1 </annulmentReference>",
    };
    std::string start;
    for (const std::string& line : lines)
      start += line + "\r\n";
    EXPECT_EQ(document.substr(0, start.size()), start);
    const std::string tail =
        "</annulmentTimestamp>\r\n<annulmentCode>ERRATIC_DATA</annulmentCode>\r\n"
        "<annulmentReason>Hib\xc3\xa1s adat</annulmentReason>\r\n</InvoiceAnnulment>\r\n";
    ASSERT_GE(document.size(), tail.size());
    EXPECT_EQ(document.substr(document.size() - tail.size()), tail);
    const std::string stamp = ElementText(document, "annulmentTimestamp");
    EXPECT_EQ(stamp.size(), 24u);
    EXPECT_EQ(stamp.substr(19), ".000Z");
  }
}

// A valid annulment is accepted under both versions (the authority validates
// the document against the annulment XSD of the version).
TEST_F(E2eFaults, AnnulmentIsAcceptedUnderBothVersions) {
  for (const char* version : {"3.0", "2.0"}) {
    SCOPED_TRACE(version);
    E2eWorkspace ws;
    ws.UseAuthority();
    E2eRun run = ws.Run(ws.ParamsFor("7", version));
    EXPECT_EQ(run.exit_code, 0) << run.err;
    std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[1].fields["check annulment_xsd"], "ok");
    EXPECT_EQ(logged[1].fields["accepted"], "yes");
  }
}

// A key that the function reads without a check of its own ends the run in
// the run-time error report (exit code 1) before the request is written.
TEST_F(E2eFaults, UncheckedMissingKeysEndInTheErrorReport) {
  struct Case {
    const char* funkcio;
    Params changes;          // "" drops the key
    const char* expected;    // in standard error
    const char* not_written;
    size_t curl_calls;
  };
  const std::vector<Case> cases = {
      {"7", {{"invoicenumber", ""}}, "Called from ANNULINV", "teszt_annulrequest.xml", 1},
      {"7", {{"invoicenumber", "12"}}, "BASE/1081", "teszt_annulrequest.xml", 1},
      {"2", {{"transactid", ""}}, "TRANSACTID", "T1_queryrequest.xml", 0},
      {"3", {{"taxnumber2", "12345678"}}, "BASE/1081", "12345678_taxpayerrequest.xml", 0},
      {"0", {{"invoicexml", ""}}, "INVOICEXML", "teszt_tokenrequest.xml", 0},
      {"0", {{"invoicexml", "5"}}, "BASE/1081", "teszt_tokenrequest.xml", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.funkcio) + " " + c.expected);
    E2eWorkspace ws;
    ws.UseAuthority();
    Params p = ws.ParamsFor(c.funkcio);
    Change(p, c.changes);
    E2eRun run = ws.Run(p);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_FALSE(run.parameter_file_left);
    EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
    EXPECT_FALSE(E2eWorkspace::Exists(ws.Out(c.not_written)));
    EXPECT_EQ(ws.CurlCalls().size(), c.curl_calls);
  }
}

}  // namespace

namespace {

// A directory written with "\" names the same directory for the file
// operations and for curl.
TEST_F(E2eFaults, BackslashesInPathsNameTheSameFiles) {
  E2eWorkspace ws;
  ws.UseAuthority();
  Params p = ws.ParamsFor("3");
  std::string windows_style = ws.out_dir;
  std::replace(windows_style.begin(), windows_style.end(), '/', '\\');
  p["invoicexml"] = Quoted(windows_style);
  E2eRun run = ws.Run(p);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  std::vector<LoggedRequest> logged = TestAuthority::Get().Requests();
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(logged[0].fields["accepted"], "yes");
  EXPECT_EQ(E2eWorkspace::Read(ws.Out("12345678_taxpayerresponse.xml")), logged[0].response);
}

// As root a read-only directory stops nothing, so root runs the program as
// an unprivileged user, from a copy that the user can reach.
TEST_F(E2eFaults, ReadOnlyOutputDirectoryStopsTheRun) {
  E2eWorkspace ws("out dir&'x", geteuid() == 0 ? "/tmp" : TESTS_BINARY_DIR);
  ws.UseAuthority();
  if (geteuid() == 0) {
    if (std::string(SETPRIV_EXE).empty())
      GTEST_FAIL() << "setpriv is not installed (package util-linux)";
    ws.program = ws.root + "/kvitalink";
    std::filesystem::copy_file(KVITALINK_EXE, ws.program);
    chmod(ws.root.c_str(), 0777);
    ws.run_under = {SETPRIV_EXE, "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
  }
  chmod(ws.out_dir.c_str(), 0555);
  E2eRun run = ws.Run(ws.ParamsFor("0"));
  chmod(ws.out_dir.c_str(), 0755);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_FALSE(run.parameter_file_left);
  EXPECT_EQ(run.err, CannotCreate(ws.Out("teszt_tokenrequest.xml")));
  EXPECT_TRUE(ws.CurlCalls().empty());
}

}  // namespace

namespace {

// The writes that strace saw into the file, one line each.
std::vector<std::string> WritesInto(const std::string& log) {
  std::vector<std::string> writes;
  std::istringstream lines(E2eWorkspace::Read(log));
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("write(", 0) == 0)
      writes.push_back(line);
  return writes;
}

// The system refuses a write of the submission's request (EIO at the first,
// one in the middle of the invoice, the last, or the signature filled in
// after the body; ENOSPC from one write on, as a full disk does): the run
// stops with the message, the incomplete request is gone and curl never
// posts it. The faults are injected into the program's own process by
// strace, on the request file alone.
TEST_F(E2eFaults, RefusedWritesOfTheRequestStopTheRunBeforeCurl) {
  if (std::string(STRACE_EXE).empty())
    GTEST_FAIL() << "strace is not installed (scripts/prerequisites installs it)";
  std::string big = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<InvoiceData>";
  while (big.size() < 1024 * 1024)
    big += "<line>0123456789 abcdefghij</line>\r\n";
  big += "</InvoiceData>\r\n";

  E2eWorkspace counting;
  counting.UseAuthority();
  E2eWorkspace::Write(counting.invoice_path, big);
  const std::string request = counting.Out("A12_invoicerequest.xml");
  const std::string log = counting.root + "/strace.log";
  // LeakSanitizer cannot work under ptrace: the sanitized build runs without it.
  const auto strace = [](const std::string& output, const std::string& file) {
    return std::vector<std::string>{"env", "ASAN_OPTIONS=detect_leaks=0", STRACE_EXE, "-o",
                                    output, "-P", file, "-e", "trace=write"};
  };
  counting.run_under = strace(log, request);
  ASSERT_EQ(counting.Run(counting.ParamsFor("1", "3.0")).exit_code, 0);
  const std::vector<std::string> writes = WritesInto(log);
  ASSERT_GT(writes.size(), 30u);
  size_t signature = 0;
  for (size_t i = 0; i < writes.size(); ++i)
    if (writes[i].find(", 128) = 128") != std::string::npos)
      signature = i + 1;
  ASSERT_GT(signature, 20u);

  struct Case {
    std::string name, inject;
  };
  const std::vector<Case> cases = {
      {"the first", "write:error=EIO:when=1"},
      {"one in the middle", "write:error=EIO:when=" + std::to_string(signature - 3)},
      {"the signature", "write:error=EIO:when=" + std::to_string(signature)},
      {"the last", "write:error=EIO:when=" + std::to_string(writes.size())},
      {"a full disk", "write:error=ENOSPC:when=6+"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    E2eWorkspace ws;
    ws.UseAuthority();
    E2eWorkspace::Write(ws.invoice_path, big);
    const std::string refused = ws.Out("A12_invoicerequest.xml");
    ws.run_under = strace("/dev/null", refused);
    ws.run_under.push_back("-e");
    ws.run_under.push_back("inject=" + c.inject);
    E2eRun run = ws.Run(ws.ParamsFor("1", "3.0"));
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.err, CannotCreate(refused));
    EXPECT_FALSE(E2eWorkspace::Exists(refused));
    EXPECT_FALSE(E2eWorkspace::Exists(ws.Out("A12_invoiceresponse.xml")));
    ASSERT_EQ(TestAuthority::Get().Requests().size(), 1u);
    EXPECT_EQ(TestAuthority::Get().Requests()[0].operation, "tokenExchange");
  }
}

}  // namespace
