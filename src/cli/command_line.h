#pragma once

// The command line of vexprg-cli on CLI11: options of each command, one-line usage errors with a
// did-you-mean, and the table of exit statuses.

#include <map>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/usage.h"

namespace CLI {
class App;
class ParseError;
}  // namespace CLI

namespace vex::cli {

// One option: CLI11 names ("-p,--port"), the value's name (null for a flag) and the help text.
struct OptionSpec {
    const char* names;
    const char* value;
    const char* help;
};

// Where CLI11 stores a command's options while parsing (addresses stay put).
struct ParsedCommand {
    std::map<std::string, std::string> values;
    std::map<std::string, bool> flags;
    std::vector<std::string> positional;
};

void AddOptions(CLI::App& command, const std::vector<OptionSpec>& options, const char* positional,
                ParsedCommand& parsed);

// The parsed command as Args; a UsageError for a word that is no option of the command (with a
// did-you-mean) or a positional argument the command does not take.
Args MakeArgs(const CLI::App& command, const std::vector<OptionSpec>& options,
              const ParsedCommand& parsed);

// Every exit status the tools return, the link statuses spelled out.
std::string ExitStatusTable();

}  // namespace vex::cli
