// codepage_machine_posix.cpp: the machine's ANSI page is Windows-1250 and its
// OEM page 852. Each byte goes through its Unicode code point, as the Windows
// calls convert; a character the target page lacks becomes "?".
#include "foundations/codepage_machine.h"

#include <array>
#include <cstdint>

#include "foundations/codepage.h"

namespace {

using ByteMap = std::array<char, 256>;

// The byte of `to` for each byte of `from`, through the code point.
ByteMap BuildMap(const uint16_t (&from)[256], const uint16_t (&to)[256]) {
  ByteMap map;
  for (int b = 0; b < 256; ++b) {
    map[b] = '?';
    for (int t = 0; t < 256; ++t) {
      if (to[t] == from[b]) {
        map[b] = static_cast<char>(t);
        break;
      }
    }
  }
  return map;
}

std::string Apply(const ByteMap& map, const std::string& text) {
  std::string out(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i)
    out[i] = map[static_cast<unsigned char>(text[i])];
  return out;
}

}  // namespace

std::string MachineAnsiToOem(const std::string& text) {
  static const ByteMap map = BuildMap(kCp1250ToUnicode, kCp852ToUnicode);
  return Apply(map, text);
}

std::string MachineOemToAnsi(const std::string& text) {
  static const ByteMap map = BuildMap(kCp852ToUnicode, kCp1250ToUnicode);
  return Apply(map, text);
}
