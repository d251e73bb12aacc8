// run_helpers.h: running the real executable (or a helper program built from
// the same start-up) headless in a directory of its own, with parameter files
// written as calling applications write them.
#pragma once

#include <map>
#include <string>
#include <vector>

// A fresh directory, removed with everything in it at the end of the scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

struct RunResult {
  int exit_code = -1;   // -1: killed (it did not end in time) or crashed
  std::string out;
  std::string err;
};

// Runs the program with "//headless" and the arguments in the directory, with
// no standard input; kills it when it runs longer than the limit.
RunResult RunHeadless(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd, int limit_seconds = 60);

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);

// The lines joined as a calling application writes them: CR LF after each.
std::string CrLfLines(const std::vector<std::string>& lines);

// A directory holding an executable "curl" that does nothing; its path
// without a final "/".
std::string MakeCurlDir(const TempDir& dir);

// The message box text as the headless display writes it to standard error
// (UTF-8, one line per ";"-line, each with its line end).
std::string BoxLines(const std::string& utf8_text);

extern const char kHeading[];   // "KVITALINK  2022.01"

// The helper program that runs MAIN with entry points that report, and the
// report it writes to standard output: "ENTRY" -> the entry point reached,
// and each setting's name -> its kind letter, ":" and its value (UTF-8).
extern const std::string kProbe;
std::map<std::string, std::string> ProbeReport(const std::string& out);
