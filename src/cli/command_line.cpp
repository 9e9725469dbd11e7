#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>

#include "link/link_status.h"

namespace vex::cli {

namespace {

// The key Args knows an option by: its long name, else its short one ("-o").
std::string KeyOf(const char* names) {
    const std::string all = names;
    const auto comma = all.find(',');
    return comma == std::string::npos ? all : all.substr(comma + 1);
}

}  // namespace

void AddOptions(CLI::App& command, const std::vector<OptionSpec>& options, const char* positional,
                ParsedCommand& parsed) {
    command.allow_extras();
    for (const OptionSpec& option : options) {
        const std::string key = KeyOf(option.names);
        if (option.value == nullptr) {
            command.add_flag(option.names, parsed.flags[key], option.help);
        } else {
            command.add_option(option.names, parsed.values[key], option.help)
                ->type_name(option.value);
        }
    }
    if (positional != nullptr) {
        command.add_option("args", parsed.positional)->type_name(positional);
    }
}

Args MakeArgs(const CLI::App& command, const std::vector<OptionSpec>& options,
              const ParsedCommand& parsed) {
    std::vector<std::string> known;
    for (const OptionSpec& option : options) {
        std::string all = option.names;
        for (std::size_t at = 0; at != std::string::npos;) {
            const auto comma = all.find(',', at);
            known.push_back(all.substr(at, comma == std::string::npos ? comma : comma - at));
            at = comma == std::string::npos ? comma : comma + 1;
        }
    }
    known.push_back("--help");
    std::vector<std::string> positional = parsed.positional;
    for (const std::string& word : command.remaining()) {
        if (word.size() > 1 && word[0] == '-') {
            const std::string name = word.substr(0, word.find('='));
            throw UsageError{"unknown option " + name + DidYouMean(name, known)};
        }
        positional.push_back(word);
    }
    std::map<std::string, std::string> values;
    std::map<std::string, bool> flags;
    for (const OptionSpec& option : options) {
        const std::string key = KeyOf(option.names);
        if (command.get_option(KeyOf(option.names))->count() == 0) continue;
        if (option.value == nullptr) {
            flags[key] = true;
        } else {
            values[key] = parsed.values.at(key);
        }
    }
    return Args(std::move(values), std::move(flags), std::move(positional));
}

std::string ExitStatusTable() {
    std::string table =
        "Exit status:\n"
        "   0  success\n"
        "   2  usage error (also a reset without --yes and no terminal to ask)\n"
        "   3  profile or file error (also a profile the radio would refuse: nothing was sent)\n"
        "   4  write --verify found differences\n"
        "   9  any other link result\n";
    for (int n = 1; n <= 14; ++n) {
        const std::string text = LinkErrorText(ToLinkStatus(-n), LinkTextForm::MessageBox);
        char line[32];
        std::snprintf(line, sizeof line, "  %2d  link status %3d: ", 10 + n, -n);
        table += line + text + "\n";
    }
    return table;
}

}  // namespace vex::cli
