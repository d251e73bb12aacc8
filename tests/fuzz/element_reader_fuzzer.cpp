// element_reader_fuzzer: XMLBANYASZ on any bytes and any tag.
//
// Input: one byte that picks the tag (the two the client reads, a one-letter
// one, the empty one, or the bytes up to the next 0x00), then the text.
//
// Checked: the result is the text between the end of the first "<tag>" and
// the first "</tag>" when that closing tag stands after it, else empty; it
// never holds the closing tag.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "request/reader.h"

namespace {

std::string TagOf(FuzzInput& input) {
  switch (input.Byte() % 5) {
    case 0: return "funcCode";
    case 1: return "encodedExchangeToken";
    case 2: return "a";
    case 3: return "";
    default: return input.Until(0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  std::string tag = TagOf(input);
  std::string text = input.Rest();
  std::string result = XMLBANYASZ(text, tag);

  std::string opening = "<" + tag + ">", closing = "</" + tag + ">";
  size_t open_at = text.find(opening), close_at = text.find(closing);
  if (open_at == std::string::npos || close_at == std::string::npos ||
      close_at <= open_at + opening.size()) {
    Check(result.empty());
    return 0;
  }
  size_t start = open_at + opening.size();
  Check(result.size() == close_at - start);
  Check(text.compare(start, result.size(), result) == 0);
  Check(result.find(closing) == std::string::npos);
  return 0;
}
