#pragma once

// The radio's clock: a 32-bit count of seconds since 1970-01-01 00:00:00 of the local date and
// time, which a radio write sets from the computer's clock.
//
// The count uses the radio's own calendar: 365 days a year plus one day in every fourth year from
// 1972 on (1972, 1976, ..., 2000, ..., 2100, ...), with no century rule, and the month lengths 31,
// 28 (29 in such a year), 31, 30, 31, 30, 31, 31, 30, 31, 30, 31. Up to 2100-02-28 this is the
// civil calendar; from 2100-03-01 on the count is one day ahead of it, because the radio counts
// 2100 as a leap year. The count reaches 2^32 - 1 on 2106-02-06 06:28:15.

#include <cstdint>
#include <ctime>

namespace vex {

// The count for a broken-down local time (tm_year, tm_mon, tm_mday, tm_hour, tm_min, tm_sec; the
// other fields are ignored). Fields out of their usual ranges carry over (month 12 is January of
// the next year, hour 24 the next day). A time before 1970 gives 0 and a time past the 32-bit range
// gives 0xFFFFFFFF: the radio's field cannot hold either.
std::uint32_t RadioClockSeconds(const std::tm& localTime);

// The count for the computer's present local date and time.
std::uint32_t RadioClockNow();

}  // namespace vex
