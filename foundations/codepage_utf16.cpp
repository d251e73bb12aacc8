// codepage_utf16.cpp: code page 852 to and from UTF-16, unit by unit.
#include "foundations/codepage_utf16.h"

#include "foundations/codepage.h"

std::u16string Cp852ToUtf16(const std::string& text852) {
  std::u16string out(text852.size(), u'\0');
  for (size_t i = 0; i < text852.size(); ++i)
    out[i] = static_cast<char16_t>(kCp852ToUnicode[static_cast<unsigned char>(text852[i])]);
  return out;
}

std::string Utf16ToCp852(const std::u16string& text) {
  std::string out(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    int byte = UnicodeTo852(text[i]);
    if (byte < 0)
      byte = text[i] < 0x100 ? text[i] : '?';
    out[i] = static_cast<char>(byte);
  }
  return out;
}
