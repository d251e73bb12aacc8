// clock_posix.cpp: the clock on POSIX: clock_gettime with localtime_r or
// gmtime_r; local time to UTC by the offset that the zone (TZ / tzdata) has
// in force on that date, one fixed reading in the hours around a change.
#include "foundations/clock_platform.h"

#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <initializer_list>

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

// Seconds east of Greenwich in force at the instant; false when the system
// cannot say.
bool OffsetAt(std::time_t t, long* offset) {
  std::tm tm{};
  if (!localtime_r(&t, &tm))
    return false;
  *offset = tm.tm_gmtoff;
  return true;
}

// The instant of a local time, given as the seconds its fields count when
// read as UTC. The offsets in force a day before, at and a day after are the
// candidates; a candidate fits when the zone has that very offset at the
// instant it gives. In the hour repeated when the clocks go back both fit,
// and where the clocks went forward none does: both times take the later
// instant, the reading with the smaller (standard-time) offset, so that the
// answer never depends on what was converted before (mktime carries the
// offset of its previous call into such hours).
bool ReadLocal(std::time_t as_utc, std::time_t* instant) {
  bool any = false, fits_any = false;
  std::time_t best_fit = 0, best = 0;
  for (std::time_t probe : {as_utc - 86400, as_utc, as_utc + 86400}) {
    long offset;
    if (!OffsetAt(probe, &offset))
      continue;
    const std::time_t t = as_utc - offset;
    long actual;
    const bool fits = OffsetAt(t, &actual) && actual == offset;
    if (!any || t > best)
      best = t;
    if (fits && (!fits_any || t > best_fit))
      best_fit = t;
    any = true;
    fits_any = fits_any || fits;
  }
  *instant = fits_any ? best_fit : best;
  return any;
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
  errno = 0;
  const std::time_t as_utc = timegm(&tm);
  if (as_utc == static_cast<std::time_t>(-1) && errno != 0)
    return false;
  std::time_t t;
  if (!ReadLocal(as_utc, &t))
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
