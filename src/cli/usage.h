#pragma once

// What every program of the suite does with a command line it cannot take: a one-line error on
// stderr, a did-you-mean for a mistyped word, a pointer to the help, exit status 2. Shared by
// vexprg-cli and vexprg-sim.

#include <string>
#include <vector>

namespace CLI {
class ParseError;
}  // namespace CLI

namespace vex::cli {

inline constexpr const char* kVersion = "0.1.0";

// The exit status of a command line that cannot be taken.
inline constexpr int kExitUsage = 2;

// "; did you mean 'X'?" for the candidate closest to word, when it is close; else "".
std::string DidYouMean(const std::string& word, const std::vector<std::string>& candidates);

// The one-line text of a CLI11 parse error.
std::string UsageMessage(const CLI::ParseError& error);

// Prints "PROGRAM COMMAND: message" and "try 'PROGRAM COMMAND --help'" on stderr; returns 2.
int UsageFailure(const std::string& command, const std::string& message,
                 const std::string& program = "vexprg-cli");

}  // namespace vex::cli
