// vexprg-cli: read, write, reset and capture a radio's private ID from a script or a terminal;
// check, export and import profile files; start new profiles from the model template.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/command_line.h"

namespace {

using namespace vex::cli;

constexpr const char* kFooter =
    "Radio commands take --port DEV (-p DEV, --port=DEV; default: the CurrentComPort setting, set\n"
    "with 'vexprg-cli ports --default DEV'), --trace FILE (every byte sent and received, one "
    "frame\n"
    "a line) and --quiet (no progress). Ctrl-C cancels a radio operation. Profiles are checked\n"
    "against the model template in the ProfileTemplate folder of the installation.\n"
    "--verbose (before or after the command) adds the trace lines of an error to its message.\n"
    "Run 'vexprg-cli COMMAND --help' for a command's options.\n";

struct Command {
    const char* name;
    const char* help;
    int (*run)(const Args&);
    std::vector<OptionSpec> options;
    const char* positional = nullptr;  // the positional arguments' name, if any
};

const std::vector<Command>& Commands() {
    const OptionSpec port{"-p,--port", "DEV", "the serial port of the radio"};
    const OptionSpec trace{"--trace", "FILE", "write every byte sent and received to FILE"};
    const OptionSpec quiet{"--quiet", nullptr, "no progress output"};
    const OptionSpec yes{"--yes", nullptr, "answer a warning with yes (continue)"};
    const OptionSpec no{"--no", nullptr, "answer a warning with no (stop)"};
    static const std::vector<Command> commands = {
        {"read",
         "read the radio into a new profile file",
         RunRead,
         {port, {"-o", "OUT.lam", "the profile file to write"}, yes, no, trace, quiet}},
        {"write",
         "write a profile into the radio",
         RunWrite,
         {port,
          {"--yes", nullptr,
           "answer a warning with yes; send characters the radio cannot hold as '?'"},
          no,
          {"--verify", nullptr, "read the radio back and print every difference"},
          {"--keep-clock", nullptr, "send the profile's time instead of the computer's local time"},
          trace,
          quiet},
         "IN.lam"},
        {"reset",
         "erase the radio's settings, contacts and text messages",
         RunReset,
         {port, {"--yes", nullptr, "do not ask (needed without a terminal)"}, trace, quiet}},
        {"read-pid",
         "print the private ID another radio sends over the air",
         RunReadPid,
         {port,
          {"--timeout", "SECONDS", "how long to wait for the other radio (default 12)"},
          trace,
          quiet}},
        {"export",
         "the profile as plain XML, one element a line (stdout without -o)",
         RunExport,
         {{"-o", "OUT.xml", "the file to write"}},
         "IN.lam"},
        {"import",
         "a plain profile checked and saved scrambled",
         RunImport,
         {{"-o", "OUT.lam", "the profile file to write"}},
         "IN.xml"},
        {"validate", "check profile files", RunValidate, {}, "IN.lam..."},
        {"models", "the radio models of the model template", RunModels, {}},
        {"new",
         "a new profile from a model's template",
         RunNew,
         {{"--model", "NAME", "the radio model (see 'models')"},
          {"-o", "OUT.lam", "the profile file to write"}}},
        {"report",
         "an HTML report of a profile (radio|overview IN.lam)",
         RunReport,
         {{"-o", "OUT.htm",
           "the page to write (default: SpecReport.htm or OverviewReport.htm "
           "in the current folder)"}},
         "radio|overview IN.lam"},
        {"ports",
         "the serial ports the system knows and any running virtual radio",
         RunPorts,
         {{"--default", "DEV", "store DEV as the default port (CurrentComPort)"}}},
    };
    return commands;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"vexprg-cli: the VEX480 programming tool for scripts and terminals", "vexprg-cli"};
    app.set_version_flag("--version", std::string("vexprg-cli ") + kVersion);
    app.footer(std::string(kFooter) + "\n" + ExitStatusTable());
    app.require_subcommand(1);
    app.fallthrough(false);

    std::vector<std::string> names;
    for (const Command& c : Commands()) names.push_back(c.name);
    if (argc >= 2 && argv[1][0] != '-') {
        const std::string word = argv[1];
        bool known = false;
        for (const auto& name : names) known = known || name == word;
        if (!known) {
            return UsageFailure("", "unknown command " + word + DidYouMean(word, names));
        }
    }

    bool verbose = false;
    app.add_flag("--verbose", verbose, "show the trace lines of an error");
    const OptionSpec verboseOption{"--verbose", nullptr, "show the trace lines of an error"};
    std::map<std::string, ParsedCommand> parsed;
    std::map<std::string, std::vector<OptionSpec>> options;
    for (const Command& c : Commands()) {
        CLI::App* sub = app.add_subcommand(c.name, c.help);
        sub->footer(c.positional == nullptr && c.options.empty() ? "" : ExitStatusTable());
        parsed[c.name] = ParsedCommand{};
        options[c.name] = c.options;
        options[c.name].push_back(verboseOption);
        AddOptions(*sub, options[c.name], c.positional, parsed[c.name]);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::string command;
        for (const CLI::App* sub : app.get_subcommands()) command = sub->get_name();
        return UsageFailure(command, UsageMessage(e));
    }
    for (const Command& c : Commands()) {
        CLI::App* sub = app.get_subcommand(c.name);
        if (!sub->parsed()) continue;
        try {
            const Args args = MakeArgs(*sub, options[c.name], parsed[c.name]);
            SetVerbose(verbose || args.Has("--verbose"));
            return c.run(args);
        } catch (const UsageError& e) {
            return UsageFailure(c.name, e.message);
        } catch (const ProfileError& e) {
            std::fprintf(stderr, "%s\n", e.message.c_str());
            return kExitProfile;
        } catch (const vex::CVEXPRGException& e) {
            std::fprintf(stderr, "%s\n", MessageOf(e).c_str());
            return kExitProfile;
        }
    }
    return UsageFailure("", "no command given");
}
