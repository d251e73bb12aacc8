// process_win32.cpp: GetCommandLineW, GetModuleFileNameW, _wsystem and the
// standard error handle. Texts cross between code page 852 and UTF-16 one
// unit per byte.
#include "client/console/process_platform.h"

#include <windows.h>

#include <cstdlib>

#include "client/console/process.h"
#include "foundations/codepage_utf16.h"

namespace {

std::string From(const wchar_t* wide, size_t length) {
  return Utf16ToCp852(std::u16string(reinterpret_cast<const char16_t*>(wide), length));
}

std::wstring Wide(const std::string& text852) {
  std::u16string wide = Cp852ToUtf16(text852);
  return std::wstring(wide.begin(), wide.end());
}

}  // namespace

std::vector<std::string> ProcessArguments(int, char**) {
  const wchar_t* line = GetCommandLineW();
  std::vector<std::string> words = SplitCommandWords(From(line, wcslen(line)));
  if (!words.empty())
    words.erase(words.begin());
  return words;
}

std::string ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0)
      return "";
    if (n < buffer.size())
      return From(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

// cmd.exe /c strips the first and the last double quote of a line that
// begins with one: one more pair around the whole line keeps the line's own
// quotes (a quoted curl.exe path first) as they were written.
int RunCommandInterpreter(const std::string& command_line) {
  std::wstring line = L"\"" + Wide(command_line) + L"\"";
  return _wsystem(line.c_str());
}

// The bytes of code page 852 as they stand, straight to the handle.
void WriteStandardError(const std::string& text) {
  HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
    return;
  size_t done = 0;
  while (done < text.size()) {
    DWORD put = 0;
    DWORD chunk = static_cast<DWORD>(text.size() - done < 65536 ? text.size() - done : 65536);
    if (!WriteFile(handle, text.data() + done, chunk, &put, nullptr) || put == 0)
      return;
    done += put;
  }
}
