#include "common/pid.h"

#include <charconv>
#include <limits>

namespace vex {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::int64_t PidToInt64(std::string_view text) noexcept {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate as a negative number so that the most negative value is reachable.
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    bool saturated = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const int digit = text[i] - '0';
        if (value < (kMin + digit) / 10) {
            saturated = true;
            break;
        }
        value = value * 10 - digit;
    }
    if (saturated) {
        return negative ? kMin : std::numeric_limits<std::int64_t>::max();
    }
    if (negative) return value;
    return value == kMin ? std::numeric_limits<std::int64_t>::max() : -value;
}

std::string PidDifference(std::string_view a, std::string_view b) {
    auto parse = [](std::string_view text, std::int64_t& out) {
        if (text.empty()) return false;
        for (char c : text) {
            if (!IsDigit(c)) return false;
        }
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
        return ec == std::errc() && end == text.data() + text.size();
    };
    std::int64_t x = 0;
    std::int64_t y = 0;
    if (!parse(a, x) || !parse(b, y) || x < y) return {};
    return std::to_string(x - y);
}

}  // namespace vex
