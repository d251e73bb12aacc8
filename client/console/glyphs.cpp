// glyphs.cpp: the screen glyphs of the cell bytes.
#include "client/console/glyphs.h"

#include "foundations/codepage.h"

namespace {

constexpr uint16_t kControlGlyphs[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
};
constexpr uint16_t kDeleteGlyph = 0x2302;

}  // namespace

uint32_t CellCodePoint(uint8_t byte) {
  if (byte < 0x20)
    return kControlGlyphs[byte];
  if (byte == 0x7F)
    return kDeleteGlyph;
  return kCp852ToUnicode[byte];
}

void AppendUtf8(std::string& out, uint32_t cp) {
  auto byte = [&](uint32_t v) { out += static_cast<char>(v); };
  if (cp < 0x80) {
    byte(cp);
  } else if (cp < 0x800) {
    byte(0xC0 | (cp >> 6));
    byte(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    byte(0xE0 | (cp >> 12));
    byte(0x80 | ((cp >> 6) & 0x3F));
    byte(0x80 | (cp & 0x3F));
  } else {
    byte(0xF0 | (cp >> 18));
    byte(0x80 | ((cp >> 12) & 0x3F));
    byte(0x80 | ((cp >> 6) & 0x3F));
    byte(0x80 | (cp & 0x3F));
  }
}
