// clock_posix.cpp: the clock on POSIX: clock_gettime with localtime_r or
// gmtime_r; local time to UTC through mktime with the zone deciding whether
// daylight time applies on that date (TZ / tzdata).
#include "foundations/clock_platform.h"

#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace {

BrokenTime (*g_local_for_tests)() = nullptr;
BrokenTime (*g_utc_for_tests)() = nullptr;

BrokenTime FromTm(const std::tm& tm, long nanoseconds) {
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
          tm.tm_min,         tm.tm_sec,     static_cast<int>(nanoseconds / 1000000)};
}

BrokenTime Now(std::tm* (*convert)(const std::time_t*, std::tm*)) {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm tm{};
  convert(&ts.tv_sec, &tm);
  return FromTm(tm, ts.tv_nsec);
}

}  // namespace

BrokenTime PlatformLocalNow() {
  return g_local_for_tests ? g_local_for_tests() : Now(localtime_r);
}

BrokenTime PlatformUtcNow() { return g_utc_for_tests ? g_utc_for_tests() : Now(gmtime_r); }

bool PlatformLocalToUtc(const BrokenTime& local, BrokenTime* utc) {
  std::tm tm{};
  tm.tm_year = local.year - 1900;
  tm.tm_mon = local.month - 1;
  tm.tm_mday = local.day;
  tm.tm_hour = local.hour;
  tm.tm_min = local.minute;
  tm.tm_sec = local.second;
  tm.tm_isdst = -1;
  errno = 0;
  std::time_t t = mktime(&tm);
  if (t == static_cast<std::time_t>(-1) && errno != 0)
    return false;
  std::tm out{};
  if (!gmtime_r(&t, &out))
    return false;
  *utc = FromTm(out, 0);
  return true;
}

long PlatformPresentOffset() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  if (!localtime_r(&now, &tm))
    return 0;
  return tm.tm_gmtoff;
}

unsigned PlatformThreadNumber() { return static_cast<unsigned>(gettid()); }

void SetClockForTests(BrokenTime (*local_now)(), BrokenTime (*utc_now)()) {
  g_local_for_tests = local_now;
  g_utc_for_tests = utc_now;
}
