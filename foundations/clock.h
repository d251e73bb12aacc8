// clock.h: the local clock, timestamps, their conversion to UTC and the text
// forms the requests carry.
#pragma once

#include <cstdint>
#include <string>

struct Date {
  int year = 2000;
  int month = 1;
  int day = 1;
};

// A date and a time of day in whole milliseconds since midnight (0..86399999).
struct Stamp {
  Date date;
  int64_t ms = 0;
};

// Julian Day Numbers (2000-01-01 is 2451545), Fliegel and Van Flandern.
int64_t DateToJdn(const Date& date);
Date JdnToDate(int64_t jdn);

Date CLOCKDATE();
std::string CLOCKTIME();   // HH:MM:SS
double DAYSECONDS();       // 0 .. 86399.999
Stamp MAKESTAMP(const Date& date, const std::string& time_text);
Stamp MAKEUTC(const Stamp& local);
std::string STAMPTEXT(const Stamp& stamp);  // YYYY-MM-DD HH:MM:SS.fff
std::string DATEDIGITS(const Date& date);   // YYYYMMDD
