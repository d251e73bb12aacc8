// levels.h: the chain of active procedures, for the "Called from" lines of the
// run-time error report. Each procedure of the program (MAIN, XMLELEJE, XMLBE,
// MANAGEINV, ANNULINV, FINVOICE, XMLBANYASZ) opens a ProcLevel on entry and
// marks the line it is executing before each step that may raise:
//
//   ProcLevel level("MAIN");
//   level.at(__LINE__);  curl_dir = Settings().Get("CURLDIR");
#pragma once

#include <string>
#include <vector>

class ProcLevel {
 public:
  explicit ProcLevel(const char* name);
  ~ProcLevel();
  ProcLevel(const ProcLevel&) = delete;
  ProcLevel& operator=(const ProcLevel&) = delete;

  void at(int line);

 private:
  size_t index_;
};

struct LevelLine {
  std::string name;
  int line;
};

// The active levels, innermost first.
std::vector<LevelLine> ActiveLevels();
