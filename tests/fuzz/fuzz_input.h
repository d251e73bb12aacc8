// fuzz_input.h: what the fuzz targets share: the check that aborts (so that
// libFuzzer reports the input) and a reader that takes an input apart into
// the choices and texts a target needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Aborts, naming the check's place, when the condition does not hold.
inline void Check(bool condition, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
  if (condition)
    return;
  std::fprintf(stderr, "property failed: %s:%d\n", file, line);
  std::abort();
}

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // The next byte, 0 when the input is used up.
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  // The bytes up to the next `separator` (which is passed over), or the rest.
  std::string Until(uint8_t separator) {
    size_t start = at_;
    while (at_ < size_ && data_[at_] != separator) ++at_;
    std::string part(reinterpret_cast<const char*>(data_ + start), at_ - start);
    if (at_ < size_) ++at_;
    return part;
  }
  std::string Rest() {
    std::string rest(reinterpret_cast<const char*>(data_ + at_), size_ - at_);
    at_ = size_;
    return rest;
  }
  bool AtEnd() const { return at_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};
