// codepage_machine_win32.cpp: the machine's own ANSI and OEM code pages,
// converted through UTF-16 by MultiByteToWideChar and WideCharToMultiByte.
// Characters the target lacks become the system's best fit or "?".
#include "foundations/codepage_machine.h"

#include <windows.h>

#include <vector>

namespace {

std::string Convert(const std::string& text, UINT from, UINT to) {
  if (text.empty())
    return "";
  int length = static_cast<int>(text.size());
  int units = MultiByteToWideChar(from, MB_PRECOMPOSED, text.data(), length, nullptr, 0);
  if (units <= 0)
    return "";
  std::vector<wchar_t> wide(static_cast<size_t>(units));
  units = MultiByteToWideChar(from, MB_PRECOMPOSED, text.data(), length, wide.data(), units);
  int bytes = WideCharToMultiByte(to, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0)
    return "";
  std::string out(static_cast<size_t>(bytes), '\0');
  bytes = WideCharToMultiByte(to, 0, wide.data(), units, out.data(), bytes, nullptr, nullptr);
  out.resize(static_cast<size_t>(bytes > 0 ? bytes : 0));
  return out;
}

}  // namespace

std::string MachineAnsiToOem(const std::string& text) { return Convert(text, CP_ACP, CP_OEMCP); }

std::string MachineOemToAnsi(const std::string& text) { return Convert(text, CP_OEMCP, CP_ACP); }
