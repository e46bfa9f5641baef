// Fixed clock for tests.
#include "support/FixedClock.h"

#include "core/AppHooks.h"

TFixedClock::TFixedClock(int year, int month, int day, int hour, int minute, int second)
    : previous(apphooks::Now)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    std::mktime(&t);   // fills the weekday and day of the year
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    apphooks::Now = [t] { return t; };
}

TFixedClock::~TFixedClock() { apphooks::Now = previous; }
