// e2e_harness.cpp: the workspace, the test authority's process and the run of
// the real program for the end-to-end tests.
#include "client/e2e_harness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string ShQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text)
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string MakeTempDir(const std::string& stem, const std::string& parent = TESTS_BINARY_DIR) {
  std::string pattern = parent + "/" + stem + "-XXXXXX";
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("mkdtemp failed");
  return pattern;
}

// Converts through Python's codecs, the outside reference for Windows-1250.
std::string ConvertTo1250(const std::string& text) {
  std::string dir = MakeTempDir("conv");
  E2eWorkspace::Write(dir + "/in", text);
  std::string code =
      "import sys;d=open(sys.argv[1],'rb').read().decode('utf-8');"
      "open(sys.argv[2],'wb').write(d.encode('cp1250'))";
  std::string command = std::string(PYTHON3_EXE) + " -c " + ShQuote(code) + " " +
                        ShQuote(dir + "/in") + " " + ShQuote(dir + "/out");
  if (std::system(command.c_str()) != 0)
    throw std::runtime_error("conversion failed");
  std::string out = E2eWorkspace::Read(dir + "/out");
  fs::remove_all(dir);
  return out;
}

std::string AuthorityScript(const std::string& name) {
  return std::string(TESTS_SOURCE_DIR) + "/authority/" + name;
}

std::vector<std::string> SortedEntries(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

int LogNumber(const std::string& name) {
  if (name.size() < 6 || name[4] != '-')
    return 0;
  for (int i = 0; i < 4; ++i)
    if (!isdigit(static_cast<unsigned char>(name[i])))
      return 0;
  return std::stoi(name.substr(0, 4));
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

pid_t g_authority_pid = 0;

void StopAuthority() {
  if (g_authority_pid > 0) {
    kill(g_authority_pid, SIGTERM);
    waitpid(g_authority_pid, nullptr, 0);
    g_authority_pid = 0;
  }
}

}  // namespace

void Change(Params& params, const Params& changes) {
  for (const auto& [key, value] : changes) {
    if (value.empty())
      params.erase(key);
    else
      params[key] = value;
  }
}

std::string ParameterFileBytes(const Params& params) {
  std::string text;
  for (const auto& [key, value] : params)
    text += key + ":=" + value + "\r\n";
  return Utf8To1250(text);
}

std::string ShellQuoted(const std::string& text) { return ShQuote(text); }

std::string Quoted(const std::string& utf8_text) { return "\"" + utf8_text + "\""; }

std::string ShellOutput(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
    return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    out.append(buffer, n);
  pclose(pipe);
  return out;
}

std::string EncipheredToken(const std::string& block, const std::string& key) {
  std::string dir = MakeTempDir("token");
  E2eWorkspace::Write(dir + "/block", block);
  std::string hex;
  const char digits[] = "0123456789abcdef";
  for (size_t i = 0; i < 16; ++i) {
    unsigned char c = i < key.size() ? static_cast<unsigned char>(key[i]) : 0;
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  std::string out = ShellOutput(std::string(OPENSSL_EXE) + " enc -aes-128-ecb -nopad -K " + hex +
                                " -in " + ShQuote(dir + "/block") + " | " + OPENSSL_EXE +
                                " base64 -A");
  fs::remove_all(dir);
  return out;
}

void E2eTest::SetUp() {
  for (const auto& [tool, path] : {std::pair{"python3", PYTHON3_EXE}, {"curl", CURL_EXE},
                                   {"openssl", OPENSSL_EXE}})
    if (std::string(path).empty())
      GTEST_FAIL() << tool << " is not installed";
  if (!fs::is_directory(std::string(NAV_SCHEMAS_DIR) + "/3.0") || !fs::exists(SampleInvoice()))
    GTEST_FAIL() << "the authority's schemas or sample invoices are missing from "
                 << NAV_SCHEMAS_DIR;
}

std::string SampleInvoice() {
  return std::string(NAV_SCHEMAS_DIR) + "/invoices-3.0/Belfoldi termekertekesites.xml";
}

std::string Utf8To1250(const std::string& utf8) { return ConvertTo1250(utf8); }

std::string ElementText(const std::string& text, const std::string& tag) {
  size_t from = text.find("<" + tag + ">");
  size_t to = text.find("</" + tag + ">");
  if (from == std::string::npos || to == std::string::npos)
    return "<missing>";
  from += tag.size() + 2;
  return text.substr(from, to - from);
}

// ---------------------------------------------------------------- authority

TestAuthority& TestAuthority::Get() {
  static TestAuthority authority;
  return authority;
}

TestAuthority::TestAuthority() {
  dir_ = MakeTempDir("authority");
  config_ = dir_ + "/config.json";
  log_dir_ = dir_ + "/log";
  port_file_ = dir_ + "/port";
  Configure();
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    std::string script = AuthorityScript("nav_authority.py");
    execl(PYTHON3_EXE, PYTHON3_EXE, script.c_str(), "--port-file", port_file_.c_str(),
          "--config", config_.c_str(), "--schemas", NAV_SCHEMAS_DIR, "--log-dir",
          log_dir_.c_str(), "--lifetime", "1800", static_cast<char*>(nullptr));
    _exit(127);
  }
  g_authority_pid = pid;
  std::atexit(StopAuthority);
  for (int i = 0; i < 300 && !fs::exists(port_file_); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (!fs::exists(port_file_))
    throw std::runtime_error("the test authority did not start");
}

void TestAuthority::Configure(const std::string& members) {
  E2eWorkspace::Write(config_ + ".tmp", "{" + members + "}\n");
  fs::rename(config_ + ".tmp", config_);
  int last = 0;
  for (const std::string& name : SortedEntries(log_dir_))
    last = std::max(last, LogNumber(name));
  first_logged_ = last + 1;
}

bool TestAuthority::WaitForRequest(const std::string& operation, double timeout_seconds) const {
  const std::string suffix = "-" + operation + "-request.xml";
  for (double waited = 0; waited < timeout_seconds; waited += 0.02) {
    for (const std::string& name : SortedEntries(log_dir_))
      if (LogNumber(name) >= first_logged_ && EndsWith(name, suffix))
        return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

std::vector<LoggedRequest> TestAuthority::Requests() const {
  std::vector<LoggedRequest> out;
  for (const std::string& name : SortedEntries(log_dir_)) {
    if (LogNumber(name) < first_logged_ || !EndsWith(name, ".txt"))
      continue;
    LoggedRequest request;
    request.operation = name.substr(5, name.size() - 9);
    std::istringstream lines(E2eWorkspace::Read(log_dir_ + "/" + name));
    std::string line;
    while (std::getline(lines, line)) {
      size_t colon = line.find(": ");
      if (colon != std::string::npos && !request.fields.count(line.substr(0, colon)))
        request.fields[line.substr(0, colon)] = line.substr(colon + 2);
    }
    const std::string stem = log_dir_ + "/" + name.substr(0, name.size() - 4);
    request.body = E2eWorkspace::Read(stem + "-request.xml");
    request.answered = E2eWorkspace::Exists(stem + "-response.bin");
    request.response = E2eWorkspace::Read(stem + "-response.bin");
    out.push_back(request);
  }
  return out;
}

// ---------------------------------------------------------------- workspace

E2eWorkspace::E2eWorkspace(const std::string& out_name, const std::string& parent) {
  root = MakeTempDir("e2e", parent);
  curl_dir = root + "/curl dir&'c";
  out_dir = root + "/" + out_name;
  fs::create_directories(curl_dir);
  fs::create_directories(out_dir);
  invoice_path = out_dir + "/A12.xml";
  Write(invoice_path, Read(SampleInvoice()));
  record_ = root + "/curl-calls.txt";
  param_path_ = root + "/param.txt";
}

E2eWorkspace::~E2eWorkspace() {
  if (!std::getenv("KVITALINK_KEEP_E2E"))
    fs::remove_all(root);
}

void E2eWorkspace::UseAuthority(const std::string& config_members) {
  TestAuthority& authority = TestAuthority::Get();
  authority.Configure(config_members);
  std::string command = std::string(PYTHON3_EXE) + " " + ShQuote(AuthorityScript("make_curldir.py")) +
                        " " + ShQuote(curl_dir) + " --port-file " + ShQuote(authority.port_file()) +
                        " --real-curl " + ShQuote(CURL_EXE) + " --record " + ShQuote(record_) +
                        " >/dev/null";
  if (std::system(command.c_str()) != 0)
    throw std::runtime_error("make_curldir.py failed");
}

void E2eWorkspace::UseCurlScript(const std::string& body) {
  std::string path = curl_dir + "/curl";
  Write(path, "#!/bin/sh\n{ printf '%s\\n' \"$0\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; "
              "done; printf '%s\\n' '----'; } >> " + ShQuote(record_) + "\n" + body + "\n");
  chmod(path.c_str(), 0755);
}

Params E2eWorkspace::ParamsFor(const std::string& funkcio, const std::string& version) const {
  Params p = {
      {"login", Quoted(TestAuthority::Login())},
      {"password", Quoted(TestAuthority::Password())},
      {"taxnumber", Quoted(TestAuthority::TaxNumber())},
      {"xmlkulcs", Quoted(TestAuthority::XmlKey())},
      {"techkulcs", Quoted(TestAuthority::ExchangeKey())},
      {"softwareid", Quoted("KVITALINK-TEST-001")},
      {"softwarename", Quoted("kvitalink tests")},
      {"softwaremainversion", Quoted("2022.01")},
      {"softwaredevname", Quoted("kvitalink")},
      {"softwaredevcontact", Quoted("dev@example.hu")},
      {"curldir", Quoted(curl_dir)},
      {"funkcio", Quoted(funkcio)},
      {"teszturl", Quoted("teszt")},
      {"xsdverzio", Quoted(version)},
      {"invoicexml", Quoted(funkcio.rfind("1", 0) == 0 ? invoice_path : out_dir)},
  };
  switch (funkcio.empty() ? ' ' : funkcio[0]) {
    case '1': p["operation"] = Quoted("CREATE"); break;
    case '2': p["transactid"] = Quoted("T1"); break;
    case '3': p["taxnumber2"] = Quoted("12345678"); break;
    case '4': case '5': case '7': case '8': p["invoicenumber"] = Quoted("A/2022 01"); break;
    case '6':
      p["datumtol"] = Quoted("2022-01-01");
      p["datumig"] = Quoted("2022-01-31");
      p["kibe"] = Quoted("K");
      p["lap"] = "1";
      break;
    default: break;
  }
  return p;
}

int E2eWorkspace::Start(const Params& params) { return StartFile(ParameterFileBytes(params)); }

int E2eWorkspace::StartFile(const std::string& parameter_file) {
  Write(param_path_, parameter_file);
  std::string out_path = root + "/stdout.txt", err_path = root + "/stderr.txt";
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(root.c_str()) != 0)
      _exit(127);
    int null = open("/dev/null", O_RDONLY);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(null, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<std::string> words = run_under;
    words.push_back(program);
    words.push_back("//headless");
    words.push_back(param_path_);
    std::vector<char*> argv;
    for (std::string& word : words)
      argv.push_back(word.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

E2eRun E2eWorkspace::Wait(int pid, double timeout_seconds) {
  E2eRun run;
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::milliseconds(static_cast<int64_t>(timeout_seconds * 1000));
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      run.err = "(killed after the time limit)";
      return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = Read(root + "/stdout.txt");
  run.err = Read(root + "/stderr.txt");
  run.parameter_file_left = Exists(param_path_);
  // Under the sanitizers a fault of the program shows in its standard error,
  // whatever exit code the run is expected to give.
  for (const char* fault : {"AddressSanitizer", "LeakSanitizer", "runtime error:"})
    if (run.err.find(fault) != std::string::npos)
      ADD_FAILURE() << "kvitalink: " << run.err;
  return run;
}

E2eRun E2eWorkspace::Run(const Params& params, double timeout_seconds) {
  return Wait(Start(params), timeout_seconds);
}

E2eRun E2eWorkspace::RunFile(const std::string& parameter_file, double timeout_seconds) {
  return Wait(StartFile(parameter_file), timeout_seconds);
}

std::vector<std::vector<std::string>> E2eWorkspace::CurlCalls() const {
  std::vector<std::vector<std::string>> calls;
  std::vector<std::string> current;
  std::istringstream lines(Read(record_));
  std::string line;
  while (std::getline(lines, line)) {
    if (line == "----") {
      calls.push_back(current);
      current.clear();
    } else {
      current.push_back(line);
    }
  }
  return calls;
}

std::vector<std::string> E2eWorkspace::OutFiles() const {
  std::vector<std::string> names = SortedEntries(out_dir);
  std::erase(names, std::filesystem::path(invoice_path).filename().string());
  return names;
}

std::string E2eWorkspace::Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool E2eWorkspace::Exists(const std::string& path) { return fs::exists(path); }

void E2eWorkspace::Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}
