#pragma once

#include <span>
#include <string_view>

namespace vex {

// The string table: every numbered user-visible text of the program, with its id. Core code reports
// ids (exceptions, link status codes, rule-script messages); the desktop application and the
// command-line tool look the text up here and show it. Texts are kept verbatim, including printf
// formats ("%s", "%d") and line breaks.
struct StringEntry {
    int id;
    std::string_view text;
};

// The text of an id; the empty text when the table has no such id.
std::string_view StringText(int id) noexcept;

bool HasString(int id) noexcept;

// Every entry, in ascending order of id.
std::span<const StringEntry> AllStrings() noexcept;

// Ids that core code names directly.
namespace ids {
inline constexpr int kFatalError101 = 101;
inline constexpr int kFatalError102 = 102;
inline constexpr int kInvalidProfile = 105;
inline constexpr int kUnknownError = 106;
inline constexpr int kProgramingError107 = 107;
inline constexpr int kProgramingError108 = 108;
}  // namespace ids

}  // namespace vex
