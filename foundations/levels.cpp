#include "foundations/levels.h"

namespace {
std::vector<LevelLine>& Stack() {
  static std::vector<LevelLine> stack;
  return stack;
}
}  // namespace

ProcLevel::ProcLevel(const char* name) : index_(Stack().size()) {
  Stack().push_back({name, 0});
}

ProcLevel::~ProcLevel() { Stack().resize(index_); }

void ProcLevel::at(int line) { Stack()[index_].line = line; }

std::vector<LevelLine> ActiveLevels() {
  return std::vector<LevelLine>(Stack().rbegin(), Stack().rend());
}
