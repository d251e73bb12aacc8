// codepage_utf16.h: the internal code page (852) and UTF-16, one unit per
// byte, for the Windows calls that take and give wide texts: file names, the
// command line, the executable's path.
#pragma once

#include <string>

// Each byte becomes the character that the code page 852 table gives it.
std::u16string Cp852ToUtf16(const std::string& text852);
// Each UTF-16 unit becomes the byte of code page 852 that carries it; a unit
// that no byte carries becomes the byte of the same value below 0x100, "?"
// otherwise.
std::string Utf16ToCp852(const std::u16string& text);
