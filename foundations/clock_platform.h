// clock_platform.h: what the clock needs of the system, one implementation per
// platform (clock_posix.cpp, clock_win32.cpp).
#pragma once

struct BrokenTime {
  int year, month, day, hour, minute, second, ms;
};

// The local date and time now (GetLocalTime).
BrokenTime PlatformLocalNow();
// The UTC date and time now (GetSystemTime).
BrokenTime PlatformUtcNow();
// The UTC time of a local time by the zone's rules for that date; false when
// the system cannot say (TzSpecificLocalTimeToSystemTime).
bool PlatformLocalToUtc(const BrokenTime& local, BrokenTime* utc);
// The zone's present offset east of Greenwich in seconds (the fallback from
// GetTimeZoneInformation); 0 when the system gives nothing.
long PlatformPresentOffset();
// A 32-bit number fixed for the running thread.
unsigned PlatformThreadNumber();

// Tests pin the clock: while set, PlatformLocalNow and PlatformUtcNow return
// what these give. nullptr restores the system clock.
void SetClockForTests(BrokenTime (*local_now)(), BrokenTime (*utc_now)());
