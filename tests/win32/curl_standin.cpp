// curl_standin.cpp: the HTTP client's stand-in of the end-to-end runs, built
// as curl.exe for Windows and as curl for Linux. It records what it was given
// and answers as the test prepared, without any network:
//   $KV_STANDIN_DIR/record/N-OPERATION.args     one argument a line (UTF-8)
//   $KV_STANDIN_DIR/record/N-OPERATION.line     the raw command line (Windows)
//   $KV_STANDIN_DIR/record/N-OPERATION.request  the file given as "-d @FILE"
//   $KV_STANDIN_DIR/answers/OPERATION           copied to the "-o" file when
//                                               present; no answer otherwise
// N counts the calls from 1; OPERATION is the endpoint URL's last segment.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Put(const fs::path& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out << data;
}

#if defined(_WIN32)
std::string Utf8(const wchar_t* wide) {
  int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}
#endif

int Run(const std::vector<std::string>& args, const std::string& raw_line) {
  const char* base = std::getenv("KV_STANDIN_DIR");
  if (!base)
    return 2;
  std::string request, output, url;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-d" && i + 1 < args.size() && args[i + 1].rfind("@", 0) == 0)
      request = args[i + 1].substr(1);
    else if (args[i] == "-o" && i + 1 < args.size())
      output = args[i + 1];
    else if (args[i].rfind("https://", 0) == 0)
      url = args[i];
  }
  const std::string operation = url.substr(url.rfind('/') + 1);
  const fs::path record = PathOf(base) / "record";
  fs::create_directories(record);
  int n = 1;
  for (const auto& entry : fs::directory_iterator(record))
    n += entry.path().extension() == ".args";
  const std::string stem = std::to_string(n) + "-" + operation;
  std::string listed;
  for (size_t i = 1; i < args.size(); ++i) listed += args[i] + "\n";
  if (!raw_line.empty())
    Put(record / (stem + ".line"), raw_line);
  if (!request.empty())
    Put(record / (stem + ".request"), Slurp(PathOf(request)));
  Put(record / (stem + ".args"), listed);
  const fs::path answer = PathOf(base) / "answers" / operation;
  if (!output.empty() && fs::exists(answer))
    Put(PathOf(output), Slurp(answer));
  return 0;
}

}  // namespace

#if defined(_WIN32)
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utf8(argv[i]));
  return Run(args, Utf8(GetCommandLineW()));
}
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv, argv + argc), ""); }
#endif
