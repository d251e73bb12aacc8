// e2e_harness.h: runs the real kvitalink, headless, against the loopback test
// authority through the real curl, in a fresh workspace per test.
//
//   E2eWorkspace ws;                       // root/, root/curl/, root/out dir/
//   ws.UseAuthority();                     // curl wrapper to the authority
//   E2eRun run = ws.Run(ws.Params("0"));   // parameter file, run, wait
//   ws.Read(ws.Out("teszt_tokenresponse.xml"));
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

// The fixture of the tests that talk to the test authority: it validates
// every request against the authority's schemas and runs through python3,
// curl and openssl, so without any of them the tests fail and say which.
class E2eTest : public ::testing::Test {
 protected:
  void SetUp() override;
};

// The parameter lines of a run: key -> the value as it stands after ":="
// (a text with its quotes, or a number). Written in Windows-1250 with CR LF.
using Params = std::map<std::string, std::string>;
std::string Quoted(const std::string& utf8_text);
// Sets every key of the changes; a change to "" drops the key.
void Change(Params& params, const Params& changes);
// The parameter file as a calling application writes it: "key:=value" and
// CR LF for each, in Windows-1250.
std::string ParameterFileBytes(const Params& params);

struct E2eRun {
  int exit_code = -1;
  std::string out;   // standard output
  std::string err;   // standard error: the message boxes, one line per ";"
  bool parameter_file_left = false;
};

// One request that the test authority logged: the keys of its N-OP.txt.
struct LoggedRequest {
  std::string operation;
  std::map<std::string, std::string> fields;   // "accepted", "token", ...
  std::string body;                            // the request as it arrived
  bool answered = false;                       // a body was sent back
  std::string response;                        // the body sent back
};

// The test authority of this test program: started at its first use and
// stopped at exit. Its config is rewritten for each test.
class TestAuthority {
 public:
  static TestAuthority& Get();
  // The members of the config JSON object besides the defaults, e.g.
  // R"("token_length": 49, "operations": {"*": {"mode": "silent"}})".
  void Configure(const std::string& members = "");
  // Waits until a request for the operation has arrived since the last
  // Configure (its answer may still be pending); false after the time limit.
  bool WaitForRequest(const std::string& operation, double timeout_seconds = 30) const;
  // The requests logged since the last Configure.
  std::vector<LoggedRequest> Requests() const;
  const std::string& port_file() const { return port_file_; }
  static const char* Login() { return "kvtestlogin01"; }
  static const char* Password() { return "Jelszo123"; }
  static const char* XmlKey() { return "ab-cd12-3456789abcde1XY2ZW3VU4TS"; }
  static const char* ExchangeKey() { return "2K4N7Q9S3V6X8Z1B"; }
  static const char* TaxNumber() { return "11111111"; }

 private:
  TestAuthority();
  std::string dir_, config_, log_dir_, port_file_;
  int first_logged_ = 1;
};

class E2eWorkspace {
 public:
  // out_name: the directory of the request and response files, inside root;
  // root is made in the parent directory.
  explicit E2eWorkspace(const std::string& out_name = "out dir&'x",
                        const std::string& parent = TESTS_BINARY_DIR);
  ~E2eWorkspace();

  // CURLDIR holds the wrapper that runs the real curl against the authority
  // (configured with the members given), recording every call.
  void UseAuthority(const std::string& config_members = "");
  // CURLDIR holds a curl of the given shell script body instead.
  void UseCurlScript(const std::string& body);

  // Parameters of a valid run of the function against the test authority.
  Params ParamsFor(const std::string& funkcio, const std::string& version = "3.0") const;
  E2eRun Run(const Params& params, double timeout_seconds = 60);
  // A run with the parameter file's bytes as given.
  E2eRun RunFile(const std::string& parameter_file, double timeout_seconds = 60);
  // Starts the run and returns its process id; Wait collects it.
  int Start(const Params& params);
  int StartFile(const std::string& parameter_file);
  E2eRun Wait(int pid, double timeout_seconds = 60);

  // The curl calls recorded, each [$0, arg1, ...].
  std::vector<std::vector<std::string>> CurlCalls() const;

  std::string Out(const std::string& name) const { return out_dir + "/" + name; }
  // The files in the out directory, sorted, but for the invoice file.
  std::vector<std::string> OutFiles() const;
  static std::string Read(const std::string& path);
  static bool Exists(const std::string& path);
  static void Write(const std::string& path, const std::string& bytes);

  std::string root, curl_dir, out_dir, invoice_path;
  // A command that the program runs under (strace, setpriv, ...): its words,
  // the program's own command line after them.
  std::vector<std::string> run_under;
  std::string program = KVITALINK_EXE;

 private:
  std::string record_;
  std::string param_path_;
};

// The text as one word for /bin/sh.
std::string ShellQuoted(const std::string& text);
// Runs a shell command; its standard output.
std::string ShellOutput(const std::string& command);
// The 64-byte block enciphered with AES-128-ECB under the key by openssl, in
// Base64: what the authority sends as encodedExchangeToken.
std::string EncipheredToken(const std::string& block, const std::string& key);
// One of the authority's sample invoices (E2eTest checks that it is there).
std::string SampleInvoice();
// UTF-8 of the program's texts into Windows-1250 bytes (what the ANSI
// rewrite produces).
std::string Utf8To1250(const std::string& utf8);
// The text between the first "<tag>" and the first "</tag>" of a request or
// answer; "<missing>" when either is absent.
std::string ElementText(const std::string& text, const std::string& tag);
