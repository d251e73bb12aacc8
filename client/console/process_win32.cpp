// process_win32.cpp: GetCommandLineW, GetModuleFileNameW, CreateProcessW and
// the standard error handle. Texts cross between code page 852 and UTF-16 one
// unit per byte.
#include "client/console/process_platform.h"

#include <windows.h>

#include <cwchar>

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

// Split before the conversion, so that each word can be compared with what
// its bytes give back.
std::vector<ProcessArgument> ProcessArguments(int, char**) {
  const wchar_t* line = GetCommandLineW();
  std::vector<std::u16string> words =
      SplitCommandWords(std::u16string(reinterpret_cast<const char16_t*>(line), wcslen(line)));
  std::vector<ProcessArgument> arguments;
  for (size_t i = 1; i < words.size(); ++i) {
    std::string text = Utf16ToCp852(words[i]);
    bool exact = Cp852ToUtf16(text) == words[i];
    arguments.push_back({std::move(text), exact});
  }
  return arguments;
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

// No cmd.exe: it would expand "%NAME%" even inside double quotes, so that a
// free text on the line could rename the files the program is handed, and
// an environment value could break the quoting. CreateProcessW takes the
// program from the line's first item, and the program gets the line as it
// stands. The handles are inherited as a command interpreter's child gets
// them; a process group of its own keeps Ctrl+C typed in the console with
// this program, so that the child always finishes and leaves its answer.
int RunCommandInterpreter(const std::string& command_line) {
  std::wstring line = Wide(command_line);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP,
                      nullptr, nullptr, &startup, &process))
    return -1;
  CloseHandle(process.hThread);
  DWORD status = 0;
  bool ended = WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
               GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  return ended ? static_cast<int>(status) : -1;
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
