// clock.cpp: the local clock readings, timestamps, their conversion to UTC by
// the zone's rules for the date, and the text forms of dates and timestamps.
#include "foundations/clock.h"

#include <cmath>
#include <cstdio>

#include "foundations/clock_platform.h"
#include "foundations/rounding.h"

namespace {

const int64_t kMsPerDay = 86400000;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// A whole number of 1 or 2 digits from `s` at `at`; -1 when there is none.
int ReadField(const std::string& s, size_t& at) {
  int value = 0, digits = 0;
  while (at < s.size() && digits < 2 && s[at] >= '0' && s[at] <= '9') {
    value = value * 10 + (s[at++] - '0');
    ++digits;
  }
  return digits > 0 ? value : -1;
}

BrokenTime Break(const Stamp& stamp) {
  int64_t seconds = stamp.ms / 1000;
  return {stamp.date.year, stamp.date.month, stamp.date.day, static_cast<int>(seconds / 3600),
          static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60), 0};
}

// Milliseconds since the start of the JDN count.
int64_t Absolute(const BrokenTime& t) {
  int64_t day_ms = ((int64_t{t.hour} * 60 + t.minute) * 60 + t.second) * 1000 + t.ms;
  return DateToJdn({t.year, t.month, t.day}) * kMsPerDay + day_ms;
}

Stamp FromAbsolute(int64_t ms) {
  int64_t jdn = FloorDiv(ms, kMsPerDay);
  return {JdnToDate(jdn), ms - jdn * kMsPerDay};
}

// Seconds east of Greenwich at the local time of the stamp.
int64_t OffsetAt(const Stamp& local) {
  BrokenTime broken = Break(local);
  BrokenTime utc;
  if (!PlatformLocalToUtc(broken, &utc))
    return PlatformPresentOffset();
  double offset_ms = static_cast<double>(Absolute(broken) - Absolute(utc));
  return static_cast<int64_t>(RoundHalfAway(offset_ms / 1000));
}

}  // namespace

int64_t DateToJdn(const Date& d) {
  int64_t y = d.year, m = d.month, day = d.day;
  int64_t a = (m - 14) / 12;
  return (1461 * (y + 4800 + a)) / 4 + (367 * (m - 2 - 12 * a)) / 12 -
         (3 * ((y + 4900 + a) / 100)) / 4 + day - 32075;
}

Date JdnToDate(int64_t jdn) {
  int64_t l = jdn + 68569;
  int64_t n = 4 * l / 146097;
  l = l - (146097 * n + 3) / 4;
  int64_t i = 4000 * (l + 1) / 1461001;
  l = l - 1461 * i / 4 + 31;
  int64_t j = 80 * l / 2447;
  int64_t day = l - 2447 * j / 80;
  l = j / 11;
  int64_t month = j + 2 - 12 * l;
  int64_t year = 100 * (n - 49) + i + l;
  return {static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
}

Date CLOCKDATE() {
  BrokenTime now = PlatformLocalNow();
  return {now.year, now.month, now.day};
}

std::string CLOCKTIME() {
  BrokenTime now = PlatformLocalNow();
  char text[40];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.hour, now.minute, now.second);
  return text;
}

double DAYSECONDS() {
  BrokenTime now = PlatformLocalNow();
  if (now.hour < 0 || now.hour > 23 || now.minute < 0 || now.minute > 59 || now.second < 0 ||
      now.second > 59 || now.ms < 0 || now.ms > 999)
    return 0;
  int64_t ms = ((int64_t{now.hour} * 60 + now.minute) * 60 + now.second) * 1000 + now.ms;
  return static_cast<double>(ms) / 1000;
}

Stamp MAKESTAMP(const Date& date, const std::string& time_text) {
  size_t at = 0;
  int fields[3];
  for (int k = 0; k < 3; ++k) {
    if (k > 0 && (at >= time_text.size() || time_text[at++] != ':'))
      return {date, 0};
    fields[k] = ReadField(time_text, at);
  }
  int h = fields[0], m = fields[1], s = fields[2];
  if (at != time_text.size() || h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
    return {date, 0};
  return {date, ((int64_t{h} * 60 + m) * 60 + s) * 1000};
}

Stamp MAKEUTC(const Stamp& local) {
  // Outside the years and the day of a timestamp there is no zone rule to
  // apply: the stamp is taken for UTC unchanged.
  if (local.date.year < 1 || local.date.year > 9999 || local.ms < 0 || local.ms >= kMsPerDay)
    return local;
  int64_t offset = OffsetAt(local);
  return FromAbsolute(DateToJdn(local.date) * kMsPerDay + local.ms - offset * 1000);
}

std::string STAMPTEXT(const Stamp& stamp) {
  int64_t ms = stamp.ms;
  char text[120];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02lld:%02lld:%02lld.%03lld", stamp.date.year,
                stamp.date.month, stamp.date.day, static_cast<long long>(ms / 3600000),
                static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                static_cast<long long>(ms % 1000));
  return text;
}

std::string DATEDIGITS(const Date& date) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d%02d%02d", date.year, date.month, date.day);
  return text;
}
