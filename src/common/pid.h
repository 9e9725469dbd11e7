#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vex {

// A private ID (PID) is held, stored and sent as the decimal text of an unsigned number of at most
// 34 bits. Contacts are matched by exact comparison of these texts; numeric checks go through
// PidToInt64.
inline constexpr std::int64_t kMaxPid = 17179869183;  // 2^34 - 1

// The signed 64-bit decimal conversion used for every numeric PID check: leading white space and
// one sign are accepted, the conversion stops at the first non-digit, no digits gives 0. A value
// beyond the 64-bit range saturates.
std::int64_t PidToInt64(std::string_view text) noexcept;

// a - b as a decimal text when both texts are non-empty, consist of decimal digits only, fit in
// 64 bits and a >= b; otherwise the empty text.
std::string PidDifference(std::string_view a, std::string_view b);

}  // namespace vex
