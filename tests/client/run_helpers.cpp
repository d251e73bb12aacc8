#include "run_helpers.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

const char kHeading[] = "KVITALINK  2022.01";
const std::string kProbe = std::string(HELPERS_DIR) + "/client_main_probe";

std::map<std::string, std::string> ProbeReport(const std::string& out) {
  std::map<std::string, std::string> report;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    size_t eq = line.find('=');
    if (eq != std::string::npos)
      report[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return report;
}

TempDir::TempDir() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/kvitalink-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data()))
    throw std::runtime_error("mkdtemp failed");
  path_ = buffer.data();
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

RunResult RunHeadless(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd, int limit_seconds) {
  TempDir outputs;
  std::string out_path = outputs / "out";
  std::string err_path = outputs / "err";
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0)
      _exit(126);
    int in = open("/dev/null", O_RDONLY);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<std::string> all = {program, "//headless"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  RunResult result;
  int status = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limit_seconds);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.err = ReadBytes(err_path);
      return result;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (WIFEXITED(status))
    result.exit_code = WEXITSTATUS(status);
  result.out = ReadBytes(out_path);
  result.err = ReadBytes(err_path);
  return result;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}

std::string CrLfLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines)
    out += line + "\r\n";
  return out;
}

std::string MakeCurlDir(const TempDir& dir) {
  std::string curl_dir = dir / "curlbin";
  std::filesystem::create_directory(curl_dir);
  WriteBytes(curl_dir + "/curl", "#!/bin/sh\nexit 0\n");
  chmod((curl_dir + "/curl").c_str(), 0755);
  return curl_dir;
}

std::string BoxLines(const std::string& utf8_text) {
  std::string out;
  for (char c : utf8_text)
    out += c == ';' ? '\n' : c;
  return out + "\n";
}
