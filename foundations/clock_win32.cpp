// clock_win32.cpp: the clock on Windows: GetLocalTime and GetSystemTime; local
// time to UTC through TzSpecificLocalTimeToSystemTime, looked up in kernel32
// once per run, else the zone's present bias from GetTimeZoneInformation.
#include "foundations/clock_platform.h"

#include <windows.h>

namespace {

BrokenTime (*g_local_for_tests)() = nullptr;
BrokenTime (*g_utc_for_tests)() = nullptr;

using LocalToSystem = BOOL(WINAPI*)(const TIME_ZONE_INFORMATION*, const SYSTEMTIME*, SYSTEMTIME*);

BrokenTime FromSystemTime(const SYSTEMTIME& st) {
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

// Found or not, the first lookup holds for the rest of the run.
LocalToSystem ConversionFunction() {
  static const LocalToSystem function = [] {
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    FARPROC found = kernel ? GetProcAddress(kernel, "TzSpecificLocalTimeToSystemTime") : nullptr;
    return reinterpret_cast<LocalToSystem>(reinterpret_cast<void*>(found));
  }();
  return function;
}

}  // namespace

BrokenTime PlatformLocalNow() {
  if (g_local_for_tests)
    return g_local_for_tests();
  SYSTEMTIME st;
  GetLocalTime(&st);
  return FromSystemTime(st);
}

BrokenTime PlatformUtcNow() {
  if (g_utc_for_tests)
    return g_utc_for_tests();
  SYSTEMTIME st;
  GetSystemTime(&st);
  return FromSystemTime(st);
}

bool PlatformLocalToUtc(const BrokenTime& local, BrokenTime* utc) {
  LocalToSystem convert = ConversionFunction();
  if (!convert)
    return false;
  SYSTEMTIME in{};
  in.wYear = static_cast<WORD>(local.year);
  in.wMonth = static_cast<WORD>(local.month);
  in.wDay = static_cast<WORD>(local.day);
  in.wHour = static_cast<WORD>(local.hour);
  in.wMinute = static_cast<WORD>(local.minute);
  in.wSecond = static_cast<WORD>(local.second);
  SYSTEMTIME out{};
  if (!convert(nullptr, &in, &out))
    return false;
  *utc = FromSystemTime(out);
  return true;
}

long PlatformPresentOffset() {
  TIME_ZONE_INFORMATION zone{};
  DWORD state = GetTimeZoneInformation(&zone);
  long bias = zone.Bias + (state == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : zone.StandardBias);
  return -bias * 60;
}

unsigned PlatformThreadNumber() { return static_cast<unsigned>(GetCurrentThreadId()); }

void SetClockForTests(BrokenTime (*local_now)(), BrokenTime (*utc_now)()) {
  g_local_for_tests = local_now;
  g_utc_for_tests = utc_now;
}
