#include "model/radio_clock.h"

#include <array>
#include <cstdint>
#include <limits>

namespace vex {

namespace {

constexpr std::int64_t kEpochYear = 1970;
constexpr std::int64_t kFirstLeapYear = 1972;
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::array<std::int64_t, 12> kMonthDays = {31, 28, 31, 30, 31, 30,
                                                     31, 31, 30, 31, 30, 31};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

bool IsRadioLeapYear(std::int64_t year) {
    return year >= kFirstLeapYear && (year - kFirstLeapYear) % 4 == 0;
}

// Leap days in the years from 1970 up to, but not including, `year` (year >= 1970).
std::int64_t LeapDaysBefore(std::int64_t year) {
    return year <= kFirstLeapYear ? 0 : (year - kFirstLeapYear - 1) / 4 + 1;
}

}  // namespace

std::uint32_t RadioClockSeconds(const std::tm& localTime) {
    // Months out of range carry into the year, so that the month indexes the table.
    const std::int64_t monthCount = static_cast<std::int64_t>(localTime.tm_mon);
    const std::int64_t year =
        1900 + static_cast<std::int64_t>(localTime.tm_year) + FloorDiv(monthCount, 12);
    const std::int64_t month = monthCount - 12 * FloorDiv(monthCount, 12);
    if (year < kEpochYear) return 0;

    std::int64_t days = 365 * (year - kEpochYear) + LeapDaysBefore(year);
    for (std::int64_t m = 0; m < month; ++m) days += kMonthDays[static_cast<std::size_t>(m)];
    if (month > 1 && IsRadioLeapYear(year)) ++days;
    days += static_cast<std::int64_t>(localTime.tm_mday) - 1;

    const std::int64_t seconds = days * kSecondsPerDay +
                                 static_cast<std::int64_t>(localTime.tm_hour) * 3600 +
                                 static_cast<std::int64_t>(localTime.tm_min) * 60 +
                                 static_cast<std::int64_t>(localTime.tm_sec);
    if (seconds < 0) return 0;
    if (seconds > std::numeric_limits<std::uint32_t>::max()) {
        return std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(seconds);
}

std::uint32_t RadioClockNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return 0;
    return RadioClockSeconds(local);
}

}  // namespace vex
